// The state of a calculated moment: supply from the switching table, loads, voltages and ratios from
// the graphs, checked against values worked out by hand and against schemes edited by hand.
#include <gtest/gtest.h>

#include <complex>
#include <functional>
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

// One switching operation: the commutation of branch row (N1, N2) before and after it.
struct Operation {
  TDateTime when;
  std::int32_t n1, n2;
  const char *before, *after;
};

// A graph of one day, hourly: value(k) ends at hour k.
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
  // A row of the scheme; `more` sets whatever else it needs.
  void N(std::int32_t ns, const char* sign, float um, const std::function<void(NodeSpec&)>& more = {}) {
    NodeSpec& n = s.Node(ns, sign);
    n.Um = um;
    if (more) more(n);
  }
  void B(std::int32_t n1, std::int32_t n2, double r, double x, const std::function<void(BranchSpec&)>& more = {}) {
    BranchSpec& b = s.Branch(n1, n2, r, x);
    if (more) more(b);
  }

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
        (*j.Commut)[row] = Utf8ToCp1251(ba == 0 ? op.before : op.after).c_str()[0];
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

  const TRegimeElement& Node(std::int32_t ns) const { return *FindNode(r, ns); }
  // The model calculated at `hour` against the scheme edited by hand to that moment.
  void ExpectLikeEdited(int hour, const SchemeBuilder& edited) {
    r.Calculate(Path(), 3, day, day, At(hour), 3600);
    ASSERT_TRUE(r.Converged && !r.ModelError) << hour << (errors.empty() ? "" : errors[0]);
    TRegime h;
    h.Accuracy = r.Accuracy;
    TempDir other;
    h.Calculate(edited.Write(other.Path()), 0, 0, 0, 0, 0);
    ASSERT_TRUE(h.Converged);
    const std::string at = " at " + std::to_string(hour);
    for (const TRegimeElement* e = h.FirstElement; e != nullptr; e = e->Next) {
      if ((e->Flags & (efLoopClosing | efUnsupplied)) != 0 || e == h.Root) continue;
      ExpectComplex(Node(e->Number).U, e->U, 1e-8, "U of node " + std::to_string(e->Number) + at);
    }
    EXPECT_NEAR(r.TotalLosses(), h.TotalLosses(), 1e-10) << at;
  }
  // The scheme with the loads of "%" graphs (largest value 98) scaled to the moment.
  SchemeBuilder LoadsAt(double percent) const {
    SchemeBuilder edited = s;
    for (NodeSpec& n : edited.Nodes) {
      if (n.Ng_n != 0) n.Pn *= percent / 98;
      n.Ng_n = 0;
    }
    return edited;
  }
  double Hours(int row) const { return r.SupplyHours.at(static_cast<std::size_t>(row)); }
};

TEST_F(TimeData, SwitchingMomentsAreRoundedToTheStepAndGiveTheHoursOfSupply) {
  N(1, "B", 10.5f);
  N(2, "", 10, [](NodeSpec& n) { n.Pn = 1; n.Qn = 0.5; });
  N(3, "", 10, [](NodeSpec& n) { n.WPn = 2700; n.WQn = 1350; });  // energies of the day, kWh and kvarh
  B(2, 1, 1, 2);
  B(3, 2, 1, 2);
  // The tables show today's state, after all four operations; the first and the last lie outside
  // the day calculated.
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
  EXPECT_NEAR(r.SwitchMoments[1], DateTimeToPacked(At(10.5)), 1e-6);
  EXPECT_NEAR(r.SwitchMoments[2], DateTimeToPacked(day + 1), 1e-6);
  EXPECT_EQ(r.SupplyHours, (std::vector<double>{0, 24, 24, 13.5}));
  // The energy of the day spread over the hours in which the node had supply.
  ExpectComplex(Node(3).Load1, Complex(2.7, -1.35) / 13.5, 1e-12, "energy at noon");
  ExpectComplex(Node(2).Load1, Complex(1, -0.5), 0, "node 2 keeps its load");
  r.ApplyTimeData(3, 1800, day, day, At(8), false);
  ExpectComplex(Node(3).Load1, Complex(0, 0), 0, "no supply at 8:00");

  // The mean load of the day takes the moments as they are.
  r.ApplyTimeData(0, 1800, day, day, At(12), false);
  ASSERT_EQ(r.SwitchMoments.size(), 3u);
  EXPECT_NEAR(r.SwitchMoments[1], DateTimeToPacked(At(10 + 10 / 60.0)), 1e-6);
  EXPECT_NEAR(r.SwitchMoments[2], DateTimeToPacked(At(23 + 50 / 60.0)), 1e-6);
  EXPECT_NEAR(Hours(3), 24 - 10 - 2 / 6.0, 1e-9);
  ExpectComplex(Node(3).Load1, Complex(2.7, -1.35) / Hours(3), 1e-12, "energy, mean");
}

TEST_F(TimeData, SupplyFollowsLoopsAndUnsuppliedPartsAndUnknownBranchesGoToErrorsOnly) {
  N(1, "B", 10.5f);
  for (int ns = 2; ns <= 5; ++ns) N(ns, "", 10, [](NodeSpec& n) { n.Pn = 0.1; n.Qn = 0.05; });
  B(1, 2, 1, 2);
  B(2, 3, 1, 2);  // closes the ring 1-2-3
  B(3, 1, 1, 2);
  B(2, 4, 1, 2, [](BranchSpec& b) { b.Commut = "О"; });
  B(4, 5, 1, 2);
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
  // Node 3 is fed round the ring until its second branch goes off; 4 and 5, without supply in the
  // tables, have it from noon.
  EXPECT_EQ(r.SupplyHours, (std::vector<double>{0, 24, 24, 18, 12, 12}));
  EXPECT_EQ(errors, std::vector<std::string>{"Таблица переключений: Ветвь 7 - 8 не найдена в таблице ветвей схемы"});
  EXPECT_TRUE(r.ModelError);
  EXPECT_TRUE(box.Calls().empty());
}

TEST_F(TimeData, CalculatedMomentsMatchTheSchemeEditedByHandToEachMoment) {
  const auto percent = [](int k) { return 50.0 + 2 * k; };  // largest 98 at 24:00
  N(1, "B", 10.5f);
  N(2, "", 10, [](NodeSpec& n) { n.Pn = 1.2; n.Qn = 0.5; n.Ng_n = 31; });
  N(3, "", 10, [](NodeSpec& n) { n.Pn = 0.8; n.Qn = 0.3; n.Ng_n = 31; });
  N(4, "", 10, [](NodeSpec& n) { n.Pn = 0.6; n.Qn = 0.2; });  // no graph: only the switching acts on it
  B(2, 1, 1.2, 2);
  B(3, 2, 0.9, 1.6, [](BranchSpec& b) { b.Kta = 1; b.Ng_ktr = 32; });  // the ratio's imaginary part by graph
  B(4, 2, 1.5, 2.4);
  Graphs({{31, 'P', "%", percent}, {32, 'k', "", [](int k) { return k <= 12 ? 0.0 : 0.02; }}});
  Journal({{At(12), 4, 2, "", "О"}});
  s.Write(dir.Path());
  WriteCurDateSwt(Path(), day);

  const auto compare = [&](int hour, bool off) {
    SchemeBuilder edited = LoadsAt(percent(hour));
    if (off) edited.Branches[2].Commut = "О";
    edited.Branches[1].Ktr = hour <= 12 ? 0.0f : 0.02f;
    edited.Branches[1].Ng_ktr = 0;
    ExpectLikeEdited(hour, edited);
  };
  compare(10, false);
  compare(14, true);
  compare(10, false);  // the first moment again, on the same model
  // Matrices formed with one moment's ratios are not kept for another's.
  r.FormMatrices();
  r.ApplyTimeData(3, 3600, day, day, At(14), false);
  EXPECT_FALSE(r.MatricesFormed);
}

TEST_F(TimeData, CutMovedBetweenMomentsKeepsTheTablesValuesOfEachNodeAndBranch) {
  // Two feeders joined by a regulating tie open at node 5. Moving the cut to 3-2 hands node 3 over to
  // the tie, which is turned round to feed it; the next moment must still scale node 3's own given load
  // and set the tie's ratio from its table values, whichever element now carries them and whichever way
  // round.
  const auto percent = [](int k) { return 50.0 + 2 * k; };
  const auto ratio = [](int k) { return k <= 12 ? 0.98 : 1.03; };
  N(1, "B", 10.5f);
  N(2, "", 10, [](NodeSpec& n) { n.Pn = 0.5; n.Qn = 0.2; });
  N(3, "", 10, [](NodeSpec& n) { n.Pn = 0.8; n.Qn = 0.3; n.Ng_n = 31; });
  N(4, "", 10, [](NodeSpec& n) { n.Pn = 0.4; n.Qn = 0.1; });
  N(5, "", 10, [](NodeSpec& n) { n.Pn = 0.3; n.Qn = 0.1; n.Ng_n = 31; });
  B(2, 1, 1.2, 2);
  B(3, 2, 0.9, 1.6);
  B(4, 1, 1.1, 1.9);
  B(5, 4, 1.3, 2.1);
  B(5, 3, 0.6, 1.5, [](BranchSpec& b) { b.Commut = "Н"; b.Kta = 1.05f; b.Ng_kta = 32; });
  Graphs({{31, 'P', "%", percent}, {32, 'k', "", ratio}});
  Read();
  r.Calculate(Path(), 3, day, day, At(10), 3600);
  ASSERT_TRUE(r.Converged);

  r.BuildTieList();
  r.MarkContourPaths();
  ASSERT_EQ(r.TieCount, 1);
  r.MoveContourCut(1);
  ASSERT_TRUE(r.TryMoveCut(1, false));
  ASSERT_EQ(r.TieBranches[0]->BranchIndex, 2);
  r.ClearWorkFlags();
  r.FreeMatrices();

  for (const int hour : {14, 10}) {
    SchemeBuilder edited = LoadsAt(percent(hour));
    edited.Branches[1].Commut = "Н";
    edited.Branches[4].Commut = "";
    edited.Branches[4].Kta = static_cast<float>(ratio(hour));
    edited.Branches[4].Ng_kta = 0;
    ExpectLikeEdited(hour, edited);
    EXPECT_TRUE(errors.empty());
  }
}

}  // namespace
}  // namespace ld::test
