// The state of a calculated moment: supply from the switching table, loads, voltages and ratios from
// the graphs, checked against the values worked out by hand and against schemes edited by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/catalogs/graph_series.h"
#include "core/catalogs/graph_tables.h"
#include "core/engine/regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "scheme_builder.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

// One switching operation: the branch row (N1, N2) before it and after it.
struct Operation {
  TDateTime when;
  std::int32_t n1, n2;
  const char* before;
  const char* after;
};

// A graph of one day stored hour by hour: value(k) ends at hour k.
struct Graph {
  int number;
  char quantity;
  std::string unit;
  std::function<double(int)> value;
};

class TimeData : public ::testing::Test {
protected:
  const TDateTime day = EncodeDate(2004, 3, 5);
  TempDir dir;
  SchemeBuilder s;
  TRegime r;
  std::vector<std::string> errors;
  ScriptedMsgBox box;

  TimeData() {
    MaketFileName = (DataDir() / "maket.zr").string();
    r.Errors = &errors;
    r.Accuracy = 1e-10;
  }

  std::string Path() const { return dir / "scheme"; }
  TDateTime At(double hours) const { return day + hours / 24; }
  double Packed(double hours) const { return DateTimeToPacked(At(hours)); }

  void Journal(const std::vector<Operation>& ops) const {
    TDataFile t;
    ReadMaket(LayoutSwitchLog, t);
    CreateColumns(t, static_cast<int>(ops.size()) * 2);
    TSwitchLogCols j;
    FillSwitchLogCols(t, j);
    int row = 0;
    for (const Operation& op : ops) {
      int y = 0, m = 0, d = 0, sec = 0, mins = 0, h = 0;
      DecodePackedDateTime(DateTimeToPacked(op.when), y, m, d, sec, mins, h);
      for (int ba = 0; ba <= 1; ++ba) {
        ++row;
        (*j.Date)[row] = y * 10000 + m * 100 + d;
        (*j.Hour)[row] = h;
        (*j.Mins)[row] = mins;
        (*j.BA)[row] = static_cast<std::uint8_t>(ba);
        (*j.N1)[row] = op.n1;
        (*j.N2)[row] = op.n2;
        const std::string letter = Utf8ToCp1251(ba == 0 ? op.before : op.after);
        (*j.Commut)[row] = letter.empty() ? 0 : letter[0];
      }
    }
    WriteTableFile(Path() + t.Extention, t);
  }

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
      c.Unt->SetItem(row, g.unit);
      DAdouble dates, data;
      std::string msg;
      ASSERT_TRUE(CountGraphPoints(true, 3600, dates, msg, day, day)) << msg;
      for (int k = 1; k <= dates.Count; ++k) data[k] = g.value(k);
      data.Count = dates.Count;
      ASSERT_TRUE(StoreGraphValues(Path(), g.number, dates, data));
    }
    WriteTableFile(Path() + catalog->Extention, *catalog);
  }

  void Read() {
    s.Write(dir.Path());
    r.ReadScheme(Path());
    ASSERT_TRUE(r.SchemeRead) << (errors.empty() ? "" : errors[0]);
  }

  const TRegimeElement& Node(std::int32_t ns) const {
    const TRegimeElement* e = FindNode(r, ns);
    EXPECT_NE(e, nullptr) << "node " << ns;
    return *e;
  }
  double Hours(int row) const { return r.SupplyHours.at(static_cast<std::size_t>(row)); }
};

void ExpectComplex(Complex actual, Complex expected, double tolerance, const std::string& what) {
  EXPECT_NEAR(actual.real(), expected.real(), tolerance) << what;
  EXPECT_NEAR(actual.imag(), expected.imag(), tolerance) << what;
}

TEST_F(TimeData, SwitchingMomentsAreRoundedToTheStepAndGiveTheHoursOfSupply) {
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1, 0.5).Um = 10;
  NodeSpec& n3 = s.Node(3);
  n3.Um = 10;
  n3.WPn = 2700;  // kWh over the day
  n3.WQn = 1350;
  s.Branch(2, 1, 1, 2);
  s.Branch(3, 2, 1, 2);
  // The branch table shows the state of today, after all four operations; the day before and the
  // day after lie outside the period.
  Journal({{day - 0.5, 3, 2, "", "О"},
           {At(10 + 10 / 60.0), 3, 2, "О", ""},
           {At(23 + 50 / 60.0), 3, 2, "", "О"},
           {day + 1 + 8 / 24.0, 3, 2, "О", ""}});
  Read();

  // Half-hour slices: 10:10 acts at 10:30, 23:50 at 0:00 of the next day, the end of the period.
  r.ApplyTimeData(3, 1800, day, day, At(12), false);
  EXPECT_FALSE(r.ModelError) << (errors.empty() ? "" : errors[0]);
  ASSERT_EQ(r.SwitchMoments.size(), 3u);
  EXPECT_NEAR(r.SwitchMoments[0], DateTimeToPacked(day + 1), 1e-6);
  EXPECT_NEAR(r.SwitchMoments[1], Packed(10.5), 1e-6);
  EXPECT_NEAR(r.SwitchMoments[2], DateTimeToPacked(day + 1), 1e-6);
  EXPECT_DOUBLE_EQ(Hours(1), 24);
  EXPECT_DOUBLE_EQ(Hours(2), 24);
  EXPECT_NEAR(Hours(3), 13.5, 1e-9);
  // The energy of the day spread over the hours in which node 3 had supply.
  ExpectComplex(Node(3).Load1, Complex(2.7 / 13.5, -1.35 / 13.5), 1e-12, "energy at noon");
  ExpectComplex(Node(2).Load1, Complex(1, -0.5), 0, "node 2 keeps its load");

  // The mean load of the day takes the moments as they are; off at 8:00 gives no load in slices.
  r.ApplyTimeData(0, 1800, day, day, At(12), false);
  ASSERT_EQ(r.SwitchMoments.size(), 3u);
  EXPECT_NEAR(r.SwitchMoments[1], Packed(10 + 10 / 60.0), 1e-6);
  EXPECT_NEAR(r.SwitchMoments[2], Packed(23 + 50 / 60.0), 1e-6);
  EXPECT_NEAR(Hours(3), 24 - 10 - 2 / 6.0, 1e-9);
  ExpectComplex(Node(3).Load1, Complex(2.7, -1.35) / (24 - 10 - 2 / 6.0), 1e-12, "energy, mean");
  r.ApplyTimeData(3, 1800, day, day, At(8), false);
  ExpectComplex(Node(3).Load1, Complex(0, 0), 0, "energy while off");
}

TEST_F(TimeData, SupplyFollowsLoopsAndUnsuppliedPartsAndUnknownBranchesGoToErrorsOnly) {
  s.Node(1, "B").Um = 10.5f;
  for (int ns = 2; ns <= 5; ++ns) s.Node(ns, "", 0.1, 0.05).Um = 10;
  s.Branch(1, 2, 1, 2);
  s.Branch(2, 3, 1, 2);  // closes the ring 1-2-3
  s.Branch(3, 1, 1, 2);
  s.Branch(2, 4, 1, 2).Commut = "О";
  s.Branch(4, 5, 1, 2);
  // The tables show the state at the start of the day.
  Journal({{At(6), 3, 1, "", "О"},
           {At(10), 2, 3, "", "О"},
           {At(12), 2, 4, "О", ""},
           {At(16), 3, 1, "О", ""},
           {At(18), 7, 8, "", "О"}});
  s.Write(dir.Path());
  WriteCurDateSwt(Path(), day);
  Read();
  r.ShowMessages = true;

  r.ApplyTimeData(0, 0, day, day, At(12), false);
  EXPECT_EQ(r.SwitchMoments.size(), 6u);
  EXPECT_DOUBLE_EQ(Hours(2), 24);
  EXPECT_NEAR(Hours(3), 24 - 6, 1e-9);  // fed round the ring until the second branch went off
  EXPECT_NEAR(Hours(4), 12, 1e-9);      // without supply in the tables until switched on
  EXPECT_NEAR(Hours(5), 12, 1e-9);
  EXPECT_EQ(errors, std::vector<std::string>{"Таблица переключений: Ветвь 7 - 8 не найдена в таблице ветвей схемы"});
  EXPECT_TRUE(r.ModelError);
  EXPECT_TRUE(box.Calls().empty());
}

TEST_F(TimeData, WithoutSwitchingTableAndGraphsNothingChanges) {
  s.Node(1, "B").Um = 10.5f;
  NodeSpec& n2 = s.Node(2, "", 1.2, 0.4);
  n2.Um = 10;
  n2.Pg = 0.3;
  n2.Qg = 0.1;
  s.Node(3, "U").Um = 10.2f;
  s.Branch(2, 1, 1, 2);
  s.Branch(3, 2, 1, 2).Kta = 1.05f;
  Read();
  struct State {
    Complex Load1, Load2, Load, K, UNode;
    double Um, R;
  };
  std::vector<State> before;
  for (const TRegimeElement* e = r.Root; e != nullptr; e = e->NextInTree)
    before.push_back({e->Load1, e->Load2, e->Load, e->K, e->UNode, e->Um, e->R});

  r.ApplyTimeData(3, 3600, day, day, At(10), false);
  EXPECT_FALSE(r.ModelError);
  EXPECT_TRUE(errors.empty());
  std::size_t i = 0;
  for (const TRegimeElement* e = r.Root; e != nullptr; e = e->NextInTree, ++i) {
    const State& b = before.at(i);
    EXPECT_TRUE(e->Load1 == b.Load1 && e->Load2 == b.Load2 && e->Load == b.Load && e->K == b.K &&
                e->UNode == b.UNode && e->Um == b.Um && e->R == b.R)
        << "element " << e->Number;
  }
  EXPECT_EQ(r.SwitchMoments, std::vector<double>{DateTimeToPacked(day + 1)});
  EXPECT_EQ(r.SupplyHours, (std::vector<double>{0, 24, 24, 24}));
}

TEST_F(TimeData, LoadsOfTheMomentComeFromTheGraphs) {
  s.Node(1, "B").Um = 10.5f;
  NodeSpec& n2 = s.Node(2, "", 2, 1);
  n2.Ng_n = 11;
  n2.Nq_n = 12;
  NodeSpec& n3 = s.Node(3);
  n3.Pg = 0.5;
  n3.Qg = 0.1;
  n3.Ng_g = 13;
  s.Node(4, "", 0.3, 0.1).Ng_n = 99;
  NodeSpec& n5 = s.Node(5);
  n5.WPn = 2400;
  n5.Ng_n = 98;
  s.Node(6, "", 0.7, 0.2);
  for (int ns = 2; ns <= 6; ++ns) s.Nodes[static_cast<std::size_t>(ns - 1)].Um = 10;
  for (int ns = 2; ns <= 5; ++ns) s.Branch(ns, 1, 1, 2);
  s.Branch(6, 1, 1, 2).Commut = "О";
  Graphs({{11, 'P', "%", [](int k) { return 10.0 * k; }},
          {12, 'Q', "кВАр", [](int k) { return 100.0 * k; }},
          {13, 'P', "кВт", [](int k) { return 20.0 * k; }}});
  Read();

  r.ApplyTimeData(3, 3600, day, day, At(10), false);
  ExpectComplex(Node(2).Load1, Complex(2 * 100.0 / 240, -1.0), 1e-12, "relative P, Q in kvar");
  ExpectComplex(Node(3).Load2, Complex(-0.2, 0.1), 1e-12, "generation in kW");
  ExpectComplex(Node(3).Load, Node(3).Load1 + Node(3).Load2, 0, "sum");
  ExpectComplex(Node(4).Load1, Complex(0.3, -0.1), 0, "missing graph keeps the load");
  ExpectComplex(Node(5).Load1, Complex(2.4 / 24, 0), 1e-12, "missing graph spreads the energy");
  ExpectComplex(Node(6).Load, Complex(0, 0), 0, "no supply");
  EXPECT_EQ(errors, (std::vector<std::string>{"Схема \"Тестовая схема\". График № 99 не найден, узел 4",
                                              "Схема \"Тестовая схема\". График № 98 не найден, узел 5"}));
  EXPECT_TRUE(r.ModelError);
}

TEST_F(TimeData, VoltageGraphsSetSourcesAndFixedVoltageNodes) {
  NodeSpec& n1 = s.Node(1, "B");
  n1.Um = 10.5f;
  n1.Angle = 30;
  n1.Ng_u = 5;
  NodeSpec& n2 = s.Node(2, "B");
  n2.Um = 10;
  n2.Ng_u = 7;
  NodeSpec& n3 = s.Node(3, "U");
  n3.Um = 10;
  n3.Ng_u = 6;
  s.Node(4, "", 0.5, 0.2).Um = 10;
  NodeSpec& n5 = s.Node(5, "B");
  n5.Um = 10;
  n5.Ng_u = 8;
  s.Branch(3, 1, 1, 2);
  s.Branch(4, 3, 1, 2);
  s.Branch(5, 4, 1, 2);
  Graphs({{5, 'U', "кВ", [](int k) { return 10 + k / 10.0; }},
          {6, 'U', "%", [](int k) { return 90 + k / 2.0; }},
          {7, 'U', "кВ", [](int k) { return k == 10 ? 0.0 : 10.0; }}});
  Read();

  r.ApplyTimeData(3, 3600, day, day, At(10), false);
  const double a = 30 * std::numbers::pi / 180;
  ExpectComplex(Node(1).UNode, std::polar(11.0, a), 1e-12, "balancing node keeps its angle");
  ExpectComplex(Node(1).K, std::polar(11.0, a) / 110.0, 1e-12, "its ratio");
  EXPECT_NEAR(std::abs(Node(2).UNode), 1e-7, 1e-15);
  const TRegimeElement* fixed = nullptr;
  for (const TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next)
    if (e->Number == 3 && (e->Flags & (efFixedVoltage | efLoopClosing)) == (efFixedVoltage | efLoopClosing)) fixed = e;
  ASSERT_NE(fixed, nullptr);
  EXPECT_NEAR(fixed->Um, 95 * 10 / 102.0, 1e-12);  // a relative graph shaped to the set voltage
  ExpectComplex(fixed->K, Complex(95 * 10 / 102.0 / 110, 0), 1e-12, "fixed-voltage ratio");
  EXPECT_EQ(errors, (std::vector<std::string>{"Схема \"Тестовая схема\". График напряжений № 7: U = 0",
                                              "Схема \"Тестовая схема\". График напряжений № 8 не найден, узел 5"}));

  // Another moment starts from the tables again, not from 11 kV.
  errors.clear();
  r.ModelError = false;
  r.ApplyTimeData(3, 3600, day, day, At(20), false);
  ExpectComplex(Node(1).UNode, std::polar(12.0, a), 1e-12, "20:00");
  EXPECT_NEAR(fixed->Um, 100 * 10 / 102.0, 1e-12);
}

TEST_F(TimeData, RatioGraphsActAsTheTableRatioOfTheMoment) {
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 0.5, 0.2).Um = 0.4f;
  s.Node(3, "", 0.1, 0.05).Um = 0.4f;
  // Row 1 is turned round by model building, so its ratio is inverted in the model.
  BranchSpec& t1 = s.Branch(1, 2, 0.8, 4);
  t1.Kta = 0.04f;
  t1.Ng_kta = 21;
  BranchSpec& t2 = s.Branch(3, 2, 0.01, 0.02);
  t2.Kta = 1;
  t2.Ng_ktr = 22;
  Graphs({{21, 'k', "", [](int k) { return k <= 12 ? 0.04 : 0.05; }},
          {22, 'k', "", [](int k) { return k <= 12 ? 0.0 : 0.02; }}});
  Read();

  TRegime byHand;
  SchemeBuilder edited = s;
  edited.Branches[0].Kta = 0.05f;
  edited.Branches[0].Ng_kta = 0;
  edited.Branches[1].Ktr = 0.02f;
  edited.Branches[1].Ng_ktr = 0;
  TempDir other;
  edited.Read(byHand, other.Path());
  ASSERT_TRUE(byHand.SchemeRead);

  r.ApplyTimeData(3, 3600, day, day, At(14), false);
  EXPECT_FALSE(r.ModelError);
  for (int row = 1; row <= 2; ++row) {
    const TRegimeElement* e = FindBranch(r, row);
    const TRegimeElement* h = FindBranch(byHand, row);
    ASSERT_TRUE(e != nullptr && h != nullptr);
    ExpectComplex(e->K, h->K, 1e-6, "ratio of row " + std::to_string(row));
    EXPECT_NEAR(e->R, h->R, 1e-6 * h->R) << "row " << row;
    EXPECT_NEAR(e->X, h->X, 1e-6 * h->X) << "row " << row;
  }

  // Matrices formed with one moment's ratios are not used for another's.
  r.FormMatrices();
  ASSERT_TRUE(r.MatricesFormed);
  r.ApplyTimeData(3, 3600, day, day, At(14), false);
  EXPECT_TRUE(r.MatricesFormed);
  r.ApplyTimeData(3, 3600, day, day, At(10), false);
  EXPECT_FALSE(r.MatricesFormed);
  EXPECT_NEAR(std::abs(FindBranch(r, 1)->K), 25, 1e-4);
}

TEST_F(TimeData, KeptSeriesGoToTheCacheUnderSlotNumbers) {
  NodeSpec& n1 = s.Node(1, "B");
  n1.Um = 10.5f;
  n1.Ng_u = 13;
  NodeSpec& n2 = s.Node(2, "", 1, 0.5);
  n2.Um = 10;
  n2.Ng_n = 11;
  n2.Nq_n = 12;
  s.Branch(2, 1, 1, 2).Ng_kta = 14;
  Graphs({{11, 'P', "", [](int k) { return k; }},
          {12, 'Q', "", [](int k) { return k / 2.0; }},
          {13, 'U', "", [](int) { return 10.6; }},
          {14, 'k', "", [](int) { return 1.1; }}});
  Read();

  r.ApplyTimeData(3, 3600, day, day, At(10), true);
  EXPECT_FALSE(r.ModelError) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(r.CachedGraphs, (std::vector<std::int32_t>{13, 11, 12, 14}));
  ASSERT_EQ(r.GraphCache.size(), 4u);
  ASSERT_EQ(r.GraphCache[1].size(), 24u);
  EXPECT_DOUBLE_EQ(r.GraphCache[1][9], 10);
  EXPECT_DOUBLE_EQ(r.GraphCache[2][23], 12);
  const TRegimeElement& n = Node(2);
  EXPECT_EQ(Node(1).Ng_u, 1);
  EXPECT_TRUE(n.Ng_n == 2 && n.Nq_n == 3 && n.Ng_kta == 4);
  ExpectComplex(n.K, Complex(1, 0), 0, "a kept ratio graph leaves the ratio");

  // Without keeping, the same model refers to the graphs again.
  r.ApplyTimeData(3, 3600, day, day, At(10), false);
  EXPECT_TRUE(r.GraphCache.empty());
  EXPECT_TRUE(n.Ng_n == 11 && n.Nq_n == 12 && n.Ng_kta == 14 && Node(1).Ng_u == 13);
  ExpectComplex(n.K, Complex(1.1, 0), 1e-12, "ratio of the moment");
}

// The scheme calculated at two moments of a day equals the scheme edited by hand to each moment.
TEST_F(TimeData, CalculatedMomentsMatchSchemesEditedByHand) {
  const auto pattern = [](int k) { return 50.0 + 2 * k; };  // per cent, largest 98 at 24:00
  s.Node(1, "B").Um = 10.5f;
  NodeSpec& n2 = s.Node(2, "", 1.2, 0.5);
  n2.Um = 10;
  n2.Ng_n = 31;
  NodeSpec& n3 = s.Node(3, "", 0.8, 0.3);
  n3.Um = 10;
  n3.Ng_n = 31;
  s.Node(4, "", 0.6, 0.2).Um = 10;  // no graph: only the switching acts on it
  s.Branch(2, 1, 1.2, 2.0);
  s.Branch(3, 2, 0.9, 1.6);
  s.Branch(4, 2, 1.5, 2.4);
  Graphs({{31, 'P', "%", pattern}});
  Journal({{At(12), 4, 2, "", "О"}});
  s.Write(dir.Path());
  WriteCurDateSwt(Path(), day);

  const auto byHand = [&](double hour, bool off) {
    SchemeBuilder edited = s;
    edited.Nodes[1].Pn = 1.2 * pattern(static_cast<int>(hour)) / 98;
    edited.Nodes[2].Pn = 0.8 * pattern(static_cast<int>(hour)) / 98;
    edited.Nodes[1].Ng_n = edited.Nodes[2].Ng_n = 0;
    if (off) edited.Branches[2].Commut = "О";
    return edited;
  };
  const auto compare = [&](double hour, bool off) {
    r.Calculate(Path(), 3, day, day, At(hour), 3600);
    ASSERT_TRUE(r.Converged && !r.ModelError) << hour << (errors.empty() ? "" : errors[0]);
    TRegime h;
    h.Accuracy = r.Accuracy;
    TempDir other;
    const std::string path = byHand(hour, off).Write(other.Path());
    h.Calculate(path, 0, 0, 0, 0, 0);
    ASSERT_TRUE(h.Converged);
    for (int ns = 1; ns <= (off ? 3 : 4); ++ns)
      ExpectComplex(Node(ns).U, FindNode(h, ns)->U, 1e-8, "U" + std::to_string(ns) + " at " + std::to_string(hour));
    for (int row = 1; row <= 3; ++row)
      ExpectComplex(FindBranch(r, row)->I, FindBranch(h, row)->I, 1e-8,
                    "I of row " + std::to_string(row) + " at " + std::to_string(hour));
    EXPECT_NEAR(r.TotalLosses(), h.TotalLosses(), 1e-10) << hour;
  };
  compare(10, false);
  compare(14, true);
  compare(10, false);  // the first moment again, from the same model
}

}  // namespace
}  // namespace ld::test
