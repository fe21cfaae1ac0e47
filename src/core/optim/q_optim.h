#pragma once
// Reactive power of controllable sources (capacitor banks and the like): the source table, the
// functional of losses and voltage violations, five minimisation steps and the payback economics.
//
// A source row is matched to the model element of its node; the optimiser moves that element's
// generated reactive power. x, the element's total reactive power Load.imag() = Qg - Qn (MVAr), is the
// variable of every derivative, so a positive Grad means that more generation lowers the functional.
// Table powers are kVAr, model powers MVAr.
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/dynarray.h"
#include "core/engine/dense.h"
#include "core/tables/layout.h"

namespace ld {

class TRegime;
struct TRegimeElement;

// The 17 columns of a source table, by field name.
struct TQCols {
  std::int32_t RowCount = 0;
  DALongint *Nq{}, *Nu{}, *N2u{};
  DAString* Title{};
  DAdouble *Qish{}, *Qmin{}, *Qmax{}, *dQ{}, *Qopt{}, *Grad{}, *Snap{};
  DAdouble *Umin{}, *Umax{}, *Umod{}, *U2min{}, *U2max{}, *U2mod{};
};
// Throws the field's error when the table lacks one of them.
void FillQCols(const TDataFile& table, TQCols& cols);
// Throws 'Ошибка чтения файла "<file>": <reason>' when a table read from that file lacks one of them.
void CheckQTable(const TDataFile& table, const std::string& file);
// Reads a source table file; every failure names the file.
void ReadQTableFile(const std::string& file, TDataFile& table);
// The text of a failure to read the file, naming it when the failure itself does not.
std::string QTableReadError(const std::string& file, const std::exception& e);

// What one optimisation keeps between its steps. Each caller (the window, one regulation call) owns its
// own, so that a stop or a matrix of one never reaches another. Vectors are indexed by row (1-based).
struct TQOptimState {
  std::vector<TRegimeElement*> Source, Watch1, Watch2;
  std::vector<double> PrevQopt, PrevdQ, PrevGrad, PrevSnap;
  std::vector<double> EconomicLimit, StartValue;
  double InitialLoss = 0;  // MW; the losses dP0 of the economics
  double Gradient = 0;     // largest gradient component of the last step
  std::int16_t IterationCount = 0;
  bool StopRequested = false;
  bool HessianReady = false;
  Matrix Hessian;
  std::vector<char> HessianSkip;  // rows that the factorisation gave no step
  bool Bound1 = false, Bound2 = false;  // rows clamped in the passes of the conjugate gradient
  std::vector<char> PrevZeroGrad;       // the pattern of zero gradients of the previous step
  double C_BSK = 100000, Tarif = 1700, Tmax = 4380;

  // Sizes every vector for rowCount rows and clears them.
  void Resize(int rowCount);
};

// Runs the iteration process of the model; after a run that did not converge it starts again from
// fresh start voltages rather than from the diverged ones.
void RunQRegime(TRegime& regime);

// Kdp × losses plus Ku × the voltage penalties of the watched nodes (all rows, or row `row` alone);
// -1.0 when the regime does not converge.
double ReactiveFunctional(const TDataFile& table, TRegime& regime, TQOptimState& state, int row, double Ku,
                          double Kdp);

// x of a source's element and its change: the generated component takes the change, the total follows.
double SourceTotal(const TRegimeElement& e);
void SetSourceTotal(TRegimeElement& e, double x);
// Puts the generated component to q MVAr and the total to load + generated.
void SetSourceGenerated(TRegimeElement& e, double q);

// The five steps; the index of each is its place in the method list.
void DiscreteDescentStep(const TDataFile& table, TRegime& regime, TQOptimState& state, double& Gradient,
                         double dQt, double Ku, double Kdp, double EpsOpt);
void SteepestDescentStep(const TDataFile& table, TRegime& regime, TQOptimState& state, double& Gradient,
                         bool PrecSnap, double Ku, double Kdp, double EpsOpt);
void CoordinateDescentStep(const TDataFile& table, TRegime& regime, TQOptimState& state, double& Gradient,
                           bool PrecSnap, double Tok, double Ku, double Kdp, double EpsOpt);
void ConjugateGradientStep(const TDataFile& table, TRegime& regime, TQOptimState& state, double& Gradient,
                           bool PrecSnap, double Ku, double Kdp, double EpsOpt);
void NewtonStep(const TDataFile& table, TRegime& regime, TQOptimState& state, double& Gradient, bool PrecSnap,
                double Ku, double Kdp, double EpsOpt);

struct TQMethodParams {
  double dQt = 10, Ku = 10, Kdp = 1, EpsOpt = 1e-4, Tok = 0;
  bool PrecSnap = false;
};
// One step of method 0..4 (other indices make no step); the result goes to state.Gradient.
void QMethodStep(int method, const TDataFile& table, TRegime& regime, TQOptimState& state,
                 const TQMethodParams& p);

// The parabola F(q) = a·q² + b·q + c through F0 at q and Fminus, Fplus at x - h2, x + h2 (q = -x).
struct TQuadraticFit {
  double a = 0, b = 0, c = 0;
};
TQuadraticFit FitReactiveParabola(double Fminus, double F0, double Fplus, double h2, double q);
// Years for the source to pay back moving from q0 to r at losses dP0 before.
double PaybackTime(const TQuadraticFit& fit, double q0, double r, double dP0, const TQOptimState& state);
// The power (MVAr, as q) that a source may not pass for the payback time Tok; 0 = no limit.
double EconomicReactiveLimit(double Fminus, double F0, double Fplus, double h2, double q, double q0, double Tok,
                             double dP0, const TQOptimState& state, TQuadraticFit* fitOut = nullptr);

// Writes Qopt × 0.001 into Qg of the node table of the scheme, sets Qish := Qopt and dQ := 0, and writes
// the table itself at the scheme's path with the node table in one run, so that the nodes' Qg and the
// table's Qish never come from two optimisations. The caller's locks serve it.
void WriteQoptWithNodeTable(TDataFile& table, const TQOptimState& state, const std::string& schemePath);

// Writes a table under the caller's lock of it: a lock present is removed for the write and put back.
void WriteTableUnderLock(const std::string& basePath, TDataFile& table);

}  // namespace ld
