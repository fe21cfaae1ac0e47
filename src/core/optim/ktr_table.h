#pragma once
// The table of regulated transformers of a scheme ("Трансформаторы"): one row per tap changer of a
// transformer branch, with its tap range, step, current tap and up to two control nodes whose voltage
// the taps keep within limits. Rows are formed from a branch row of "Ветви схемы" (FillRecTr), and the
// searches' settings live in the section [OptimT] of the program INI file.
#include <cstdint>
#include <string>

#include "core/base/dynarray.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"

namespace ld {

// Column map of "Трансформаторы".
struct TKtrCols {
  std::int32_t RowCount = 0;
  DALongint *Num1{}, *Num2{};
  DAbyte* Nl{};
  DAString* NameTr{};
  TInt16Column Wind{}, Typ{}, Reg{}, Kotv{}, Nnom{};
  DAsingle *Kta{}, *Ktr{}, *Knom{}, *Ntek{}, *Delta{};
  DALongint* N1{};
  DAString* Node1{};
  DAsingle *U1min{}, *U1max{};
  DALongint* N2{};
  DAString* Node2{};
  DAsingle *U2min{}, *U2max{};
  DALongint* Nkor{};
  DAsingle *Kna{}, *Knr{};

  // The stored kind of regulation: 0 longitudinal, 1 transverse, -1 excluded (a column declared "w"
  // holds -1 as 65535, which reads back as -1 here).
  int RegOf(int row) const {
    const int reg = Reg.Get(row);
    return reg == 65535 ? -1 : reg;
  }
};
void FillKtrCols(const TDataFile& table, TKtrCols& cols);

// One prospective row of the table.
struct TRecTr {
  std::int32_t Num1 = 0, Num2 = 0;
  int Wind = 0, Typ = 0, Reg = 0, Kotv = 0, Nnom = 0, Ntek = 0;
  std::int32_t N1 = 0, N2 = 0;
  std::uint8_t Nl = 0;
  float Knom = 0, Delta = 0, R = 0, X = 0, U1min = 0, U1max = 0, U2min = 0, U2max = 0;
  std::string NameTr, Node1, Node2;
};

// The longitudinal and the transverse record of branch row `row` (both zeroed first; a transverse
// record with Num1 = 0 means the branch has no transverse regulator). The regulator texts of
// `Regulation` ("winding-kind-direction-taps-nominal-step", the one containing "ТПР" transverse) give
// the taps; a direction "П" counts taps with the ratio (Typ 0), any other letter against it (Typ 1).
// Control nodes: a two-winding transformer (or a "СН" regulator) controls its own end node, a three-
// or split-winding "ВН" regulator the first two branches leaving its star point.
void FillRecTr(const TBranchCols& branches, int row, TRecTr& longitudinal, TRecTr& transverse);

// Copies a record into table row `row` (the table must have it); the control-node fields only when the
// record has that node; Nkor and the output columns stay.
void PutRecTr(const TKtrCols& cols, int row, const TRecTr& rec);

// Settings of the tap searches, section [OptimT]; kept as the texts of the window's edits.
struct TOptimTSettings {
  std::string KIter = "100";  // iteration limit
  std::string Kdp = "1";      // weight of the losses in the functional
  std::string Ku = "100";     // weight of the voltage penalty
  std::string Du = "0.1";     // increment of the gradient estimate
  std::string Dn = "0.1";     // tap step of one gradient iteration
  bool Um = false;            // both limits of a control node := its Um when rows are bound
};
inline constexpr char OptimTSection[] = "OptimT";

// Read and write [OptimT] of the INI file; a file that cannot be read or written raises ld::Error.
void ReadOptimTSettings(const std::string& iniFile, TOptimTSettings& settings);
void WriteOptimTSettings(const std::string& iniFile, const TOptimTSettings& settings);

// The file of the table for a scheme base path.
std::string KtrTableFileName(const std::string& schemeStem);

}  // namespace ld
