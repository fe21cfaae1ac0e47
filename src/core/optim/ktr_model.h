#pragma once
// The tap model over a built regime model: each row of "Трансформаторы" bound to the engine elements of
// its transformer branch, its control nodes and its correction branch; the complex ratio of a tap; the
// functional that every tap search minimises; the coordinate descent and the gradient step; the
// write-back of ratios and taps into the branch table.
#include <complex>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "core/optim/ktr_table.h"

namespace ld {

// Every power-loss value that a search compares is the engine's losses rounded to 1/F MW, F = 10^k the
// smallest power of ten that makes round(Accuracy·F) non-zero (halves to even); Accuracy 0 gives 1000.
double LossRoundFactor(double accuracy);
double RoundLosses(double losses, double factor);

// Partner rows of transverse rows (0: none): each row with Reg 1 and the first other row with the same
// Num1, Num2 and Nl point at each other. Index 0 unused.
std::vector<int> PairKtrRows(const TKtrCols& cols);

// The complex ratio of a row's tap (correction: of its correction branch, whose nominal ratio is
// correctionKtn). False for a correction of a longitudinal row whose Knom is 1 (its step per tap
// would divide by Knom - 1); the ratio is then left alone.
bool CalcRowRatio(const TKtrCols& cols, int row, int partner, bool correction, double correctionKtn,
                  std::complex<double>& k);

// Why binding stopped, with what the message names.
struct TKtrBindError {
  enum Kind { None, Params, Branch, Node, Correction } What = None;
  int Row = 0;
  std::int32_t A = 0, B = 0;  // branch ends, or the node in A
};

// Working state of one optimisation or regulation run: the rows' elements, partners and base values.
class TKtrModel {
public:
  TKtrModel(TRegime& regime, TDataFile& table);

  TRegime& Regime() { return regime_; }
  TDataFile& Table() { return table_; }
  const TKtrCols& Cols() const { return cols_; }
  int RowCount() const { return cols_.RowCount; }

  // Binds every row to the model and puts its ratios into the elements. Rows whose branch is not
  // energised are excluded from the searches for this binding only; the stored Reg never changes.
  // skipStored: rows stored with Reg -1 are left out entirely (neither checked nor bound).
  // nodeVoltage(row of the table, node element, which 1 or 2, umin, umax) may set the limits.
  // Marks: every bound row's mark is cleared; with markExcluded an excluded row gets the mark "p".
  using TLimitHook = std::function<void(int row, const TRegimeElement& node, int which, float& umin, float& umax)>;
  TKtrBindError Bind(const TDataFile& branches, bool skipStored, bool markExcluded, const TLimitHook& limits = {});

  // A row that no search moves: stored as excluded, or its branch not energised at the last binding.
  bool Excluded(int row) const;
  int Partner(int row) const { return row < static_cast<int>(partner_.size()) ? partner_[row] : 0; }
  TRegimeElement* BranchElement(int row) const { return at(branch_, row); }
  TRegimeElement* NodeElement(int row, int which) const { return at(which == 1 ? node1_ : node2_, row); }

  // Puts the row's ratio into its branch element and Kta, Ktr, and its correction ratio into the
  // correction element and Kna, Knr.
  void ApplyRowRatio(int row);
  // Recalculates the regime after ratios changed.
  void RerunRegime();
  double RoundedLosses() const { return RoundLosses(regime_.TotalLosses(), factor_); }
  double Factor() const { return factor_; }
  void SetFactor(double f) { factor_ = f; }

  // |pen1 + pen2|·Ku + dP·Kdp over rows first..last; pen: how far each control node lies outside its
  // limits (kV). Multiplied by 1e7 when the last run did not converge.
  double TapFunctional(int first, int last, double Ku, double Kdp, double dP) const;

  void ClearMarks();  // the marks of the rows that are not excluded

private:
  static TRegimeElement* at(const std::vector<TRegimeElement*>& v, int row) {
    return row > 0 && row < static_cast<int>(v.size()) ? v[row] : nullptr;
  }
  TRegimeElement* FindBranch(std::int32_t a, std::int32_t b, int nl) const;
  TRegimeElement* FindNode(std::int32_t number) const;

  TRegime& regime_;
  TDataFile& table_;
  TKtrCols cols_;
  double factor_ = 1000;
  std::vector<int> partner_;
  std::vector<TRegimeElement*> branch_, node1_, node2_, corr_;
  std::vector<double> r0_, x0_, rk0_, xk0_;
  std::vector<std::uint8_t> excluded_, against_;
};

// Puts ratio k into a branch element: an element reached from the branch's N1 (flag 4) holds 1/K and
// the base R0, X0 divided by |K|², any other element K with its R, X unchanged. againstTable: k is
// the ratio of the branch named the other way round than its table row, i.e. the row's 1/K.
void SetElementRatio(TRegimeElement& element, std::complex<double> k, double r0, double x0,
                     bool againstTable = false);

// ---- Searches

struct TSearchHooks {
  std::function<void(int pass)> OnPass;                  // a pass or iteration starts
  std::function<void(int first, int last)> OnAccepted;   // taps of rows first..last changed
  std::function<void(int lastRow, double dP)> OnGroup;   // a group ended with these losses
  std::function<bool()> StopRequested;                   // polled after each group or iteration
};

struct TSearchResult {
  int Passes = 0;
  bool Changed = false;  // some step was accepted
  bool Stopped = false;  // ended by a stop request
  double dP = 0;         // the losses at the end (rounded for the descent)
};

// Coordinate descent over groups of rows (consecutive rows with Nl 1, 2, 3 ... move together). The pass
// count is 16-bit and compared with the limit for equality, so a limit of 0 sets no practical limit.
TSearchResult CoordinateDescent(TKtrModel& model, int limit, double Ku, double Kdp, double dP,
                                const TSearchHooks& hooks = {});

// One iteration of the gradient search; G becomes the largest gradient component. True when a tap moved.
bool GradientStep(TKtrModel& model, double Dn, double Du, double Ku, double Kdp, double dP, double& G);

// The gradient search: iterations until a stop request, the limit, no move, no convergence or a largest
// gradient (to 6 decimals) equal to the initial 0 or to that of an iteration before the previous one
// (then Stopped, as after a stop request). At the end every tap is an integer within 1..Kotv.
TSearchResult GradientSearch(TKtrModel& model, int limit, double Ku, double Kdp, double Du, double Dn, double dP,
                             const TSearchHooks& hooks = {});

// Writes the rows' ratios into Kta, Ktr and their taps into Notv, Ntpr of the branch table, and the
// correction ratios into the correction branches, then the branch file and the tap table's file
// (KtrTableFileName) together in one run, so that the branches' taps never disagree with the table they
// came from; the caller's locks of either file stay as they are. model: the binding whose exclusions
// count (nullptr: the stored Reg alone).
void WriteKtrWithBranches(TDataFile& table, TDataFile& branches, const std::string& schemeStem,
                          const TKtrModel* model);
// The same into the branch table in memory, written by the caller.
void PutKtrToBranches(TDataFile& table, TDataFile& branches, const TKtrModel* model);

}  // namespace ld
