#pragma once
// Energies of the time slices of a period, added up per node, per branch and for the whole scheme.
//
// Rows: one node row per row of the scheme's node table (1-based, the element's NodeIndex) and one
// branch row per row of its branch table (the element's BranchIndex), then one row for each supply
// element at the head of the model (AddSupplyRows). Energies are kW·h and kvar·h, table columns hold
// them positive; the period sums keep the engine's signs (consumption and losses positive, generation
// and the supply of the balancing nodes negative), so that a closed balance sums to zero.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/engine/regime.h"

namespace ld {

// What the scheme's node table gives of a node (by node row).
struct TEnergyGivenNode {
  char32_t Sign = 0;  // first letter of Sign, upper case
  double Gs = 0, Bs = 0;  // the node's own shunt, µS (the model adds the branches' halves to it)
  double WPn = 0, WQn = 0, WPpr = 0, WQpr = 0, WPbt = 0, WQbt = 0, dWPa = 0, dWQa = 0;
};
// What the scheme's branch table gives of a branch (by branch row).
struct TEnergyGivenBranch {
  char32_t A = 0;  // ownership letter, upper case
  int Tz = 0;      // load-distribution code
  // The row's own R and X, Ω: at nominal voltages the losses are reckoned from these, not from the
  // model's, which already carry the load-distribution factor and a transformer's ratio.
  double R = 0, X = 0;
};

struct TNodeEnergyRow {
  std::int32_t NS = 0;
  std::string Name;
  double Unom = 0, Umin = 0, Umax = 0;
  double WPn = 0, WQn = 0, WPg = 0, WQg = 0, WPs = 0, WQs = 0;
};

struct TBranchEnergyRow {
  std::int32_t N1 = 0, N2 = 0;  // set for the supply rows only
  std::string Name1, Name2;
  double Ul = 0, Idop = 0, Imin = 0, Imax = 0, Sdop = 0, Smin = 0, Smax = 0;
  double WPnr = 0, WQnr = 0, WPnl = 0, WQnl = 0, WPkr = 0, WQkr = 0, WPkl = 0, WQkl = 0;
  double dWPz = 0, dWQz = 0, dWPy = 0, dWQy = 0, dWPp = 0, dWPq = 0;
  double WPp = 0, WQp = 0, WPm = 0, WQm = 0, WPn = 0, WQn = 0, WPsn = 0, WQsn = 0, WPg = 0, WQg = 0;
  double WPpr = 0, WQpr = 0, WPbt = 0, WQbt = 0, dWPa = 0, dWQa = 0;
  double dWP1 = 0, dWQ1 = 0, dWP2 = 0, dWQ2 = 0, dWP1a = 0, dWQ1a = 0, dWP2a = 0, dWQ2a = 0;
};

struct TPeriodSums {
  double ConsumptionP = 0, ConsumptionQ = 0;
  double GenerationP = 0, GenerationQ = 0;
  double SupplyP = 0, SupplyQ1 = 0, SupplyQ2 = 0;  // Q2: the loop-closing entries
  double LoadLossP = 0, LoadLossQ = 0;
  double NodeNoLoadP = 0, NodeNoLoadQ = 0, BranchNoLoadP = 0, BranchNoLoadQ = 0;
  double ActiveFlowLossP = 0, ReactiveFlowLossP = 0;
  // Load losses caused by reactive flows by class: index 4 for ownership "А", + 2 for a branch with a
  // ratio (element flag 8), + 1 for the 0.4 kV class.
  std::array<double, 8> ReactiveByClass{};

  double SupplyQ() const { return SupplyQ1 + SupplyQ2; }
  double LossP() const { return LoadLossP + NodeNoLoadP + BranchNoLoadP; }
  double LossQ() const { return LoadLossQ + NodeNoLoadQ + BranchNoLoadQ; }
  double UnbalanceP() const { return -(ConsumptionP + GenerationP + SupplyP + LossP()); }
  double UnbalanceQ() const { return -(ConsumptionQ + GenerationQ + SupplyQ() + LossQ()); }
};

class TPeriodEnergy {
public:
  // given: per node row and per branch row, item 0 unused. workingHours: the engine's hours of supply
  // by node row (empty: none). lossPlus: the setting LossPlus of the calculation at nominal voltages.
  void Init(std::vector<TEnergyGivenNode> nodes, std::vector<TEnergyGivenBranch> branches,
            std::vector<double> workingHours, bool lossPlus);
  // One row per supply element at the head of the model (the sources under the root that are not
  // unsupplied) after the scheme's branch rows; done once, at the first model.
  void AddSupplyRows(const TRegime& regime);

  // The slice of hours h of the calculated regime.
  void AccumulateSliceEnergy(TRegime& regime, double h);
  // The slice of hours h at nominal voltages: the model's voltages fixed at their nominal values and
  // every IDelta zero; IDelta is used for the flows of the walk and cleared again.
  void AccumulateSliceEnergyAtUnom(TRegime& regime, double h);

  // A switching that rewrote a branch row may have put other equipment there.
  void SetBranchImpedance(int row, double r, double x);

  const std::vector<TNodeEnergyRow>& Nodes() const { return nodes_; }  // item 0 unused
  const std::vector<TBranchEnergyRow>& Branches() const { return branches_; }
  const TPeriodSums& Sums() const { return sums_; }
  // The row of an element in Branches(): its branch row, or its supply row; 0 when none.
  int BranchRowOf(const TRegimeElement& e) const;

private:
  struct Own;  // node energies of one element, carried up the tree
  void NodePart(TRegimeElement& e, double h, const Complex& u, const Complex& injection, bool source, Own& own);
  void BranchFlowColumns(TBranchEnergyRow& row, bool reversed, double pBegin, double qBegin, double pEnd,
                         double qEnd, double h);
  void Limits(TBranchEnergyRow& row, double current, double power);
  void LossColumns(TBranchEnergyRow& row, char32_t a, double dP, double dQ, double dPsh, double dQsh, double h);
  // The element's ratings and losses into its row; the losses also into the own sums that roll up the
  // tree (dWP1, dWP2, and for an element whose ownership counts it apart dWP1a, dWP2a).
  void RatingsAndLosses(TBranchEnergyRow& row, const TRegimeElement& e, double dP, double dQ, double dPsh,
                        double dQsh, double h, Own& own);
  void ActiveReactive(TBranchEnergyRow& row, const TRegimeElement& e, double active, double reactive, double ul);
  double Ul(const TRegimeElement& e) const;
  void RollUp(TRegime& regime, std::vector<Own>& sub);

  std::vector<TEnergyGivenNode> givenNodes_;
  std::vector<TEnergyGivenBranch> givenBranches_;
  std::vector<double> workingHours_;
  bool lossPlus_ = false;
  std::vector<TNodeEnergyRow> nodes_;
  std::vector<TBranchEnergyRow> branches_;
  int schemeBranchRows_ = 0;
  TPeriodSums sums_;
};

}  // namespace ld
