// The period loss calculation end to end on schemes written to disk: the report of a two-node day,
// graph slices against the regime of their moment, switching in the period, the journal checks, a stop
// and a slice that does not converge.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

#include "core/catalogs/graph_series.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_tables.h"
#include "core/engine/regime.h"
#include "core/office/docx.h"
#include "core/regime/period_run.h"
#include "core/tables/table_ops.h"
#include "regime_test.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

class PeriodRun : public RegimeTest {
protected:
  const TDateTime day = EncodeDate(2004, 3, 5);
  SchemeBuilder s = TwoNodes();
  TRegime r;
  std::vector<std::string> errors, messages, boxes;
  ScriptedMsgBox box;
  NominalVoltages unoms;
  TPeriodRunCallbacks cb;

  PeriodRun() {
    IniRec.FlagBalans = false;
    IniRec.Prec = 1e-9f;
    IniRec.Date1 = IniRec.Date2 = day;
    r.Errors = &errors;
    cb.Message = [this](const std::string& m) { messages.push_back(m); };
    cb.ErrorBox = [this](const std::string& m) { boxes.push_back(m); };
  }
  std::string Path() const { return dir / "scheme"; }
  TPeriodRunResult Run(bool written = true, TPeriodRunForm form = TPeriodRunForm::Losses, bool word = false) {
    TPeriodRunResult res = RunPeriodLosses(r, Path(), cb, form, word);
    EXPECT_EQ(res.Written, written) << (messages.empty() ? "" : messages.back());
    return res;
  }
  std::vector<std::string> Lines(const std::string& ext) const {
    std::vector<std::string> lines;
    const std::string all = Cp1251ToUtf8(ReadBytes(Path() + ext));
    for (std::size_t at = 0, end; (end = all.find("\r\n", at)) != std::string::npos; at = end + 2)
      lines.push_back(all.substr(at, end - at));
    return lines;
  }
  // A one-day hourly graph of the scheme at base (this test's scheme when empty).
  void Graph(int number, char quantity, const std::function<double(int)>& value, std::string base = {}) const {
    if (base.empty()) base = Path();
    DAdouble dates, data;
    std::string msg;
    ASSERT_TRUE(CountGraphPoints(true, 3600, dates, msg, day, day)) << msg;
    for (int k = 1; k <= dates.Count; ++k) data[k] = value(k);
    data.Count = dates.Count;
    ASSERT_TRUE(StoreGraphValues(base, number, dates, data));
    const auto catalog = OpenGraphCatalog(base);
    TGraphCatalogCols c;
    FillGraphCatalogCols(*catalog, c);
    InsertTableRows(*catalog, c.RowCount + 1, 1);
    FillGraphCatalogCols(*catalog, c);
    (*c.Ngr)[c.RowCount] = number;
    (*c.Typ)[c.RowCount] = kGraphSlices;
    (*c.Zam)[c.RowCount] = quantity;
    (*c.Per)[c.RowCount] = 3600;
    c.Unt->SetItem(c.RowCount, "");
    WriteTableFile(base + catalog->Extention, *catalog);
  }
  // Switchings of branches (n1, n2) at hour:mins of the day: before and after rows.
  void Journal(const std::vector<std::tuple<int, int, int, int, const char*, const char*>>& ops) const {
    TDataFile t;
    ReadMaket(LayoutSwitchLog, t);
    CreateColumns(t, static_cast<int>(ops.size()) * 2);
    TSwitchLogCols j;
    FillSwitchLogCols(t, j);
    int row = 0;
    for (const auto& [hour, mins, n1, n2, before, after] : ops) {
      for (int ba = 0; ba <= 1; ++ba) {
        ++row;
        (*j.Date)[row] = 20040305, (*j.Hour)[row] = hour, (*j.Mins)[row] = mins;
        (*j.BA)[row] = static_cast<std::uint8_t>(ba), (*j.N1)[row] = n1, (*j.N2)[row] = n2;
        j.Name1->SetItem(row, "ПС1.Ф1");
        j.Name2->SetItem(row, "ТП5");
        (*j.Commut)[row] = Letter(ba == 0 ? before : after);
      }
    }
    WriteTableFile(Path() + t.Extention, t);
  }
  // The losses of a scheme's regime in kW: the given loads, or the graphs' at the end of a slice of the day.
  double Losses(const std::string& path, int hour = 0) const {
    TRegime m;
    m.Accuracy = 1e-9;
    if (hour == 0) {
      m.Calculate(path, 0, 0, 0, 0, 0);
    } else {
      m.Calculate(path, 3, day, day, day + hour / 24.0, 3600);
    }
    EXPECT_TRUE(m.Converged) << hour;
    return m.TotalLosses() * 1000;
  }
};

TEST_F(PeriodRun, TwoNodeDayInAverageAndGraphModesWritesTheBalance) {
  s.Write(dir.Path());
  for (std::uint8_t mode : {std::uint8_t{0}, std::uint8_t{3}}) {
    IniRec.TypCalcPQ = mode;
    EXPECT_EQ(Run().SliceEnds.size(), mode == 3 ? 24u : 1u);
    const auto wrg = Lines(".WRG");
    ASSERT_FALSE(wrg.empty());
    EXPECT_EQ(std::vector<std::string>(wrg.begin() + 1, wrg.end()),
              (std::vector<std::string>{
                  "Расчетный период : 05.03.2004 - 05.03.2004",
                  "",
                  mode == 3 ? "[Расчет по графикам нагрузок]" : "[Расчет по средней загрузке]",
                  "",
                  "Потребление           :          24.000 МВт*час         24.000 МВАр*час",
                  "Генерация             :           0.000 МВт*час          0.000 МВАр*час",
                  "Балансная мощность    :         -24.511 МВт*час        -25.022 МВАр*час",
                  "Потери в схеме        :           0.511 МВт*час          1.022 МВАр*час",
                  "  Нагрузочные потери  :           0.511 МВт*час          1.022 МВАр*час",
                  "    от актив.перетоков:           0.253 МВт*час",
                  "    от реакт.перетоков:           0.258 МВт*час",
                  "  Потери холост.хода  :           0.000 МВт*час          0.000 МВАр*час",
                  "Небаланс в схеме      :           0.000 МВт*час          0.000 МВАр*час",
              }));
    EXPECT_EQ(ReadBytes(Path() + ".WMS"), "");
    EXPECT_TRUE(NoLocks());
  }

  // At nominal voltages: no iterations and no marks.
  IniRec.LossUnom = true;
  Run();
  const auto wrg = Lines(".WRG");
  EXPECT_EQ(After(wrg, "Потери в схеме        : ").substr(0, 15), "          0.480");
  EXPECT_EQ(wrg[4], "[Расчет по номинальным напряжениям]");
}

TEST_F(PeriodRun, GraphSlicesFollowASwitchingThatRebuiltTheModelAndAverageModeWeighsTheRegimesByHours) {
  // Graph mode: the ring opened by switching 4-1 off at 05:40, rounded up to the end of the slice of 06:00.
  const auto percent = [](int k) { return 0.5 + 0.05 * k; };
  s = FixedVoltageRing();
  s.Nodes[1].Ng_n = 31;
  s.Write(dir.Path());
  Graph(31, 'P', percent);
  Journal({{5, 40, 4, 1, "", "О"}});
  WriteCurDateSwt(Path(), day);
  IniRec.TypCalcPQ = 3;
  const TPeriodRunResult res = Run();
  ASSERT_EQ(res.SliceLosses.size(), 24u);
  EXPECT_EQ(Lines(".WMS"), (std::vector<std::string>{"Переключение 2: ПС1.Ф1 - ТП5 (ОТКЛ.)"}));
  EXPECT_LT(std::fabs(StrToFloatZ(TrimLeadSpaces(After(Lines(".WRG"), "Небаланс в схеме      : ").substr(0, 15)))), 1e-6);
  SchemeBuilder ring = FixedVoltageRing();
  TempDir other;
  ring.Nodes[1].Ng_n = 31;
  ring.Branches[3].Commut = "О";
  const std::string openGraphs = ring.Write(other.Path(), "openGraphs");
  Graph(31, 'P', percent, openGraphs);
  for (int hour : {1, 6, 7, 24})
    EXPECT_NEAR(res.SliceLosses[static_cast<std::size_t>(hour - 1)], Losses(hour <= 6 ? Path() : openGraphs, hour),
                1e-5)
        << hour;

  // Average mode: the ring opened at 06:00.
  ring = FixedVoltageRing();
  const std::string closed = ring.Write(other.Path(), "closed");
  ring.Branches[3].Commut = "О";
  const std::string open = ring.Write(other.Path(), "open");
  s = FixedVoltageRing();
  s.Write(dir.Path());
  Journal({{6, 0, 4, 1, "", "О"}});
  WriteCurDateSwt(Path(), day);
  IniRec.TypCalcPQ = 0;
  IniRec.Dimension = 1;
  const TPeriodRunResult avg = Run();
  ASSERT_EQ(avg.SliceLosses.size(), 2u);
  EXPECT_NEAR(avg.SliceLosses[0], 6 * Losses(closed), 1e-5);
  EXPECT_NEAR(avg.SliceLosses[1], 18 * Losses(open), 1e-5);
  EXPECT_EQ(Lines(".WMS"), (std::vector<std::string>{"Переключение 2: ПС1.Ф1 - ТП5 (ОТКЛ.)"}));

  // Kfgn 1.1 is every R and X times 1.1.
  IniRec.Kfgn = 1.1f;
  std::filesystem::remove(Path() + GetMaketExtention(LayoutSwitchLog));
  const TPeriodRunResult k = Run();
  for (auto& b : ring.Branches) b.R *= 1.1f, b.X *= 1.1f, b.Commut = "";
  EXPECT_NEAR(k.SliceLosses.at(0), 24 * Losses(ring.Write(other.Path(), "scaled")), 1e-4);
}

TEST_F(PeriodRun, SwitchingInAverageModeWritesTheSupplyNamesOfItsRowsIntoTheJournal) {
  s = SchemeBuilder();
  s.Node(1, "B").Um = 10;
  for (int n : {2, 3}) s.Node(n).Um = 10;
  s.Node(4, "", 0.5, 0.2).Um = 10;
  const char* const names[] = {"ПС1.Ф1", "ПС1.Ф2", "ТП4", "ТП4а"};
  for (auto [n1, n2, row] : {std::tuple{2, 1, 0}, std::tuple{3, 1, 1}, std::tuple{4, 2, 2}, std::tuple{4, 3, 3}})
    s.Branch(n1, n2, 1, 2).Commut = row == 3 ? "О" : "";
  s.Write(dir.Path());
  const std::string branchFile = Path() + GetMaketExtention(LayoutBranches);
  TDataFile table = ReadTable(branchFile);
  TBranchCols b;
  FillBranchCols(table, b);
  for (int r = 1; r <= 4; ++r) b.DSName->SetItem(r, names[r - 1]);
  WriteTableFile(branchFile, table);
  // At 06:00 node 4 goes over from 4-2 to 4-3: 4-2 off, 4-3 on.
  Journal({{6, 0, 4, 2, "", "О"}, {6, 0, 4, 3, "О", ""}});
  const std::string journalFile = Path() + GetMaketExtention(LayoutSwitchLog);
  TDataFile journal = ReadTable(journalFile);
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  for (int r = 1; r <= 4; ++r) {
    (*j.R)[r] = 1, (*j.X)[r] = 2;
    j.DSName->SetItem(r, r <= 2 ? "ТП4" : "ТП4а");
  }
  WriteTableFile(journalFile, journal);
  WriteCurDateSwt(Path(), day);

  // Graph mode rounds the journal's times in memory: it never writes the journal back.
  IniRec.TypCalcPQ = 3;
  const std::string before = ReadBytes(journalFile);
  Run();
  EXPECT_EQ(ReadBytes(journalFile), before);

  IniRec.TypCalcPQ = 0;
  Run();
  ReadTableFile(journalFile, journal);
  FillSwitchLogCols(journal, j);
  std::vector<std::string> fiders;
  for (int r = 1; r <= 4; ++r) fiders.push_back(j.Fider1->GetItem(r) + " | " + j.Fider2->GetItem(r));
  EXPECT_EQ(fiders, (std::vector<std::string>{"ПС1.Ф1, ТП4 | ПС1.Ф1", "ПС1.Ф2, ТП4а | ПС1.Ф1",
                                              "ПС1.Ф1, ТП4 | ПС1.Ф2", "ПС1.Ф2, ТП4а | ПС1.Ф2"}));
  EXPECT_TRUE(NoLocks());
}

TEST_F(PeriodRun, BalancingToAMeteredFlowAndItsEnergiesOrABadKindThatEndsTheRun) {
  s.Write(dir.Path());
  const std::string flowFile = Path() + GetMaketExtention(LayoutLineFlows);
  // The one metered flow with a change made to it.
  const auto flows = [&](const std::function<void(TLineFlowCols&)>& change) {
    TDataFile t;
    if (std::filesystem::exists(flowFile)) {
      ReadTableFile(flowFile, t);
    } else {
      ReadMaket(LayoutLineFlows, t);
      CreateColumns(t, 1);
    }
    TLineFlowCols f;
    FillLineFlowCols(t, f);
    change(f);
    WriteTableFile(flowFile, t);
  };
  flows([](TLineFlowCols& f) {
    (*f.PM)[1] = '+';
    (*f.N1)[1] = 1, (*f.N2)[1] = 2;
    (*f.Pr)[1] = 1200, (*f.Qr)[1] = 1100;
    f.Typ[1] = 1;
  });
  IniRec.TypCalcPQ = 3;
  IniRec.FlagBalans = true;
  // Before balancing: the given 1 MW at node 2 in the first slice; later slices start from the balanced
  // load, which a node without a graph keeps. A meter's graph is followed slice by slice: 0.82, 0.84 ..
  // 1.28 MW make 25,200 kW·h; a graph that is not there is reported and the given 1.2 MW hold.
  Graph(41, 'P', [](int k) { return 0.8 + 0.02 * k; });
  for (const auto& [graph, energy] : {std::pair{0, 28800.0}, std::pair{41, 25200.0}, std::pair{42, 28800.0}}) {
    flows([graph](TLineFlowCols& f) { (*f.Ngr)[1] = graph; });
    messages.clear();
    Run();
    flows([&, graph = graph, energy = energy](TLineFlowCols& f) {
      EXPECT_NEAR(f.Prb->Get(1), energy, 1) << graph;
      EXPECT_NEAR(f.Qrb->Get(1), 1100 * 24, 1) << graph;
      if (graph == 0) {
        EXPECT_NEAR(f.Prn->Get(1), 1000 + 23 * 1200, 1);
      }
      EXPECT_EQ(f.Ngr->Get(1), graph);
    });
    EXPECT_EQ(messages, graph == 42 ? std::vector<std::string>{"Перетоки в линиях: График № 42 не найден"}
                                    : std::vector<std::string>{});
    EXPECT_TRUE(NoLocks());
  }

  // Energies of the period (kind 4): 28,800 kW·h and 26,400 kvar·h over the day's 24 hours balance to
  // the same 1.2 MW and 1.1 Mvar.
  flows([](TLineFlowCols& f) {
    f.Typ[1] = 4;
    (*f.Ngr)[1] = 0;
    (*f.Pr)[1] = 28800, (*f.Qr)[1] = 26400;
  });
  Run();
  flows([](TLineFlowCols& f) {
    EXPECT_NEAR(f.Prb->Get(1), 28800, 1);
    EXPECT_NEAR(f.Qrb->Get(1), 26400, 1);
  });

  // A stop inside the balancer ends the run with the balancer's own text before the slice time.
  cb.StopQuery = [] { return true; };
  Run(false);
  EXPECT_EQ(messages.back(), "Расчет прерван 05.03.2004 01:00");
  cb.StopQuery = {};

  flows([](TLineFlowCols& f) { f.Typ[1] = 9; });
  const std::string wrg = ReadBytes(Path() + ".WRG");
  Run(false);
  EXPECT_EQ(messages.back(), "Перетоки в линиях: Не задан тип нагрузки ветви: 1 - 2");
  EXPECT_EQ(ReadBytes(Path() + ".WRG"), wrg);
  EXPECT_TRUE(NoLocks());
}

// A scheme as forming leaves it: the substation node behind a ratio branch without impedance and the
// feed's meter as a flow from the external source into that node, which the model holds as the
// substation's supply element.
TEST_F(PeriodRun, TheFeedMeterFromTheExternalSourceIsTheIntakeOfTheTechnologicalConsumption) {
  SchemeBuilder f;
  f.Node(1, "b").Um = 10;
  f.Node(2, "").Um = 10.5;
  f.Node(3, "", 0.5, 0.1).WPn = 15000;
  f.Node(4, "", 0.3, 0.1).WPn = 8000;
  f.Branch(1, 2).Kta = 10 / 10.5f;
  f.Branch(3, 2, 0.1, 0.2);
  f.Branch(4, 3, 0.1, 0.2);
  f.Write(dir.Path());
  TDataFile t;
  ReadMaket(LayoutLineFlows, t);
  CreateColumns(t, 1);
  TLineFlowCols m;
  FillLineFlowCols(t, m);
  (*m.N1)[1] = kRootNumber, (*m.N2)[1] = 1, (*m.PM)[1] = '+', m.B[1] = 1, m.Typ[1] = 5;
  (*m.Pr)[1] = 25000;
  WriteTableFile(Path() + t.Extention, t);
  // 25,000 kW·h received, 15,000 + 8,000 consumed in the area the meter opens: 2,000 kW·h, 8 %.
  const auto wrg = Run(true, TPeriodRunForm::Technological).Report;
  EXPECT_EQ(After(wrg, "Суммарный прием в сеть : "), " 25000 кBт*час");
  EXPECT_EQ(After(wrg, "Суммарное потребление  : "), " 23000 кBт*час");
  EXPECT_EQ(After(wrg, "Технологический расход : "), "  2000 кBт*час  (8.0 %)");
  EXPECT_EQ(messages, std::vector<std::string>{});
  EXPECT_TRUE(NoLocks());
}

TEST_F(PeriodRun, JournalChecksAndRoundingToTheSliceGrid) {
  TDataFile t;
  ReadMaket(LayoutSwitchLog, t);
  CreateColumns(t, 4);
  TSwitchLogCols j;
  FillSwitchLogCols(t, j);
  const int rows[4][3] = {{20040305, 10, 7}, {20040305, 23, 50}, {20040229, 24, 0}, {20041305, 1, 60}};
  for (int r = 1; r <= 4; ++r) (*j.Date)[r] = rows[r - 1][0], (*j.Hour)[r] = rows[r - 1][1], (*j.Mins)[r] = rows[r - 1][2];
  EXPECT_EQ(CheckJournalRows(t, 2004), (std::vector<std::string>{
                                           "Таблица переключений, строка 3: неверно задан час 24",
                                           "Таблица переключений, строка 4: неверно задан месяц 13",
                                           "Таблица переключений, строка 4: неверно заданы минуты 60",
                                       }));
  EXPECT_EQ(CheckJournalRows(t, 2020).size(), 7u);  // each row's year is off by more than 10
  (*j.Mins)[4] = 0;
  RoundJournalToSlices(t, 900);
  EXPECT_EQ((std::vector<int>{j.Hour->Get(1), j.Mins->Get(1), j.Date->Get(2), j.Hour->Get(2), j.Mins->Get(2),
                              j.Date->Get(3), j.Hour->Get(3)}),
            (std::vector<int>{10, 15, 20040306, 0, 0, 20040301, 0}));
  // A date and an hour that are no moment at all: the row past midnight keeps its date, nothing overflows.
  (*j.Date)[1] = 2147483646, (*j.Hour)[1] = 23, (*j.Mins)[1] = 59;
  (*j.Date)[4] = 20040305, (*j.Hour)[4] = 2147483647, (*j.Mins)[4] = 2147483647;
  RoundJournalToSlices(t, 900);
  EXPECT_EQ((std::vector<int>{j.Date->Get(1), j.Hour->Get(1), j.Mins->Get(1), j.Date->Get(4), j.Hour->Get(4),
                              j.Mins->Get(4)}),
            (std::vector<int>{2147483646, 0, 0, 20040306, 2147483647, 15}));

  // The run reports a bad month and goes on; the pair of rows 3 and 4 lies in the replay back from
  // today: the day that does not exist is left out.
  s.Write(dir.Path());
  CreateColumns(t, 4);
  FillSwitchLogCols(t, j);
  for (int r = 1; r <= 4; ++r)
    (*j.Date)[r] = r >= 3 ? 20041305 : 20040301, (*j.BA)[r] = (r + 1) % 2, (*j.N1)[r] = 2, (*j.N2)[r] = 1;
  WriteTableFile(Path() + t.Extention, t);
  const std::string before = ReadBytes(Path() + t.Extention);
  Run();
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Таблица переключений, строка 4: неверно задан месяц 13"),
            messages.end());
  EXPECT_EQ(ReadBytes(Path() + t.Extention), before);
}

TEST_F(PeriodRun, StatementBesideTheSchemeOrAMissingTemplateReportedWhileTheRunGoesOn) {
  s.Write(dir.Path());
  struct Restore {
    std::string dir = ProgramDir;
    ~Restore() { ProgramDir = dir; }
  } restore;
  TempDir programDir;
  ProgramDir = programDir.Path().string() + "/";
  std::filesystem::copy_file(DataDir() / "Потери.docx", programDir / "ПОТЕРИ.DOCX");
  Run(true, TPeriodRunForm::Losses, true);
  const std::string statement = dir / "Потери scheme.docx";
  const DocxDocument doc = DocxDocument::Open(statement);
  EXPECT_EQ(doc.CellText(1, 1, 2), "scheme");
  EXPECT_EQ(doc.CellText(5, 11, 3), "511");  // the line's load losses
  EXPECT_EQ(doc.CellText(5, 3, 3), "0");

  std::filesystem::remove(programDir / "ПОТЕРИ.DOCX");
  const std::string old = ReadBytes(statement);
  Run(true, TPeriodRunForm::Losses, true);
  EXPECT_EQ(boxes, (std::vector<std::string>{"Шаблон документа " + ProgramDir + "Потери.docx не найден"}));
  EXPECT_EQ(ReadBytes(statement), old);
  EXPECT_TRUE(NoLocks());
}

TEST_F(PeriodRun, ElementResultGraphsAreStoredOnlyUnderNegativeNumbers) {
  s.Nodes[1].Name = "ТП5";
  s.Nodes[1].Ng_n = 31;
  s.Nodes[1].Nq_n = -12;
  s.Write(dir.Path());
  Graph(31, 'P', [](int k) { return k * 0.1; });
  IniRec.TypCalcPQ = 3;
  IniRec.Dimension = 1;
  Run();
  auto catalog = OpenGraphCatalog(Path());
  TGraphCatalogCols c;
  FillGraphCatalogCols(*catalog, c);
  ASSERT_EQ(c.RowCount, 3);
  EXPECT_EQ((std::vector<int>{c.Ngr->Get(1), c.Ngr->Get(2), c.Ngr->Get(3)}), (std::vector<int>{-12, 0, 31}));
  EXPECT_EQ(c.Tit->GetItem(1) + "/" + c.Unt->GetItem(1) + "/" + char(c.Zam->Get(1)), "Q наг ТП5 2/кВАр/Q");
  auto values = OpenGraphValues(Path());
  TGraphValueCols v;
  FillGraphValueCols(*values, v);
  ASSERT_EQ(v.RowCount, 72);
  EXPECT_EQ(v.Ngr->Get(1), -12);
  EXPECT_DOUBLE_EQ(v.Value->Get(5), 1000);  // the given 1 Mvar in kvar
  EXPECT_EQ(v.Ngr->Get(49), 31);
  EXPECT_DOUBLE_EQ(v.Value->Get(53), 0.5);  // the load graph as it was
}

// At nominal voltages the losses come from a branch row's own R and X; the model's carry the
// load-distribution factor once already and a transformer's ratio when it is entered from its HV end.
TEST_F(PeriodRun, AtNominalVoltagesTheLossesTakeTheBranchRowsOwnImpedances) {
  SchemeBuilder t;
  t.Node(1, "B").Um = 10;
  t.Node(2, "", 0.4, 0.3).Um = 0.38;
  t.Node(3, "", 1, 1).Um = 10;
  t.Node(4, "", 1, 1).Um = 10;
  BranchSpec& tr = t.Branch(1, 2, 2, 4);  // 10/0.38 kV, R and X at its 10 kV end
  tr.Kta = 10 / 0.38f;
  t.Branch(3, 1, 3, 6).Tz = 1;
  t.Branch(4, 1, 1, 2);
  t.Write(dir.Path());
  IniRec.TypCalcPQ = 0;
  IniRec.LossUnom = true;
  Run();
  TBranchEnergyCols be;
  const TDataFile table = ReadTable(Path() + GetMaketExtention(LayoutBranchEnergy));
  FillBranchEnergyCols(table, be);
  ASSERT_GE(be.RowCount, 3);
  // 0.25 MVA² · 2 Ω / 10² kV² over 24 h; 2 · 3 Ω · 1/3 / 10² over 24 h; the plain line as it always was.
  EXPECT_NEAR(be.dWPz->Get(1), 120, 1e-9);
  EXPECT_NEAR(be.dWQz->Get(1), 240, 1e-9);
  EXPECT_NEAR(be.dWPz->Get(2), 480, 1e-9);
  EXPECT_NEAR(be.dWQz->Get(2), 960, 1e-9);
  EXPECT_NEAR(be.dWPz->Get(3), 480, 1e-9);
  EXPECT_NEAR(be.dWQz->Get(3), 960, 1e-9);
}

TEST_F(PeriodRun, StopAndANonConvergingSliceWriteNothingAndLeaveNoLocks) {
  s.Write(dir.Path());
  IniRec.TypCalcPQ = 3;
  Run();
  const std::vector<std::string> files{Path() + ".WRG", Path() + GetMaketExtention(LayoutBranchEnergy),
                                       Path() + GetMaketExtention(GraphValuesMaket)};
  std::vector<std::string> before;
  for (const std::string& f : files) before.push_back(ReadBytes(f));
  const auto unchanged = [&] {
    for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(ReadBytes(files[i]), before[i]) << files[i];
    EXPECT_TRUE(NoLocks());
  };

  int asked = 0;
  cb.StopQuery = [&] { return ++asked == 3; };
  EXPECT_TRUE(Run(false).Stopped);
  EXPECT_EQ(messages.back(), "<<<< Расчет прерван >>>>");
  unchanged();
  cb.StopQuery = {};

  s.Nodes[1].Pn = 400;  // no regime carries 400 MW over 1 Ω at 10 kV
  s.Write(dir.Path());
  Run(false);
  EXPECT_EQ(messages.back(), "05.03.2004 01:00 Режим не сходится");
  unchanged();
}

}  // namespace
}  // namespace ld::test
