// The result views built from calculated node and branch tables.
#include "core/regime/result_views.h"

#include <cmath>

#include "core/regime/configuration.h"
#include "regime_test.h"

namespace ld::test {
namespace {

using ResultViews = RegimeTest;

// Branch rows as the regime calculation leaves them: end voltages and the current through R + jX.
struct Calculated {
  int nr = 0, n1 = 0, n2 = 0, tz = 0;
  float r = 0, x = 0, kta = 0, idop = 0, sdop = 0, irez = 0;
  std::uint8_t mark = 0;
};

TDataFile Branches(const std::vector<Calculated>& rows) {
  TDataFile t;
  ReadMaket(LayoutBranches, t);
  CreateColumns(t, static_cast<int>(rows.size()));
  t.Title = "Расчет";
  TBranchCols b;
  FillBranchCols(t, b);
  for (int row = 1; row <= static_cast<int>(rows.size()); ++row) {
    const Calculated& c = rows[static_cast<std::size_t>(row - 1)];
    (*b.Nr)[row] = c.nr, (*b.N1)[row] = c.n1, (*b.N2)[row] = c.n2, (*b.Tz)[row] = static_cast<std::uint8_t>(c.tz);
    (*b.R)[row] = c.r, (*b.X)[row] = c.x, (*b.Kta)[row] = c.kta, (*b.Idop)[row] = c.idop, (*b.Sdop)[row] = c.sdop;
    (*b.Irez)[row] = c.irez, (*b.U1)[row] = 10, (*b.U2)[row] = 10, (*b.Ul)[row] = 10;
    b.Name1->SetItem(row, "Узел " + std::to_string(c.n1));
    (*t.MarkRec)[row] = c.mark;
  }
  return t;
}

TEST_F(ResultViews, VoltagesAgainstNominalOfSources) {
  const NominalVoltages classes({6, 10, 35});
  SchemeBuilder s;
  for (auto [ns, sign, um, urez] : {std::tuple{1, "B", 10.5f, 10.5}, std::tuple{2, "u", 36.f, 36.4},
                                    std::tuple{3, "", 10.5f, 9.45}, std::tuple{4, "", 10.f, 0.0}}) {
    NodeSpec& n = s.Node(ns, sign);
    n.Um = um, n.Urez = urez;  // node 4 never calculated: no deviation
  }
  TDataFile nodes = ReadTable(s.Write(dir.Path()) + ".UZL"), view;

  BuildVoltageView(nodes, {}, view);
  TSectionCols v;
  FillSectionCols(view, v);
  ASSERT_EQ(view.RowCount, 4);
  // sources against their class, an ordinary node against its own
  const double expected[][2] = {{10, 5}, {35, 4}, {10.5, -10}, {10, 0}};
  for (int r = 1; r <= 4; ++r) {
    EXPECT_FLOAT_EQ((*v.Um)[r], expected[r - 1][0]) << r;
    EXPECT_NEAR((*v.dU)[r], expected[r - 1][1], 1e-4) << r;
  }
}

TEST_F(ResultViews, LoadingMostLoadedFirstAndPowersScaled) {
  const TDataFile branches = Branches({{1, 1, 2, 0, 1, 2, 0, 200, 0, 100},   // 50 %
                                       {1, 2, 3, 0, 1, 2, 0, 0, 0, 300},     // no permitted current
                                       {2, 3, 4, 0, 1, 2, 0, 200, 0, 150},   // 75 %
                                       {1, 4, 5, 0, 1, 4, 0.04f, 0, 400, 20},  // a transformer
                                       {1, 5, 6, 0, 1, 4, 0.04f, 0, 0, 10}});
  TDataFile view;
  BuildLoadView(branches, true, {}, view);
  TLineLoadCols l;
  FillLineLoadCols(view, l);
  ASSERT_EQ(view.RowCount, 3);
  EXPECT_EQ((std::vector<double>{double((*l.N1)[1]), (*l.Ip)[1], double((*l.N1)[2]), (*l.Ip)[2], double((*l.N1)[3]),
                                 (*l.Ip)[3], (*l.Irez)[3]}),
            (std::vector<double>{3, 75, 1, 50, 2, 0, 300}));
  EXPECT_EQ(l.Name1->GetItem(1), "Узел 3");
  // 10 kV, 150 A in phase with the voltage: P = √3·10·0.15 MW
  EXPECT_NEAR((*l.Pn)[1], std::sqrt(3.0) * 1.5, 1e-3);
}

TEST_F(ResultViews, LossesOfTheDistributedLoadTakeAThirdOfTheImpedance) {
  const TDataFile branches = Branches({{1, 1, 2, 0, 1, 2, 0, 0, 0, 100}, {1, 2, 3, 1, 1, 2, 0, 0, 0, 100}});
  TDataFile view;
  BuildLossView(branches, true, {}, view);
  TLineLossCols l;
  FillLineLossCols(view, l);
  ASSERT_EQ(view.RowCount, 2);
  // three phases of 100 A through 1 + j2 Ω, a third of them for the distributed load
  EXPECT_NEAR((*l.Plin)[1], 0.03, 1e-6);
  EXPECT_NEAR((*l.Qlin)[1], 0.06, 1e-6);
  EXPECT_NEAR((*l.Plin)[2], 0.01, 1e-6);
}

}  // namespace
}  // namespace ld::test
