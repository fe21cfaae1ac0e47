#pragma once
// An independent load flow for checking the engine: the nodal equations S = U·conj(Y·U) of the same
// network in physical units (kV, MW, Mvar, siemens), solved by Newton–Raphson in polar coordinates.
#include <complex>
#include <vector>

namespace ld::test {

struct RefBus {
  enum Kind { Load, Slack, PV } kind = Load;
  double P = 0, Q = 0;        // load, MW and Mvar (generation negative)
  double G = 0, B = 0;        // shunt at the bus, micro-siemens: it draws (G + jB)·|U|²·1e-6
  double V = 0, AngleDeg = 0;  // set voltage (slack: magnitude and angle; PV: magnitude)
};

// From bus a to bus b: an ideal ratio t at the a side (no-load U_b = t·U_a), then R + jX on the b side.
struct RefBranch {
  int a = 0, b = 0;  // 0-based buses
  double R = 0, X = 0;
  std::complex<double> t{1.0, 0.0};
};

struct RefResult {
  std::vector<std::complex<double>> U;  // kV
  std::vector<std::complex<double>> S;  // injected power of each bus into the network, MVA
  double Losses = 0;                    // MW: series and shunt
  bool Converged = false;
};

RefResult SolveReference(const std::vector<RefBus>& buses, const std::vector<RefBranch>& branches);

// Current through R + jX of a branch (kA·sqrt(3): MVA per kV, the engine's unit), flowing from a to b.
std::complex<double> BranchCurrent(const RefResult& r, const RefBranch& br);

}  // namespace ld::test
