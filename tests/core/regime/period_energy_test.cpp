// Energies of the slices of a period: the period sums close the balance and node energies roll up into
// every branch above them.
#include "core/regime/period_energy.h"

#include <cmath>

#include "core/engine/regime.h"
#include "regime_test.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

class PeriodEnergy : public RegimeTest {
protected:
  TRegime r;
  std::vector<std::string> errors;
  ScriptedMsgBox box;
  NominalVoltages unoms;
  TPeriodEnergy energy;

  PeriodEnergy() {
    r.Errors = &errors;
    r.Accuracy = 1e-10;
  }
  void Start(const SchemeBuilder& s, bool lossPlus = false) {
    s.Read(r, dir.Path());
    ASSERT_TRUE(r.SchemeRead);
    std::vector<TEnergyGivenNode> nodes(s.Nodes.size() + 1);
    for (std::size_t i = 0; i < s.Nodes.size(); ++i) {
      nodes[i + 1].Sign = s.Nodes[i].Sign.empty() ? 0 : static_cast<char32_t>(s.Nodes[i].Sign[0]);
      nodes[i + 1].Gs = s.Nodes[i].Gs;
    }
    std::vector<TEnergyGivenBranch> branches(s.Branches.size() + 1);
    branches[1].A = U'А';
    energy.Init(nodes, branches, {}, lossPlus);
    energy.AddSupplyRows(r);
  }
};

// A node's voltages over the period: the lowest and the highest of its slices, in either order.
TEST_F(PeriodEnergy, NodeVoltagesKeepTheLowestAndHighestSlice) {
  Start(TwoNodes());
  RunRegime(r);
  ASSERT_TRUE(r.Converged);
  TRegimeElement& node2 = *const_cast<TRegimeElement*>(FindNode(r, 2));
  const double u = std::abs(node2.U);
  energy.AccumulateSliceEnergy(r, 1.0);
  node2.U *= 0.95;
  energy.AccumulateSliceEnergy(r, 1.0);
  node2.U /= 0.95 * 0.95;
  energy.AccumulateSliceEnergy(r, 1.0);
  const TNodeEnergyRow& n2 = energy.Nodes().at(2);
  EXPECT_NEAR(n2.Umin, 0.95 * u, 1e-9);
  EXPECT_NEAR(n2.Umax, u / 0.95, 1e-9);
}

TEST_F(PeriodEnergy, DeepLoadCountsInEveryBranchAboveAndTheBalanceClosesOnAMeshedScheme) {
  SchemeBuilder s = FixedVoltageRing();
  s.Nodes[4].Gs = 50;  // a node shunt: no-load losses
  s.Branches[0].B = 20;
  Start(s);
  RunRegime(r);
  ASSERT_TRUE(r.Converged);
  energy.AccumulateSliceEnergy(r, 2.0);
  const TPeriodSums& sum = energy.Sums();
  EXPECT_NEAR(sum.UnbalanceP(), 0, 1e-6);
  EXPECT_NEAR(sum.LossP(), r.TotalLosses() * 2000, 1e-6);
  // Node 5 (0.3 MW) lies under 5-4; its 0.6 MW·h is in that row and in the rows above it.
  const int below = energy.BranchRowOf(*FindNode(r, 5));
  EXPECT_NEAR(energy.Branches().at(static_cast<std::size_t>(below)).WPn, 600, 1e-9);
  double top = 0;
  for (std::size_t row = 1; row < energy.Branches().size(); ++row)
    if (energy.Branches()[row].N1 == 1) top = energy.Branches()[row].WPn;
  EXPECT_NEAR(top, 2 * (1.2 + 0.4 + 0.9 + 0.3) * 1000, 1e-6);
}

TEST_F(PeriodEnergy, AtNominalVoltagesGenerationFlowsUpAndLossPlusAddsTheLosses) {
  for (bool plus : {false, true}) {
    SchemeBuilder s = TwoNodes();
    s.Node(3, "").Um = 10;
    s.Nodes[2].Pg = 3;  // node 3 generates more than node 2 uses
    s.Branch(3, 2, 1, 2);
    energy = TPeriodEnergy();
    r.ClearModel();
    Start(s, plus);
    for (TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) e->U = Complex(10, 0), e->IDelta = {};
    energy.AccumulateSliceEnergyAtUnom(r, 1.0);
    const TBranchEnergyRow& b32 = energy.Branches().at(2);
    const double loss3 = 9 * 1 / 100.0 * 1000;  // 3 MW through 1 Ω at 10 kV
    EXPECT_NEAR(b32.dWPz, loss3, 1e-9) << plus;
    EXPECT_NEAR(b32.WPnr, 3000, 1e-9) << plus;
    EXPECT_NEAR(b32.WPkr, plus ? 3000 - loss3 : 3000, 1e-9) << plus;
  }
}

}  // namespace
}  // namespace ld::test
