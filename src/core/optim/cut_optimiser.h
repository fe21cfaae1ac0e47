#pragma once
// The open points of a scheme moved along their loops: one model read once, every trial position of a
// cut evaluated by the iterations on that model, losses penalised by line overloads; the table of cuts
// "Оптимизация разрезов" kept in memory, and the chosen open points written into the branch table.
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/callbacks.h"
#include "core/engine/regime.h"
#include "core/tables/layout.h"

namespace ld {

struct TCutCols {
  std::int32_t RowCount = 0;
  DALongint *N1{}, *N2{}, *Ref{};
  DAsingle *Un{}, *dPr{};
  DAChar *Tr{}, *Sign{};
  DAString *Cut1{}, *Line1{}, *Cut2{}, *Line2{};
  DAbyte* LRCut{};
};
void FillCutCols(const TDataFile& table, TCutCols& cols);

// "6;10;35" as 6, 10, 35 (tolerant numbers); throws the conversion error of a part that is no number.
std::vector<float> ParseVoltageGroup(const std::string& text);

// Its name, or "Узел " and its number when it has none.
std::string ElementCaption(const TRegimeElement* e);

// What the loss and overload indicators show after a regime of the present cut positions.
struct TCutDisplay {
  bool Converged = false;
  bool LossGreen = false;      // no more losses than before
  std::string PLabel;          // "dP = ... кВт" or "Режим не сходится"
  std::string OptLabel;        // "Оптимизация = ... кВт"
  bool Overload = false;
  std::string LineLabel;       // the most overloaded line of the tie's loop
};

// The two sides of a tie's loop as the bottom panel shows them.
struct TCutChains {
  std::string LLabel, RLabel;
  std::vector<std::string> Left, Right;
  bool LOpen = false, LShown = false, ROpen = false, RShown = false;
};

class TCutOptimiser {
public:
  TRegime Engine;
  std::string Stem;
  TDataFile Cuts;                 // layout "Оптимизация разрезов", rows 1..RowCount
  std::vector<float> Voltages;    // of GroupUn when FlagUn is set
  int LossDigits = 3;
  double LossFactor = 1000;
  double InitialLoss = 0, CurrentLoss = 0;  // MW, rounded
  bool StopRequested = false;
  int PassNumber = 0;

  // Reads the scheme, calculates it, lists the ties and fills the table with every tie (SelectCuts is
  // reset to 0 in the settings). Throws the table store's errors.
  void Open(const std::string& stem);
  // The engine settings that the regime settings dialog changes, and the loss rounding with them.
  void ApplyRegimeSettings();

  // Refills the table: every tie, or (SelectCuts 1) only the ties of rows whose Sign is "1" in marked
  // (a copy of the table that the user marked; nullptr: the table itself).
  void FillCutTable(const TDataFile* marked = nullptr);
  int RowCount() const { return Cuts.RowCount; }
  TRegimeElement* CutOf(int tie) const;
  TRegimeElement* PartnerOf(int tie) const;
  int TieOfRow(int row) const;
  // A tie that no move may touch: switched off at both ends or fixed off, damaged, or unsupplied.
  bool FixedTie(int tie) const;

  // Losses (MW) plus 1000 × the overload (kA over Idop) of the lines between the tie's ends and the
  // root; × 1000 when the regime did not converge. worst: "<line> - <parent>" of the largest excess.
  double CutFunctional(int tie, double loss, std::string* worst = nullptr) const;
  double RoundedLosses() const;
  // Recalculates the present positions, books the losses and marks the rows.
  TCutDisplay ShowCurrentRegime(int tie);
  void MarkRows();
  TCutChains Chains(int tie, int side) const;
  // The overload display of a tie without recalculating.
  void OverloadOf(int tie, TCutDisplay& d) const;

  // One step of a tie's cut along its loop; dir 0 left, 1 right; side: the tie's side parity.
  bool TryShiftCut(int tie, int dir, std::uint8_t& side);
  // The hand moves of the row's cut: one branch left or right, or to the other end of its branch.
  // True when it moved; the row and the display are then brought up to date.
  bool ShiftRow(int row, int dir, TCutDisplay& d);
  bool ReplaceRow(int row, TCutDisplay& d);

  // The search. Lines go to log, the row number to progress; stop is asked after each row.
  void Run(const TLogProc& log, const std::function<void(int)>& progress, const TStopQuery& stop);
  // "Список оптимизированных разрывов:" and a line per row that reduced losses.
  std::vector<std::string> ResultList() const;
  // The cuts into the scheme's branch table: every Commut emptied, then the letter of each tie's cut.
  void Write();

private:
  TCutCols c_;
  void FillCutRow(int tie);
  void UpdateCutRow(int row, double gainKW);
  // The iterations of the present positions; a run that did not converge leaves start voltages for the
  // next, so that one bad position does not spoil the trials after it.
  void Iterate();
  void FreshStart();
  bool freshStart_ = false;
  // Per tie (from 1): the end of its branch that the cut keeps to (the side parity it was given).
  std::vector<std::uint8_t> preferred_;
  struct TTrial {
    double F = 0, L = 0;
  };
  TTrial Evaluate(int tie);
  bool AtStart(int tie, const TRegimeElement* p0, const TRegimeElement* c0) const;
  void RestoreStart(int row, int tie, std::uint8_t s0, const TRegimeElement* p0, const TRegimeElement* c0);
  bool OptimiseRowWholeChain(int row, int tie);
  bool OptimiseRowLocal(int row, int tie);
};

}  // namespace ld
