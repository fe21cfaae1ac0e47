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
    for (std::size_t i = 0; i < s.Branches.size(); ++i)
      branches[i + 1].R = s.Branches[i].R, branches[i + 1].X = s.Branches[i].X;
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
  // The losses of every branch roll up likewise: the supply rows hold those of the whole scheme.
  double load = 0, noLoad = 0, supplyLoad = 0, supplyNoLoad = 0;
  for (const TBranchEnergyRow& row : energy.Branches()) {
    (row.N1 != 0 ? supplyLoad : load) += row.N1 != 0 ? row.dWP1 : row.dWPz;
    (row.N1 != 0 ? supplyNoLoad : noLoad) += row.N1 != 0 ? row.dWQ2 : row.dWQy;  // the charging of 1-2
  }
  EXPECT_GT(load, 0);
  EXPECT_NE(noLoad, 0);
  EXPECT_NEAR(supplyLoad, load, 1e-9);
  EXPECT_NEAR(supplyNoLoad, noLoad, 1e-9);
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

// Losses of other companies' networks ("С") are counted apart like subscribers' and roll up into the rows
// above; losses by reactive flows are summed by class: a transformer by its higher side, the 0.4 kV class
// apart, "С" with the main networks.
TEST_F(PeriodEnergy, OtherCompaniesLossesApartAndReactiveLossesByClass) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2).Um = 10;
  s.Node(3).Um = 0.4f;
  s.Node(4, "", 0.2, 0.15).Um = 0.4f;
  s.Branch(2, 1, 1, 2);                  // row 1, of another company
  s.Branch(2, 3, 0.01, 0.04).Kta = 25;   // row 2, 10/0.4 kV
  s.Branch(4, 3, 0.01, 0.005);           // row 3
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  std::vector<TEnergyGivenBranch> branches(4);
  branches[1].A = U'С';
  energy.Init(std::vector<TEnergyGivenNode>(5), branches, {}, false);
  energy.AddSupplyRows(r);
  RunRegime(r);
  ASSERT_TRUE(r.Converged);
  energy.AccumulateSliceEnergy(r, 1.0);

  const auto& rows = energy.Branches();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_GT(rows[1].dWPz, 0);
  EXPECT_EQ((std::vector<double>{rows[1].dWP1a, rows[2].dWP1a, rows[3].dWP1a, rows[4].dWP1a}),
            (std::vector<double>{rows[1].dWPz, 0, 0, rows[1].dWPz}));
  const auto& byClass = energy.Sums().ReactiveByClass;
  for (int row = 1; row <= 3; ++row) EXPECT_GT(rows[static_cast<std::size_t>(row)].dWPq, 0) << row;
  EXPECT_EQ((std::vector<double>(byClass.begin(), byClass.end())),
            (std::vector<double>{rows[1].dWPq, rows[3].dWPq, rows[2].dWPq, 0, 0, 0, 0, 0}));
}

// At nominal voltages with LossPlus the flows carry the shunts of nodes and branches as well as the load
// losses up to the source, so the balance closes; without it the source gives only the loads.
TEST_F(PeriodEnergy, AtNominalVoltagesLossPlusCarriesTheShunts) {
  for (const bool plus : {false, true}) {
    SCOPED_TRACE(plus);
    SchemeBuilder s = TwoNodes();
    s.Branches[0].G = 20, s.Branches[0].B = 40;
    energy = TPeriodEnergy();
    r.ClearModel();
    s.Read(r, dir.Path());
    ASSERT_TRUE(r.SchemeRead);
    std::vector<TEnergyGivenNode> nodes(3);
    nodes[2].Gs = 50, nodes[2].Bs = 300;
    energy.Init(nodes, std::vector<TEnergyGivenBranch>(2), {}, plus);
    energy.AddSupplyRows(r);
    for (TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) e->U = Complex(10, 0), e->IDelta = {};
    energy.AccumulateSliceEnergyAtUnom(r, 1.0);
    const TPeriodSums& sum = energy.Sums();
    // 100 kV² · 50 µS and 300 µS at the node, 20 µS and 40 µS along the line, over one hour in kW·h.
    EXPECT_EQ((std::vector<long>{std::lround(sum.NodeNoLoadP * 1e6), std::lround(sum.NodeNoLoadQ * 1e6),
                                 std::lround(sum.BranchNoLoadP * 1e6), std::lround(sum.BranchNoLoadQ * 1e6)}),
              (std::vector<long>{5000000, 30000000, 2000000, 4000000}));
    EXPECT_NEAR(sum.UnbalanceP(), plus ? 0 : -sum.LossP(), 1e-9);
    EXPECT_NEAR(sum.UnbalanceQ(), plus ? 0 : -sum.LossQ(), 1e-9);
  }
}

}  // namespace
}  // namespace ld::test
