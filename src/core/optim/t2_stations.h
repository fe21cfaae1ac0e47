#pragma once
// Stations with two transformers whose low-voltage sections a section branch joins: which of the three
// ways to run each of them (T1 off, T2 off, section branch off) costs the least losses, overloads of the
// transformers penalised.
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/callbacks.h"
#include "core/engine/regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"

namespace ld {

// Work bit of a branch element switched off by the station search.
inline constexpr std::uint32_t efStationOff = 0x1000000;

struct TT2Cols {
  std::int32_t RowCount = 0;
  DALongint *I1{}, *I2{}, *Iv{}, *ST{}, *STo{};
  DAsingle* Un{};
  DAString *Subst{}, *Mark1{}, *Mark2{}, *NT1{}, *NT2{};
  DAsingle *Sp1{}, *Sp2{}, *HH1{}, *HH2{}, *KZ1{}, *KZ2{}, *dPr{};
};
void FillT2Cols(const TDataFile& table, TT2Cols& cols);

// One station as found in the branch table (rows 1-based) with its state 1, 2 or 3.
struct TT2Station {
  std::int32_t I1 = 0, I2 = 0, Iv = 0, ST = 0;
};
// Finds the stations. The letter that gives a station's state is cleared in modelBranches (a copy of the
// branch table that builds the model with all three branches on), never in the branch table itself.
std::vector<TT2Station> FindT2Stations(const TDataFile& branches, TDataFile& modelBranches);

// A branch element off: R, X := 1e10, its shunt taken off the node that carries it, efStationOff set;
// on: R, X, G, B of the branch table back. Switching into the state it has does nothing.
void SwitchElementOff(TRegimeElement& e, const TBranchCols& b);
void SwitchElementOn(TRegimeElement& e, const TBranchCols& b);

// The rounding of losses to the decimals that the accuracy shows.
void LossRounding(double accuracy, int& digits, double& factor);

struct TT2Evaluation {
  double Losses = 1e15, Criterion = 1e15;  // MW
};

// A state tried for a station with its evaluation.
struct TT2Trial {
  int State = 0;
  TT2Evaluation Ev;
};
// The trial with the smaller criterion; equal criteria keep the first (states are tried as 1, 2, 3).
const TT2Trial& BetterT2Trial(const TT2Trial& first, const TT2Trial& second);

struct TT2LossDisplay {
  bool Converged = false;
  bool Green = false;
  double ChangeKW = 0;
  std::string Label;  // "dP = ... (...) кВт" or "Режим не сходится"
};

// The state of the station window: the model, the kept branch table and the station table.
class TT2Optimiser {
public:
  TRegime Engine;
  std::string Stem;
  TDataFile Nodes, Branches, Stations;
  TBranchCols BranchCols;
  std::vector<TRegimeElement*> E1, E2, Ev;  // per station row, 1-based
  int LossDigits = 3;
  double LossFactor = 1000;
  double BaseLoss = 0, StationLoss = 0;  // MW, rounded
  bool StopRequested = false;
  int PassCount = 0;

  // Finds the stations of the scheme and calculates its regime in their present states. Throws the
  // table store's errors, and "I1,I2,Iv" when a station's branch is not in the model.
  void Open(const std::string& stem);

  void ApplyState(int row, int state);
  TT2Evaluation Evaluate(int row);
  // Losses plus 1000 × the transformers' overload (MVA) of the row; ×1000 again without convergence.
  // Fills the row's loadings and losses.
  double Criterion(int row, double losses);
  // Evaluates (for the row when not 0), rounds, books the change and forms the label; the row's dPr
  // takes the change and the row is marked.
  TT2LossDisplay ShowLosses(int row);
  // 0x60 when the row's transformers are overloaded, else 0 (the regime of the present states).
  void MarkRow(int row);
  // A manual proposal of a state for the row.
  TT2LossDisplay Propose(int row, int state);

  // The automatic search. Lines go to log; progress gets the row number; stop is asked after each row.
  void Run(double dPminKW, const TLogProc& log, const std::function<void(int)>& progress, const TStopQuery& stop);
  // One pass over the stations: each takes the best of its other two states when that lowers its
  // criterion by more than d (MW).
  void SearchPass(double d, const std::function<void(int)>& progress, const TStopQuery& stop);
  // "Список переключений трансформаторов:" and the numbered lines of the rows with a booked saving.
  std::vector<std::string> SwitchingList() const;
  // Commits the proposals and writes the commutation letters into the scheme's branch table.
  void Write();

  int RowCount() const { return Stations.RowCount; }
  std::string StationText(int row) const;

private:
  TT2Cols c_;
};

}  // namespace ld
