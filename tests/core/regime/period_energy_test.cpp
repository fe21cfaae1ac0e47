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
  EXPECT_NEAR(sum.UnbalanceQ(), 0, 1e-6);
  EXPECT_NEAR(sum.LossP(), r.TotalLosses() * 2000, 1e-6);
  EXPECT_GT(sum.NodeNoLoadP, 0);
  // Node 5 (0.3 MW) lies under 5-4; its 0.6 MW·h is in that row and in the rows above it.
  const int below = energy.BranchRowOf(*FindNode(r, 5));
  EXPECT_NEAR(energy.Branches().at(static_cast<std::size_t>(below)).WPn, 600, 1e-9);
  double top = 0;
  for (std::size_t row = 1; row < energy.Branches().size(); ++row)
    if (energy.Branches()[row].N1 == 1) top = energy.Branches()[row].WPn;
  EXPECT_NEAR(top, 2 * (1.2 + 0.4 + 0.9 + 0.3) * 1000, 1e-6);
}

}  // namespace
}  // namespace ld::test
