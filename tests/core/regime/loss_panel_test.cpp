// The lines of the loss panel: heads, rows and their columns.
#include "core/regime/loss_panel.h"

#include "core/engine/regime.h"
#include "regime_test.h"

namespace ld::test {
namespace {

using LossPanel = RegimeTest;

// The two nodes in district 5, calculated and written as the regime command writes them.
std::string TwoNodeScheme(const TempDir& dir) {
  SchemeBuilder s = TwoNodes();
  s.Branches[0].Nr = 5;
  const std::string path = s.Write(dir.Path());
  TRegime r;
  r.Accuracy = 1e-6;
  r.Calculate(path, 0, 0, 0, 0, 0);
  EXPECT_TRUE(r.Converged);
  r.WriteResults((dir.Path() / "sprav_UN.cat").string(), 0, false, false, 0, 5, 10, 0, true, nullptr, nullptr);
  return path;
}

TEST_F(LossPanel, HeadRowsAndDashesOfTheCalculatedScheme) {
  const std::string path = TwoNodeScheme(dir);
  TLossPanelFormat kw{false, true, 0};
  std::vector<std::string> lines = LossPanelPress(path, {}, kw, true);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Суммарные потери в схеме: dP схемы = 21.3 кВт");
  const std::string fields = "| Оборудование  |Uном| Принадлежность |";
  EXPECT_EQ(lines[2], fields + " dP сум | % | dQ сум | dP наг | % | dQ наг | dP х.х.| % | dQ х.х.|dP актив| % |dP реакт| % |");
  // all of it load losses, in X twice those in R; the reactive flow is a little the larger at the
  // middle of the line
  EXPECT_EQ(lines[4],
            "|               |     |                 |    21.3|100|    42.6|    21.3|100|    42.6|     0.0|  0|     0.0|"
            "    10.5| 49|    10.8| 51|");

  // megawatts; a second press has no head
  EXPECT_EQ(LossPanelPress(path, {}, TLossPanelFormat{false, false, 0}, true)[0],
            "Суммарные потери в схеме: dP схемы = 0.0 МВт");
  EXPECT_EQ(LossPanelPress(path, {5, 1, 10, 1}, TLossPanelFormat{false, true, 8191}, false).size(), 2u);
}

}  // namespace
}  // namespace ld::test
