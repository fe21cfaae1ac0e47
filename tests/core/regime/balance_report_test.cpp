// The energy balance by metering areas: the sums of an area, orientation of meters, areas inside
// areas, pruning, and that the model is left as found.
#include "core/regime/balance_report.h"

#include "core/engine/regime.h"
#include "core/regime/period_run.h"
#include "regime_test.h"

namespace ld::test {
namespace {

struct Meter {
  std::int32_t n1, n2;
  const char* pm;
  double pr, pl;
  int nk = 0;
};

// The fields of one report row that the tests read.
struct Row {
  std::int32_t N1, N2;
  int Nz, NK;
  std::string Name2, PM, Commut;
  std::uint8_t Mark;
  double WPp, WPm, WPn, WPg, WPs, dWPs, dWPt, WPneb, dWPm, Pwp, Dwp, Twp, Mwp, Rwp;
  float Fdop, Fmax, Fp;
  double WPnr, WPkr;
};

class BalanceReport : public RegimeTest {
protected:
  SchemeBuilder s;
  TRegime r;
  TDataFile flows, nodes, branches, energy, report;
  std::vector<std::int32_t> marks;
  TBalanceOptions o;
  std::vector<std::string> messages;

  // Supply 1; the metered head 1-2; consumers 3 (500) and 4 (400) below 2. Branch rows: 2-1, 3-2, 4-2.
  void Area() {
    s.Node(1, "B").Um = 10;
    s.Nodes.back().Name = "ПС";
    s.Node(2, "").Name = "Шина";
    s.Node(3, "", 0.5, 0.1).WPn = 500;
    s.Node(4, "", 0.4, 0.1).WPn = 400;
    for (NodeSpec& n : s.Nodes) n.Um = 10;
    s.Branch(2, 1, 0.1, 0.2);
    s.Branch(3, 2, 0.1, 0.2);
    s.Branch(4, 2, 0.1, 0.2);
  }
  void Meters(const std::vector<Meter>& meters) {
    ReadMaket(LayoutLineFlows, flows);
    CreateColumns(flows, static_cast<int>(meters.size()));
    TLineFlowCols f;
    FillLineFlowCols(flows, f);
    for (int i = 1; i <= f.RowCount; ++i) {
      const Meter& m = meters[static_cast<std::size_t>(i - 1)];
      f.Typ[i] = 4;
      (*f.N1)[i] = m.n1, (*f.N2)[i] = m.n2, (*f.PM)[i] = Letter(m.pm);
      (*f.Pr)[i] = m.pr, (*f.Pl)[i] = m.pl;
      f.NK[i] = m.nk;
    }
    marks.assign(meters.size() + 1, 0);
    for (int i = 1; i <= f.RowCount; ++i) marks[static_cast<std::size_t>(i)] = i;
  }
  void Select(int row) { marks[static_cast<std::size_t>(row)] = -row; }
  // The energy-flow table: one row per branch row with its load losses, then the supply row of node 1.
  void Energy(const std::vector<double>& dWPz) {
    ReadMaket(LayoutBranchEnergy, energy);
    CreateColumns(energy, static_cast<int>(dWPz.size()) + 1);
    TBranchEnergyCols e;
    FillBranchEnergyCols(energy, e);
    for (int i = 1; i <= static_cast<int>(dWPz.size()); ++i) {
      const BranchSpec& b = s.Branches[static_cast<std::size_t>(i - 1)];
      (*e.N1)[i] = b.N1, (*e.N2)[i] = b.N2, (*e.dWPz)[i] = dWPz[static_cast<std::size_t>(i - 1)];
      (*e.WPnr)[i] = 10 * i, (*e.WPkl)[i] = 20 * i;
    }
    (*e.N1)[e.RowCount] = kRootNumber, (*e.N2)[e.RowCount] = 1;
  }
  std::vector<Row> Build() {
    const std::string path = s.Read(r, dir.Path());
    EXPECT_TRUE(r.SchemeRead);
    ReadTableFile(path + GetMaketExtention(LayoutNodes), nodes);
    ReadTableFile(path + GetMaketExtention(LayoutBranches), branches);
    if (energy.RowCount == 0) Energy(std::vector<double>(s.Branches.size(), 0.0));
    return Again();
  }
  std::vector<Row> Again() {
    const TBalanceInputs in{&flows, &nodes, &branches, &energy};
    EXPECT_TRUE(BuildBalanceReport(r, in, marks, o, report, [this](const std::string& m) { messages.push_back(m); }));
    TLineBalanceCols c;
    FillLineBalanceCols(report, c);
    std::vector<Row> rows;
    for (int i = 1; i <= c.RowCount; ++i)
      rows.push_back({c.N1->Get(i), c.N2->Get(i), c.Nz.Get(i), c.NK.Get(i), c.Name2->GetItem(i),
                      Cp1251ToUtf8(std::string(1, c.PM->Get(i)).c_str()), Cp1251ToUtf8(std::string(1, c.Commut->Get(i)).c_str()),
                      report.MarkRec->Get(i), c.WPp->Get(i), c.WPm->Get(i), c.WPn->Get(i), c.WPg->Get(i),
                      c.WPs->Get(i), c.dWPs->Get(i), c.dWPt->Get(i), c.WPneb->Get(i), c.dWPm->Get(i), c.Pwp->Get(i),
                      c.Dwp->Get(i), c.Twp->Get(i), c.Mwp->Get(i), c.Rwp->Get(i), c.Fdop->Get(i), c.Fmax->Get(i),
                      c.Fp->Get(i), c.WPnr->Get(i), c.WPkr->Get(i)});
    return rows;
  }
  static const Row* Find(const std::vector<Row>& rows, std::int32_t n2, int nz) {
    for (const Row& row : rows)
      if (row.N2 == n2 && row.Nz == nz && row.Name2 != "<<< Всего >>>" && row.Mark != kBalanceHeaderMark) return &row;
    return nullptr;
  }
};

TEST_F(BalanceReport, NoSelectedMeterGivesOnlyAZeroTotal) {
  Area();
  Meters({{1, 2, "+", 1000, 0}});
  const std::vector<Row> rows = Build();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Name2, "<<< Всего >>>");
  EXPECT_EQ(rows[0].Mark, kBalanceTotalMark);
  for (double v : {rows[0].WPp, rows[0].WPn, rows[0].WPs, rows[0].dWPs, rows[0].Pwp, rows[0].Dwp, rows[0].Rwp})
    EXPECT_EQ(v, 0);
}

TEST_F(BalanceReport, OneAreaSumsItsMeterConsumersAndLosses) {
  Area();
  Meters({{1, 2, "+", 1000, 0}});
  Select(1);
  Energy({0, 40, 20});
  o.Detailed = true;
  o.MPp = o.MPn = 0.5;
  const std::vector<Row> rows = Build();
  // header, the rows of 2, 3 and 4, total
  ASSERT_EQ(rows.size(), 5u);
  const Row& h = rows[0];
  EXPECT_EQ(h.Nz, 1);
  EXPECT_EQ(h.Mark, kBalanceHeaderMark);
  EXPECT_EQ(h.N1, 1);
  EXPECT_EQ(h.N2, 2);
  for (const Row* x : {&h, &rows.back()}) {
    EXPECT_DOUBLE_EQ(x->WPp, 1000);
    EXPECT_DOUBLE_EQ(x->WPn, 900);
    EXPECT_DOUBLE_EQ(x->dWPs, 60);
    EXPECT_DOUBLE_EQ(x->WPs, 1000);
    EXPECT_DOUBLE_EQ(x->dWPt, 100);
    EXPECT_DOUBLE_EQ(x->WPneb, 40);
    EXPECT_NEAR(x->dWPm, 6.72681, 1e-5);
    EXPECT_DOUBLE_EQ(x->Pwp, 4);
    EXPECT_DOUBLE_EQ(x->Dwp, 6);
    EXPECT_DOUBLE_EQ(x->Twp, 10);
    EXPECT_NEAR(x->Mwp, 0.672681, 1e-6);
    EXPECT_NEAR(x->Rwp, 0.666667, 1e-6);
  }
  const Row* head = Find(rows, 2, 1);
  ASSERT_NE(head, nullptr);
  EXPECT_EQ(head->PM, "+");
  EXPECT_EQ(head->Commut, "");  // the area marker is cleared
  EXPECT_EQ(head->NK, 0);
  const Row* consumer = Find(rows, 3, 1);
  ASSERT_NE(consumer, nullptr);
  EXPECT_EQ(consumer->NK, -1);
  EXPECT_DOUBLE_EQ(consumer->dWPs, 40);
  EXPECT_EQ(rows.back().Mark, kBalanceTotalMark);

  // Not detailed: the headers and the total only.
  o.Detailed = false;
  const std::vector<Row> brief = Again();
  ASSERT_EQ(brief.size(), 2u);
  EXPECT_DOUBLE_EQ(brief[0].WPneb, 40);
  EXPECT_EQ(brief[0].Mark, 0);

  // Node 4 as own needs: its 400 leave the net supply and, unless every meter bounds an area, the base
  // of the percentages (1000 - 400); the technological consumption stays 100.
  TNodeCols n;
  FillNodeCols(nodes, n);
  (*n.Sign)[4] = Letter("С");
  for (const bool all : {false, true}) {
    o.AllMeters = all;
    const Row t = Again().back();
    EXPECT_DOUBLE_EQ(t.WPs, 600) << all;
    EXPECT_DOUBLE_EQ(t.WPn, 500) << all;
    EXPECT_DOUBLE_EQ(t.dWPt, 100) << all;
    EXPECT_DOUBLE_EQ(t.Pwp, all ? 4 : 40.0 * 100 / 600) << all;
    EXPECT_DOUBLE_EQ(t.Twp, all ? 10 : 100.0 * 100 / 600) << all;
  }
}

TEST_F(BalanceReport, AMeterStoredAgainstTheTreeIsTurnedBeforeItsLossesAreBooked) {
  Area();
  // Stored 2 -> 1: its Pl is what flows from 1 into 2; its losses lie on the far side (NK 0 -> 1).
  Meters({{2, 1, "+", 0, 1000, 0}});
  Select(1);
  Energy({5, 0, 0});
  o.Detailed = true;
  const std::vector<Row> rows = Build();
  const Row* head = Find(rows, 2, 1);
  ASSERT_NE(head, nullptr);
  EXPECT_DOUBLE_EQ(head->WPp, 1000);
  EXPECT_DOUBLE_EQ(head->WPm, 0);
  EXPECT_EQ(head->NK, 1);
  EXPECT_DOUBLE_EQ(head->dWPs, 5);
  EXPECT_DOUBLE_EQ(rows[0].dWPs, 5);
}

TEST_F(BalanceReport, AMeterInsideAnotherAreaIsOutputOfTheParentArea) {
  Area();
  Meters({{1, 2, "+", 1000, 0}, {2, 3, "", 300, 0}});
  Select(1);
  Select(2);
  o.Detailed = true;
  const std::vector<Row> rows = Build();
  const Row* in = Find(rows, 3, 2);
  const Row* out = Find(rows, 3, 1);
  ASSERT_NE(in, nullptr);
  ASSERT_NE(out, nullptr);
  EXPECT_DOUBLE_EQ(in->WPp, 300);
  EXPECT_EQ(in->PM, "+");
  EXPECT_DOUBLE_EQ(out->WPm, 300);
  EXPECT_EQ(out->PM, "-");
  // The consumer energy of node 3 is booked once, in its own area.
  EXPECT_DOUBLE_EQ(in->WPn, 500);
  EXPECT_DOUBLE_EQ(out->WPn, 0);
  const Row& total = rows.back();
  EXPECT_DOUBLE_EQ(total.WPp, 1300);
  EXPECT_DOUBLE_EQ(total.WPm, 300);
  EXPECT_DOUBLE_EQ(total.WPs, 1000);
}

TEST_F(BalanceReport, MarksLoadingsPruningAndTheModelLeftAsFound) {
  Area();
  s.Nodes[3].WPn = 0;  // node 4 has a load but no energy
  s.Node(5, "").Um = 10;
  s.Branch(5, 2, 0.1, 0.2).Sdop = 2.5f;  // a transformer with nothing behind it
  Meters({{1, 2, "+", 1000, 0}});
  Select(1);
  Energy({0, 0, 0, 0});
  TBranchEnergyCols e;
  FillBranchEnergyCols(energy, e);
  (*e.T)[4] = Letter("Т");
  (*e.Smax)[4] = 1;
  o.Detailed = true;
  std::vector<Row> rows = Build();
  const Row* noEnergy = Find(rows, 4, 1);
  ASSERT_NE(noEnergy, nullptr);
  EXPECT_EQ(noEnergy->Mark, kBalanceNoEnergyMark);
  const Row* trans = Find(rows, 5, 1);
  ASSERT_NE(trans, nullptr);
  EXPECT_FLOAT_EQ(trans->Fdop, 2500);
  EXPECT_FLOAT_EQ(trans->Fmax, 1000);
  EXPECT_FLOAT_EQ(trans->Fp, 40);
  // The supply element keeps its own branch index, and no marks stay behind.
  for (TRegimeElement* x = r.FirstElement; x != nullptr; x = x->Next) {
    EXPECT_EQ(x->Work, 0);
    EXPECT_EQ(x->Flags & 0xF0000000u, 0u);
    if (x->Number == 1) {
      EXPECT_EQ(x->BranchIndex, 0);
    }
  }

  // A short report keeps the meter row, the row with the mark and the consumer with energy, and drops
  // the transformer that carries nothing.
  o.FullBalans = false;
  rows = Again();
  EXPECT_NE(Find(rows, 2, 1), nullptr);
  EXPECT_NE(Find(rows, 3, 1), nullptr);
  EXPECT_NE(Find(rows, 4, 1), nullptr);
  EXPECT_EQ(Find(rows, 5, 1), nullptr);
}

TEST_F(BalanceReport, DynamicFlowWithAllMetersIsTheStaticBalance) {
  Area();
  Meters({{1, 2, "+", 1000, 0}, {2, 3, "П", 480, 0}});
  Select(1);
  Energy({1, 2, 3});
  o.Detailed = true;
  o.AllMeters = true;
  const std::vector<Row> plain = Build();
  o.DynamicFlow = true;
  const std::vector<Row> dynamic = Again();
  ASSERT_EQ(plain.size(), dynamic.size());
  for (std::size_t i = 0; i < plain.size(); ++i) {
    EXPECT_DOUBLE_EQ(plain[i].WPp, dynamic[i].WPp) << i;
    EXPECT_DOUBLE_EQ(plain[i].dWPs, dynamic[i].dWPs) << i;
    EXPECT_DOUBLE_EQ(plain[i].WPneb, dynamic[i].WPneb) << i;
  }
}

TEST_F(BalanceReport, ABaseOfZeroLeavesThePercentagesZero) {
  Area();
  Meters({{1, 2, "+", 0, 0}});
  Select(1);
  Energy({0, 40, 20});
  const std::vector<Row> rows = Build();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_DOUBLE_EQ(rows[0].dWPs, 60);
  EXPECT_DOUBLE_EQ(rows[0].WPneb, -960);
  for (double v : {rows[0].Pwp, rows[0].Dwp, rows[0].Twp, rows[0].Mwp}) EXPECT_EQ(v, 0);
  EXPECT_DOUBLE_EQ(rows[0].Rwp, -16);
}

TEST_F(BalanceReport, DynamicFlowTakesTheAreaFromTheOpeningMetersFlowRow) {
  Area();
  Meters({{1, 2, "+", 1000, 0, 0}});
  Select(1);
  Energy({0.5, 40, 20});
  TBranchEnergyCols e;
  FillBranchEnergyCols(energy, e);
  (*e.WPn)[1] = 880, (*e.dWPa)[1] = 7, (*e.dWP1)[1] = 50, (*e.dWP2)[1] = 9;
  (*e.dWPy)[1] = 0.25;
  o.DynamicFlow = true;
  o.Detailed = true;
  const std::vector<Row> rows = Build();
  const Row& h = rows[0];
  EXPECT_DOUBLE_EQ(h.WPp, 1000);
  EXPECT_DOUBLE_EQ(h.WPn, 880 + 7);  // with the subscriber losses
  // the metered branch's own losses (NK 0) lie outside the area
  EXPECT_DOUBLE_EQ(h.dWPs, 50 + 9 - 0.5 - 0.25);
  EXPECT_DOUBLE_EQ(h.dWPt, 1000 - 887);
}

TEST_F(BalanceReport, AMeterFarDownTheFlowTableOpensItsOwnArea) {
  Area();
  // Row 10000 of the flow table: it must not merge with the rows outside every area.
  std::vector<Meter> meters(10000, Meter{0, 0, "", 0, 0});
  meters.back() = {1, 2, "+", 1000, 0};
  Meters(meters);
  Select(10000);
  const std::vector<Row> rows = Build();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Nz, 10000);
  EXPECT_DOUBLE_EQ(rows[0].WPp, 1000);
  EXPECT_DOUBLE_EQ(rows[0].WPn, 900);
  EXPECT_DOUBLE_EQ(rows[1].WPs, 1000);
}

// The period run writes the supply row of the energy flows from the supply node to the external source;
// the supply meter's area keeps that row's flow and loading, as with a table of an earlier run that holds
// the row the other way round, and by the period's flows the losses of the network below it.
TEST_F(BalanceReport, ThePeriodRunsSupplyRowKeepsItsFlowLoadingAndLossesInTheSupplyMetersArea) {
  s = TwoNodes();
  IniRec.Prec = 1e-9f;
  IniRec.Date1 = IniRec.Date2 = EncodeDate(2004, 3, 5);
  TRegime run;
  ASSERT_TRUE(RunPeriodLosses(run, s.Write(dir.Path()), {}, TPeriodRunForm::Losses, false).Written);
  ReadTableFile(dir / ("scheme" + GetMaketExtention(LayoutBranchEnergy)), energy);
  TBranchEnergyCols e;
  FillBranchEnergyCols(energy, e);
  ASSERT_EQ(e.RowCount, 2);
  EXPECT_EQ(e.N1->Get(2), 1);
  EXPECT_EQ(e.N2->Get(2), kRootNumber);

  Meters({{kRootNumber, 1, "+", 25000, 0}});
  Select(1);
  o.Detailed = true;
  // A day of 1 MW + j1 Mvar and the line's losses from the source; 1.4595 MVA at 10 kV is 84.26 A.
  const auto supply = [&](const std::vector<Row>& rows) {
    const Row* row = Find(rows, 1, 1);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->N1, kRootNumber);
    EXPECT_NEAR(row->WPnr, 24511, 1);
    EXPECT_NEAR(row->WPkr, 24511, 1);
    EXPECT_NEAR(row->Fmax, 84.26, 0.01);
    EXPECT_DOUBLE_EQ(rows[0].WPp, 25000);
  };
  supply(Build());
  // By the period's flows the supply meter's area loses what the period run lost below the supply node.
  o.DynamicFlow = true;
  const std::vector<Row> dynamic = Again();
  EXPECT_NEAR(dynamic[0].dWPs, e.dWPz->Get(1) + e.dWPy->Get(1), 1e-6);
  EXPECT_GT(dynamic[0].dWPs, 400);
  o.DynamicFlow = false;
  // The supply row of an earlier run: from the source to the node, its ends and directions turned.
  std::swap((*e.N1)[2], (*e.N2)[2]);
  for (auto [a, b] : {std::pair{e.WPnr, e.WPkl}, std::pair{e.WPnl, e.WPkr}}) std::swap((*a)[2], (*b)[2]);
  supply(Again());
}

}  // namespace
}  // namespace ld::test
