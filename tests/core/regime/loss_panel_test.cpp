// The lines of the loss panel: heads, rows and their columns, and the choices of the branch table.
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
  EXPECT_EQ(lines[1], std::string(39 + 8 * 9 + 5 * 4, '-'));
  EXPECT_EQ(lines[3], lines[1]);
  // all of it load losses, in X twice those in R; the reactive flow is a little the larger at the
  // middle of the line
  EXPECT_EQ(lines[4],
            "|               |     |                 |    21.3|100|    42.6|    21.3|100|    42.6|     0.0|  0|     0.0|"
            "    10.5| 49|    10.8| 51|");
  EXPECT_EQ(lines[5], std::string(Utf8Length(lines[4]), '-'));

  // megawatts; a second press has no head; a district, its name missing without a district file
  TLossPanelFormat mw{false, false, 0};
  EXPECT_EQ(LossPanelPress(path, {}, mw, true)[0], "Суммарные потери в схеме: dP схемы = 0.0 МВт");
  lines = LossPanelPress(path, {5, 1, 10, 1}, TLossPanelFormat{false, true, 8191}, false);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "|Линии          |10  |Основные сети   | Район:5 ");
  EXPECT_EQ(lines[1], std::string(39, '-'));
  EXPECT_EQ(LossPanelHead({}, TLossPanelFormat{false, true, 8191})[2], fields);

  // the district's name from the scheme's districts; another voltage selects nothing: every % shows 0
  TDataFile areas;
  ReadMaket(LayoutSchemeAreas, areas);
  CreateColumns(areas, 1);
  TNumberColumn("Nr", areas).Set(1, 5);
  TTextColumn("Name", areas).Set(1, "Заречный");
  WriteTableFile(path + GetMaketExtention(LayoutSchemeAreas), areas);
  EXPECT_EQ(LossPanelPress(path, {5, 0, 0, 0}, TLossPanelFormat{false, true, 8191}, false)[0],
            "|               |     |                 | Район:5 Заречный");
  EXPECT_EQ(LossPanelRow({}, {}, TLossPanelFormat{false, true, ~2 & 8191}, "")[0],
            "|               |     |                 |  0|");
}

TEST_F(LossPanel, EnergyColumnsAndChoicesOfTheBranchTable) {
  TLossSums w;
  w.dPTotal = 123456;
  w.dPLoad = 100000;
  w.dQLoad = 2500.4;
  const TLossPanelFormat mwh{true, false, 8191 & ~(1 | 4)}, kwh{true, true, 8191 & ~1};
  EXPECT_EQ(LossPanelHead(w, mwh)[0], "Суммарные потери в схеме: dWP схемы = 123 МВт*час");
  EXPECT_EQ(LossPanelHead(w, mwh)[2], "| Оборудование  |Uном| Принадлежность |  dWP сум |  dWQ сум |");
  EXPECT_EQ(LossPanelHead(w, kwh)[0], "Суммарные потери в схеме: dWP схемы = 123456 кВт*час");
  EXPECT_EQ(LossPanelRow(w, {}, mwh, "")[0], "|               |     |                 |       100|         3|");
  EXPECT_EQ(LossPanelRow(w, {}, kwh, "")[0], "|               |     |                 |    100000|");

  // energy tables missing: an empty head and a row of zeros
  const auto lines = LossPanelPress((dir.Path() / "none").string(), {}, kwh, true);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Суммарные потери в схеме: dWP схемы = 0 кВт*час");

  TDataFile branches;
  ReadMaket(LayoutBranches, branches);
  CreateColumns(branches, 5);
  const double ul[] = {10, 0.4, 10, 0, 35}, nr[] = {3, 1, 0, 3, 2};
  for (int row = 1; row <= 5; ++row) {
    TNumberColumn("Ul", branches).Set(row, ul[row - 1]);
    TNumberColumn("Nr", branches).Set(row, nr[row - 1]);
  }
  const TLossChoices c = LossPanelChoices(branches);
  EXPECT_EQ(c.Voltages, (std::vector<std::string>{"0.4", "10", "35"}));
  EXPECT_EQ(c.Districts, (std::vector<std::int32_t>{1, 2, 3}));
}

}  // namespace
}  // namespace ld::test
