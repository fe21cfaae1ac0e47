#pragma once
// A calculation scheme written by a test: node and branch rows with the columns the engine reads,
// saved as the node ("Узлы схемы") and branch ("Ветви схемы") table files of a scheme in a folder.
#include <complex>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/base/dynarray.h"

namespace ld {
class TRegime;
struct TRegimeElement;
}

namespace ld::test {

struct NodeSpec {
  std::int32_t NS = 0;
  std::string Sign;  // "B" balancing, "U" fixed voltage
  std::string Name;
  std::int32_t Nr = 0;
  double Pn = 0, Qn = 0, Pg = 0, Qg = 0;
  double Urez = 0, Angle = 0;
  double WPn = 0, WQn = 0, WPg = 0, WQg = 0;
  float Um = 0;
  float Gs = 0, Bs = 0;
  float Qmin = 0, Qmax = 0;
  float Ina = 0, Inr = 0, Iga = 0, Igr = 0;
  float Ush = 0, Kvi = 0, Kvu = 0;
  std::int16_t Nsh = 0;
  std::int32_t Ng_n = 0, Ng_g = 0, Nq_n = 0, Nq_g = 0, Ng_u = 0;
  std::uint8_t Mark = 0;  // row mark
};

struct BranchSpec {
  std::int32_t N1 = 0, N2 = 0;
  std::int32_t Nr = 0;
  std::uint8_t Nl = 0, Tz = 0;
  std::string Commut;  // "", "Н", "К", "О", "П", "Ф"
  std::string MarkCom1, MarkCom2;
  float R = 0, X = 0, G = 0, B = 0;
  float Kta = 0, Ktr = 0, Ktn = 0;
  float Idop = 0, Sdop = 0, Kflow = 0;
  float U1 = 0, F1 = 0, U2 = 0, F2 = 0, Ia = 0, Ir = 0;
  std::int16_t Ng_kta = 0, Ng_ktr = 0;
  std::string TypEqu, Mark;
  std::uint8_t RowMark = 0;
};

class SchemeBuilder {
public:
  std::string Title = "Тестовая схема";
  std::vector<NodeSpec> Nodes;
  std::vector<BranchSpec> Branches;

  // A node row; references stay valid until the next row is added.
  NodeSpec& Node(std::int32_t ns, const std::string& sign = "", double pn = 0, double qn = 0);
  BranchSpec& Branch(std::int32_t n1, std::int32_t n2, double r = 0, double x = 0);

  // Writes the two table files of the scheme "<dir>/<stem>" and returns that path (no extension).
  std::string Write(const std::filesystem::path& dir, const std::string& stem = "scheme") const;
  // Writes the scheme into dir and reads it into the engine (ReadScheme); returns the scheme path.
  std::string Read(TRegime& regime, const std::filesystem::path& dir, const std::string& stem = "scheme") const;
};

// A 10 kV ring from balancing node 1 (10.5 kV) with node 3 held at 10.4 kV and a spur to node 5:
// nodes 2..5 load 1.2+j0.6, 0.4+j0.1, 0.9+j0.5, 0.3+j0.2; branches 2-1, 3-2, 4-3, 4-1 close the ring, 5-4.
SchemeBuilder FixedVoltageRing();

// The settings' nominal-voltage classes (by default those a fresh program creates) replaced for one test
// and put back afterwards.
class NominalVoltages {
public:
  explicit NominalVoltages(const std::vector<double>& classes = {0.22, 0.38, 3, 6, 10, 20, 27.5, 35, 110, 150, 220,
                                                                 330, 400, 500, 750});
  ~NominalVoltages();
  NominalVoltages(const NominalVoltages&) = delete;
  NominalVoltages& operator=(const NominalVoltages&) = delete;

private:
  std::unique_ptr<DAdouble> saved_;
};

// The stages a calculating window runs on a read scheme: time data, matrices, iterations.
void RunRegime(TRegime& regime);

// Both parts of a complex value within the tolerance.
void ExpectComplex(std::complex<double> actual, std::complex<double> expected, double tolerance,
                   const std::string& what);

// The element that carries node ns (a node element or the tree branch feeding it, never a loop-closing
// one); nullptr when the model has none.
const TRegimeElement* FindNode(const TRegime& regime, std::int32_t ns);
// The element of the branch in table row `row` (1-based); nullptr when none.
const TRegimeElement* FindBranch(const TRegime& regime, std::int32_t row);

}  // namespace ld::test
