// The period view of the time data: slices, the series of the graphs per slice, the loads read and
// the loads kept across a rebuilt model.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/base/dates.h"
#include "core/catalogs/graph_series.h"
#include "core/catalogs/graph_tables.h"
#include "core/engine/regime.h"
#include "core/engine/time_period.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "scheme_builder.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

struct Graph {
  int number;
  char quantity;
  std::function<double(int)> value;
};

class TimePeriod : public ::testing::Test {
protected:
  const TDateTime day = EncodeDate(2004, 3, 5);
  TempDir dir;
  SchemeBuilder s;
  TRegime r;
  std::vector<std::string> errors;
  ScriptedMsgBox box;

  TimePeriod() {
    MaketFileName = (DataDir() / "maket.zr").string();
    r.Errors = &errors;
  }
  std::string Path() const { return dir / "scheme"; }

  void Graphs(const std::vector<Graph>& graphs) const {
    const auto catalog = OpenGraphCatalog(Path());
    CreateColumns(*catalog, static_cast<int>(graphs.size()));
    TGraphCatalogCols c;
    FillGraphCatalogCols(*catalog, c);
    for (int row = 1; row <= c.RowCount; ++row) {
      const Graph& g = graphs[static_cast<std::size_t>(row - 1)];
      (*c.Ngr)[row] = g.number;
      (*c.Typ)[row] = kGraphSlices;
      (*c.Zam)[row] = g.quantity;
      (*c.Per)[row] = 3600;
      c.Unt->SetItem(row, "");
      DAdouble dates, data;
      std::string msg;
      ASSERT_TRUE(CountGraphPoints(true, 3600, dates, msg, day, day)) << msg;
      for (int k = 1; k <= dates.Count; ++k) data[k] = g.value(k);
      data.Count = dates.Count;
      ASSERT_TRUE(StoreGraphValues(Path(), g.number, dates, data));
    }
    WriteTableFile(Path() + catalog->Extention, *catalog);
  }
};

TEST_F(TimePeriod, GraphModeGivesEachSliceItsLoadsAndVoltagesAndFindsTheResultGraphs) {
  NodeSpec& source = s.Node(1, "B");
  source.Um = 10.5f;
  source.Ng_u = 13;
  NodeSpec& load = s.Node(2, "", 1, 0.5);
  load.Ng_n = 11;
  s.Node(3, "", 2, 1).Nq_n = -12;  // a result graph: the series of the given load
  s.Branch(2, 1, 1, 2);
  s.Branch(3, 2, 1, 2);
  Graphs({{11, 'P', [](int k) { return k * 0.1; }}, {13, 'U', [](int k) { return 10 + k * 0.01; }}});
  s.Write(dir.Path());
  r.ReadScheme(Path());
  ASSERT_TRUE(r.SchemeRead);
  r.ApplyTimeData(3, 3600, day, day, day + 1.0 / 24, true);

  TPeriodData p;
  std::string msg;
  ASSERT_TRUE(p.Capture(r, 3, 3600, day, day, msg)) << msg;
  ASSERT_EQ(p.SliceCount(), 24);
  EXPECT_DOUBLE_EQ(p.SliceEnd(1), 20040305.036);
  EXPECT_DOUBLE_EQ(p.SliceEnd(24), 20040306.0);
  EXPECT_DOUBLE_EQ(p.SliceHours(7), 1.0);
  EXPECT_DOUBLE_EQ(p.NodeVoltage(1, 5), 10.05);
  EXPECT_EQ(p.VoltagesByNodeRow(5), (std::vector<double>{0, 10.05}));
  EXPECT_EQ(p.VoltagesByNodeNumber(24), (std::map<std::int32_t, double>{{1, 10.24}}));
  EXPECT_DOUBLE_EQ(p.NodeVoltage(2, 5), 0);
  ASSERT_EQ(p.Graphs().size(), 3u);
  EXPECT_EQ(p.Graphs()[0].Quantity, TPeriodQuantity::Voltage);
  EXPECT_EQ(p.Graphs()[1].Quantity, TPeriodQuantity::LoadP);
  EXPECT_EQ(p.Graphs()[1].Number, 11);
  EXPECT_EQ(p.Graphs()[1].NodeRow, 2);
  EXPECT_EQ(p.Graphs()[2].Quantity, TPeriodQuantity::LoadQ);
  EXPECT_EQ(p.Graphs()[2].Number, -12);
  EXPECT_EQ(p.Graphs()[2].Values.size(), 24u);
  EXPECT_TRUE(p.HasResultGraphs());
  ASSERT_EQ(p.WorkingHours().size(), 4u);
  EXPECT_DOUBLE_EQ(p.WorkingHours()[3], 24.0);

  TRegimeElement& n2 = const_cast<TRegimeElement&>(*FindNode(r, 2));
  TRegimeElement& n3 = const_cast<TRegimeElement&>(*FindNode(r, 3));
  n3.Load1 = Complex(7, -7);  // a balanced load
  const TRegimeElement* zero = nullptr;
  ASSERT_TRUE(p.ApplySlice(r, 6, true, &zero));
  EXPECT_EQ(n2.Load1, Complex(0.6000000000000001, -0.5));  // Q without a graph as read
  EXPECT_EQ(n3.Load1, Complex(7, -1));
  EXPECT_NEAR(std::abs(FindNode(r, 1)->UNode), 10.06, 1e-12);
  EXPECT_NEAR(std::abs(FindNode(r, 1)->K), 10.06 / 110, 1e-12);
  ASSERT_TRUE(p.ApplySlice(r, 6, false, &zero));
  EXPECT_EQ(n3.Load1, Complex(2, -1));

  // The loads survive a rebuilt model by node row.
  n3.Load1 = Complex(3, -1.5);
  p.SaveLoads(r);
  r.ReadScheme(Path());
  ASSERT_TRUE(r.SchemeRead);
  p.RestoreLoads(r);
  EXPECT_EQ(FindNode(r, 3)->Load1, Complex(3, -1.5));
  EXPECT_EQ(FindNode(r, 3)->Load, Complex(3, -1.5));
}

// A slice whose graph gives the balancing node no voltage is refused before any iteration, naming the
// node; the slices around it are applied.
TEST_F(TimePeriod, ASliceWithoutVoltageOfTheBalancingNodeIsRefused) {
  NodeSpec& source = s.Node(1, "B");
  source.Um = 10.5f;
  source.Ng_u = 13;
  s.Node(2, "", 1, 0.5);
  s.Branch(2, 1, 1, 2);
  Graphs({{13, 'U', [](int k) { return k == 3 ? 0.0 : 10.0; }}});
  s.Write(dir.Path());
  r.ReadScheme(Path());
  ASSERT_TRUE(r.SchemeRead);
  r.ApplyTimeData(3, 3600, day, day, day + 1.0 / 24, true);
  TPeriodData p;
  std::string msg;
  ASSERT_TRUE(p.Capture(r, 3, 3600, day, day, msg)) << msg;
  const TRegimeElement* zero = nullptr;
  EXPECT_TRUE(p.ApplySlice(r, 2, false, &zero));
  EXPECT_EQ(zero, nullptr);
  EXPECT_FALSE(p.ApplySlice(r, 3, false, &zero));
  ASSERT_NE(zero, nullptr);
  EXPECT_EQ(zero->Number, 1);
  EXPECT_TRUE(p.ApplySlice(r, 4, false, &zero));
}

}  // namespace
}  // namespace ld::test
