// The period loss calculation end to end on schemes written to disk: the report of a two-node day,
// slices against the regime of their moment, switching in the period, the journal checks and the
// rounding to the slice grid, a stop and a slice that does not converge.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <functional>
#include <tuple>
#include <sstream>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/catalogs/graph_series.h"
#include "core/catalogs/graph_tables.h"
#include "core/engine/regime.h"
#include "core/engine/scheme_builder.h"
#include "core/office/docx.h"
#include "core/regime/period_run.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The settings the runs change, put back afterwards.
struct LossSettings {
  TIniRec& ini = IniRec;
  std::uint8_t typ = ini.TypCalcPQ, dim = ini.Dimension;
  TDateTime d1 = ini.Date1, d2 = ini.Date2;
  bool balans = ini.FlagBalans, ktr = ini.RegKtr, q = ini.RegQ, unom = ini.LossUnom, plus = ini.LossPlus;
  float kfgn = ini.Kfgn, prec = ini.Prec;
  std::int32_t tgr = ini.Tgr, iter = ini.Iter1;
  LossSettings() {
    ini.FlagBalans = ini.RegKtr = ini.RegQ = ini.LossUnom = ini.LossPlus = false;
    ini.Kfgn = 1;
    ini.Prec = 1e-9f;
    ini.Iter1 = 100;
    ini.Tgr = 3600;
    ini.Dimension = 0;
  }
  ~LossSettings() {
    ini.TypCalcPQ = typ, ini.Dimension = dim, ini.Date1 = d1, ini.Date2 = d2, ini.FlagBalans = balans;
    ini.RegKtr = ktr, ini.RegQ = q, ini.LossUnom = unom, ini.LossPlus = plus, ini.Kfgn = kfgn, ini.Prec = prec;
    ini.Tgr = tgr, ini.Iter1 = iter;
  }
};

class PeriodRun : public ::testing::Test {
protected:
  const TDateTime day = EncodeDate(2004, 3, 5);
  TempDir dir;
  SchemeBuilder s;
  TRegime r;
  std::vector<std::string> errors, messages, boxes;
  ScriptedMsgBox box;
  NominalVoltages unoms;
  LossSettings settings;
  TPeriodRunCallbacks cb;

  PeriodRun() {
    MaketFileName = (DataDir() / "maket.zr").string();
    r.Errors = &errors;
    cb.Message = [this](const std::string& m) { messages.push_back(m); };
    cb.ErrorBox = [this](const std::string& m) { boxes.push_back(m); };
    IniRec.Date1 = IniRec.Date2 = day;
  }
  std::string Path() const { return dir / "scheme"; }
  std::vector<std::string> Lines(const std::string& ext) const {
    std::vector<std::string> lines;
    std::string all = Cp1251ToUtf8(Bytes(Path() + ext));
    for (std::size_t at = 0; at < all.size();) {
      const std::size_t end = all.find("\r\n", at);
      if (end == std::string::npos) break;
      lines.push_back(all.substr(at, end - at));
      at = end + 2;
    }
    return lines;
  }
  std::string After(const std::vector<std::string>& lines, const std::string& label) const {
    for (const std::string& l : lines)
      if (l.rfind(label, 0) == 0) return l.substr(label.size());
    return "<none>";
  }
  void TwoNodes() {
    s.Node(1, "B").Um = 10;
    s.Node(2, "", 1, 1).Um = 10;
    s.Branch(2, 1, 1, 2);
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
  // One switching of branch (n1, n2) at hour:mins of the day: before and after rows.
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
        (*j.Date)[row] = 20040305;
        (*j.Hour)[row] = hour;
        (*j.Mins)[row] = mins;
        (*j.BA)[row] = static_cast<std::uint8_t>(ba);
        (*j.N1)[row] = n1;
        (*j.N2)[row] = n2;
        j.Name1->SetItem(row, "ПС1.Ф1");
        j.Name2->SetItem(row, "ТП5");
        (*j.Commut)[row] = Utf8ToCp1251(ba == 0 ? before : after).c_str()[0];
      }
    }
    WriteTableFile(Path() + t.Extention, t);
  }
  bool NoLocks() const {
    for (const auto& f : std::filesystem::directory_iterator(dir.Path()))
      if (f.path().string().back() == '~') return false;
    return true;
  }
};

TEST_F(PeriodRun, TwoNodeDayInAverageAndGraphModesWritesTheBalance) {
  TwoNodes();
  s.Write(dir.Path());
  for (std::uint8_t mode : {std::uint8_t{0}, std::uint8_t{3}}) {
    IniRec.TypCalcPQ = mode;
    const TPeriodRunResult res = RunPeriodLosses(r, Path(), cb);
    ASSERT_TRUE(res.Written) << int(mode) << (messages.empty() ? "" : messages.back());
    EXPECT_EQ(res.SliceEnds.size(), mode == 3 ? 24u : 1u);
    const auto wrg = Lines(".WRG");
    EXPECT_EQ(After(wrg, "Потребление           : "), "         24.000 МВт*час         24.000 МВАр*час");
    EXPECT_EQ(After(wrg, "Потери в схеме        : "), "          0.511 МВт*час          1.022 МВАр*час");
    EXPECT_EQ(After(wrg, "Балансная мощность    : "), "        -24.511 МВт*час        -25.022 МВАр*час");
    EXPECT_EQ(After(wrg, "Небаланс в схеме      : "), "          0.000 МВт*час          0.000 МВАр*час");
    EXPECT_EQ(Bytes(Path() + ".WMS"), "");
    EXPECT_TRUE(NoLocks());
  }
  // Graph mode: the loss graph 0, one value a slice.
  auto catalog = OpenGraphCatalog(Path());
  TGraphCatalogCols c;
  FillGraphCatalogCols(*catalog, c);
  ASSERT_EQ(c.RowCount, 1);
  EXPECT_EQ(c.Tit->GetItem(1), "scheme (потери)");
  EXPECT_EQ(c.Typ->Get(1), 1);
  auto values = OpenGraphValues(Path());
  EXPECT_EQ(values->RowCount, 24);

  IniRec.Dimension = 1;
  IniRec.TypCalcPQ = 0;
  ASSERT_TRUE(RunPeriodLosses(r, Path(), cb).Written);
  EXPECT_EQ(After(Lines(".WRG"), "Потребление           : "), "      24000.000 кВт*час      24000.000 кВАр*час");

  // The energy tables as written.
  TDataFile nodes;
  ReadTableFile(Path() + GetMaketExtention(LayoutNodeEnergy), nodes);
  TNodeEnergyCols ne;
  FillNodeEnergyCols(nodes, ne);
  ASSERT_EQ(ne.RowCount, 2);
  TDataFile branches;
  ReadTableFile(Path() + GetMaketExtention(LayoutBranchEnergy), branches);
  TBranchEnergyCols be;
  FillBranchEnergyCols(branches, be);
  ASSERT_EQ(be.RowCount, 2);  // the branch and the supply of node 1
  EXPECT_NEAR(be.WPnl->Get(1), 24000, 1e-6);
  EXPECT_NEAR(be.dWPz->Get(1), 511, 0.5);
  EXPECT_EQ(be.N1->Get(2), 1);

  // At nominal voltages: no iterations and no marks.
  IniRec.LossUnom = true;
  const TPeriodRunResult atUnom = RunPeriodLosses(r, Path(), cb);
  ASSERT_TRUE(atUnom.Written);
  EXPECT_EQ(After(Lines(".WRG"), "Потери в схеме        : ").substr(0, 15), "        480.000");
  EXPECT_EQ(Lines(".WRG")[3], "[Расчет по средней загрузке]");
  EXPECT_EQ(Lines(".WRG")[4], "[Расчет по номинальным напряжениям]");
}

TEST_F(PeriodRun, StatementBesideTheSchemeOrAMissingTemplateReportedWhileTheRunGoesOn) {
  TwoNodes();
  s.Write(dir.Path());
  IniRec.TypCalcPQ = 0;
  struct Restore {
    std::string dir = ProgramDir;
    ~Restore() { ProgramDir = dir; }
  } restore;
  TempDir programDir;
  ProgramDir = programDir.Path().string() + "/";
  std::filesystem::copy_file(DataDir() / "Потери.docx", programDir / "ПОТЕРИ.DOCX");
  ASSERT_TRUE(RunPeriodLosses(r, Path(), cb, TPeriodRunForm::Losses, true).Written);
  const std::string statement = dir / "Потери scheme.docx";
  const DocxDocument doc = DocxDocument::Open(statement);
  EXPECT_EQ(doc.CellText(1, 1, 2), "scheme");
  EXPECT_EQ(doc.CellText(5, 11, 3), "511");  // the line's load losses
  EXPECT_EQ(doc.CellText(5, 3, 3), "0");

  std::filesystem::remove(programDir / "ПОТЕРИ.DOCX");
  const std::string old = Bytes(statement);
  ASSERT_TRUE(RunPeriodLosses(r, Path(), cb, TPeriodRunForm::Losses, true).Written);
  EXPECT_EQ(boxes, (std::vector<std::string>{"Шаблон документа " + ProgramDir + "Потери.docx не найден"}));
  EXPECT_EQ(Bytes(statement), old);
  EXPECT_TRUE(NoLocks());
}

TEST_F(PeriodRun, GraphSlicesMatchTheirMomentsAndSwitchingWeighsTheRegimesByHours) {
  s = FixedVoltageRing();
  s.Nodes[1].Ng_n = 31;
  s.Write(dir.Path());
  Graph(31, 'P', [](int k) { return 0.5 + 0.05 * k; });
  IniRec.TypCalcPQ = 3;
  const TPeriodRunResult res = RunPeriodLosses(r, Path(), cb);
  ASSERT_TRUE(res.Written) << (messages.empty() ? "" : messages.back());
  ASSERT_EQ(res.SliceLosses.size(), 24u);
  for (int hour : {1, 7, 24}) {
    TRegime m;
    m.Accuracy = 1e-9;
    m.Calculate(Path(), 3, day, day, day + hour / 24.0, 3600);
    ASSERT_TRUE(m.Converged);
    EXPECT_NEAR(res.SliceLosses[static_cast<std::size_t>(hour - 1)], m.TotalLosses() * 1000, 1e-5) << hour;
  }
  EXPECT_LT(std::fabs(std::stod(After(Lines(".WRG"), "Небаланс в схеме      : ").substr(0, 15))), 1e-6);

  // Average mode: the ring opened at 06:00 by switching 4-1 off.
  SchemeBuilder ring = FixedVoltageRing();
  TempDir other;
  const std::string closed = ring.Write(other.Path(), "closed");
  ring.Branches[3].Commut = "О";
  const std::string open = ring.Write(other.Path(), "open");
  auto losses = [](const std::string& path) {
    TRegime m;
    m.Accuracy = 1e-9;
    m.Calculate(path, 0, 0, 0, 0, 0);
    return m.TotalLosses() * 1000;
  };
  s = FixedVoltageRing();
  s.Write(dir.Path());
  std::filesystem::remove(Path() + GetMaketExtention(GraphCatalogMaket));
  std::filesystem::remove(Path() + GetMaketExtention(GraphValuesMaket));
  Journal({{6, 0, 4, 1, "", "О"}});
  WriteCurDateSwt(Path(), day);
  IniRec.TypCalcPQ = 0;
  IniRec.Dimension = 1;
  const TPeriodRunResult avg = RunPeriodLosses(r, Path(), cb);
  ASSERT_TRUE(avg.Written) << (messages.empty() ? "" : messages.back());
  ASSERT_EQ(avg.SliceLosses.size(), 2u);
  EXPECT_NEAR(avg.SliceLosses[0], 6 * losses(closed), 1e-5);
  EXPECT_NEAR(avg.SliceLosses[1], 18 * losses(open), 1e-5);
  EXPECT_EQ(Lines(".WMS"), (std::vector<std::string>{"Переключение 2: ПС1.Ф1 - ТП5 (ОТКЛ.)"}));

  // Kfgn 1.1 is every R and X times 1.1.
  IniRec.Kfgn = 1.1f;
  std::filesystem::remove(Path() + GetMaketExtention(LayoutSwitchLog));
  const TPeriodRunResult k = RunPeriodLosses(r, Path(), cb);
  for (auto& b : ring.Branches) b.R *= 1.1f, b.X *= 1.1f, b.Commut = "";
  EXPECT_NEAR(k.SliceLosses.at(0), 24 * losses(ring.Write(other.Path(), "scaled")), 1e-4);
}

TEST_F(PeriodRun, SwitchingInAverageModeWritesTheSupplyNamesOfItsRowsIntoTheJournal) {
  s.Node(1, "B").Um = 10;
  for (int n : {2, 3}) s.Node(n).Um = 10;
  s.Node(4, "", 0.5, 0.2).Um = 10;
  s.Branch(2, 1, 1, 2);
  s.Branch(3, 1, 1, 2);
  s.Branch(4, 2, 1, 2);
  s.Branch(4, 3, 1, 2).Commut = "О";
  s.Write(dir.Path());
  const std::string branchFile = Path() + GetMaketExtention(LayoutBranches);
  TDataFile table;
  ReadTableFile(branchFile, table);
  TBranchCols b;
  FillBranchCols(table, b);
  const char* const names[] = {"ПС1.Ф1", "ПС1.Ф2", "ТП4", "ТП4а"};
  for (int r = 1; r <= 4; ++r) b.DSName->SetItem(r, names[r - 1]);
  WriteTableFile(branchFile, table);
  // At 06:00 node 4 goes over from 4-2 to 4-3: 4-2 off, 4-3 on.
  Journal({{6, 0, 4, 2, "", "О"}, {6, 0, 4, 3, "О", ""}});
  const std::string journalFile = Path() + GetMaketExtention(LayoutSwitchLog);
  TDataFile journal;
  ReadTableFile(journalFile, journal);
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
  const std::string before = Bytes(journalFile);
  ASSERT_TRUE(RunPeriodLosses(r, Path(), cb).Written) << (messages.empty() ? "" : messages.back());
  EXPECT_EQ(Bytes(journalFile), before);

  IniRec.TypCalcPQ = 0;
  ASSERT_TRUE(RunPeriodLosses(r, Path(), cb).Written) << (messages.empty() ? "" : messages.back());
  ReadTableFile(journalFile, journal);
  FillSwitchLogCols(journal, j);
  std::vector<std::string> fiders;
  for (int r = 1; r <= 4; ++r) fiders.push_back(j.Fider1->GetItem(r) + " | " + j.Fider2->GetItem(r));
  EXPECT_EQ(fiders, (std::vector<std::string>{"ПС1.Ф1, ТП4 | ПС1.Ф1", "ПС1.Ф2, ТП4а | ПС1.Ф1",
                                              "ПС1.Ф1, ТП4 | ПС1.Ф2", "ПС1.Ф2, ТП4а | ПС1.Ф2"}));
  EXPECT_EQ(j.Hour->Get(4), 6);
  EXPECT_TRUE(NoLocks());
}

TEST_F(PeriodRun, GraphLoadsGoOnAfterASwitchingRebuiltTheModel) {
  const auto percent = [](int k) { return 0.5 + 0.05 * k; };
  s = FixedVoltageRing();
  s.Nodes[1].Ng_n = 31;
  s.Write(dir.Path());
  Graph(31, 'P', percent);
  Journal({{5, 40, 4, 1, "", "О"}});  // rounded up to the end of the slice of 06:00
  WriteCurDateSwt(Path(), day);
  IniRec.TypCalcPQ = 3;
  const TPeriodRunResult res = RunPeriodLosses(r, Path(), cb);
  ASSERT_TRUE(res.Written) << (messages.empty() ? "" : messages.back());
  EXPECT_EQ(Lines(".WMS"), (std::vector<std::string>{"Переключение 2: ПС1.Ф1 - ТП5 (ОТКЛ.)"}));

  SchemeBuilder open = FixedVoltageRing();
  open.Nodes[1].Ng_n = 31;
  open.Branches[3].Commut = "О";
  TempDir other;
  const std::string openPath = open.Write(other.Path(), "open");
  Graph(31, 'P', percent, openPath);
  for (int hour : {6, 7, 20}) {
    TRegime m;
    m.Accuracy = 1e-9;
    m.Calculate(hour == 6 ? Path() : openPath, 3, day, day, day + hour / 24.0, 3600);
    ASSERT_TRUE(m.Converged);
    EXPECT_NEAR(res.SliceLosses[static_cast<std::size_t>(hour - 1)], m.TotalLosses() * 1000, 1e-5) << hour;
  }
}

TEST_F(PeriodRun, ElementResultGraphsAreStoredOnlyUnderNegativeNumbers) {
  TwoNodes();
  s.Nodes[1].Name = "ТП5";
  s.Nodes[1].Ng_n = 31;
  s.Nodes[1].Nq_n = -12;
  s.Write(dir.Path());
  Graph(31, 'P', [](int k) { return k * 0.1; });
  IniRec.TypCalcPQ = 3;
  IniRec.Dimension = 1;
  ASSERT_TRUE(RunPeriodLosses(r, Path(), cb).Written) << (messages.empty() ? "" : messages.back());
  auto catalog = OpenGraphCatalog(Path());
  TGraphCatalogCols c;
  FillGraphCatalogCols(*catalog, c);
  ASSERT_EQ(c.RowCount, 3);
  EXPECT_EQ((std::vector<int>{c.Ngr->Get(1), c.Ngr->Get(2), c.Ngr->Get(3)}), (std::vector<int>{-12, 0, 31}));
  EXPECT_EQ(c.Tit->GetItem(1), "Q наг ТП5 2");
  EXPECT_EQ(c.Unt->GetItem(1), "кВАр");
  EXPECT_EQ(c.Zam->Get(1), 'Q');
  auto values = OpenGraphValues(Path());
  TGraphValueCols v;
  FillGraphValueCols(*values, v);
  ASSERT_EQ(v.RowCount, 72);
  EXPECT_EQ(v.Ngr->Get(1), -12);
  EXPECT_DOUBLE_EQ(v.Value->Get(5), 1000);  // the given 1 Mvar in kvar
  EXPECT_EQ(v.Ngr->Get(49), 31);
  EXPECT_DOUBLE_EQ(v.Value->Get(53), 0.5);  // the load graph as it was
}

TEST_F(PeriodRun, BalancingToAMeteredFlowAndItsEnergiesOrABadKindThatEndsTheRun) {
  TwoNodes();
  s.Write(dir.Path());
  TDataFile flows;
  ReadMaket(LayoutLineFlows, flows);
  CreateColumns(flows, 1);
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  (*f.PM)[1] = '+';
  (*f.N1)[1] = 1, (*f.N2)[1] = 2;
  (*f.Pr)[1] = 1200, (*f.Qr)[1] = 1100;
  (*f.Prn)[1] = 5;  // an old result, cleared by the run
  f.Typ[1] = 1;
  WriteTableFile(Path() + flows.Extention, flows);
  IniRec.TypCalcPQ = 3;
  IniRec.FlagBalans = true;
  const TPeriodRunResult res = RunPeriodLosses(r, Path(), cb);
  ASSERT_TRUE(res.Written) << (messages.empty() ? "" : messages.back());
  TDataFile written;
  ReadTableFile(Path() + flows.Extention, written);
  FillLineFlowCols(written, f);
  EXPECT_NEAR(f.Prb->Get(1), 1200 * 24, 1);     // balanced to the meter
  // Before balancing: the given 1 MW at node 2 in the first slice; later slices start from the
  // balanced load, which a node without a graph keeps.
  EXPECT_NEAR(f.Prn->Get(1), 1000 + 23 * 1200, 1);
  EXPECT_NEAR(f.Pln->Get(1) + f.Plb->Get(1), 0, 1e-9);
  EXPECT_TRUE(NoLocks());

  // A meter's graph is followed slice by slice: 0.82, 0.84 .. 1.28 MW make 25,200 kW·h; a graph that is
  // not there is reported and the given 1.2 MW hold.
  Graph(41, 'P', [](int k) { return 0.8 + 0.02 * k; });
  for (const auto& [graph, energy] : {std::pair{41, 25200.0}, std::pair{42, 28800.0}}) {
    TDataFile table;
    ReadTableFile(Path() + flows.Extention, table);
    TLineFlowCols t;
    FillLineFlowCols(table, t);
    (*t.Ngr)[1] = graph;
    WriteTableFile(Path() + flows.Extention, table);
    messages.clear();
    ASSERT_TRUE(RunPeriodLosses(r, Path(), cb).Written) << (messages.empty() ? "" : messages.back());
    TDataFile after;
    ReadTableFile(Path() + flows.Extention, after);
    TLineFlowCols a;
    FillLineFlowCols(after, a);
    EXPECT_NEAR(a.Prb->Get(1), energy, 1) << graph;
    EXPECT_NEAR(a.Qrb->Get(1), 1100 * 24, 1) << graph;
    EXPECT_EQ(a.Ngr->Get(1), graph);
    EXPECT_EQ(messages, graph == 41 ? std::vector<std::string>{}
                                    : std::vector<std::string>{"Перетоки в линиях: График № 42 не найден"});
  }

  ReadTableFile(Path() + flows.Extention, written);
  FillLineFlowCols(written, f);
  f.Typ[1] = 9;
  WriteTableFile(Path() + written.Extention, written);
  const std::string wrg = Bytes(Path() + ".WRG");
  EXPECT_FALSE(RunPeriodLosses(r, Path(), cb).Written);
  EXPECT_EQ(messages.back(), "Перетоки в линиях: Не задан тип нагрузки ветви: 1 - 2");
  EXPECT_EQ(Bytes(Path() + ".WRG"), wrg);
  EXPECT_TRUE(NoLocks());
}

TEST_F(PeriodRun, JournalChecksAndRoundingToTheSliceGrid) {
  TDataFile t;
  ReadMaket(LayoutSwitchLog, t);
  CreateColumns(t, 4);
  TSwitchLogCols j;
  FillSwitchLogCols(t, j);
  const int dates[] = {20040305, 20040305, 20040229, 20041305};
  const int hours[] = {10, 23, 24, 1};
  const int mins[] = {7, 50, 0, 60};
  for (int r = 1; r <= 4; ++r) (*j.Date)[r] = dates[r - 1], (*j.Hour)[r] = hours[r - 1], (*j.Mins)[r] = mins[r - 1];
  EXPECT_EQ(CheckJournalRows(t, 2004), (std::vector<std::string>{
                                           "Таблица переключений, строка 3: неверно задан час 24",
                                           "Таблица переключений, строка 4: неверно задан месяц 13",
                                           "Таблица переключений, строка 4: неверно заданы минуты 60",
                                       }));
  EXPECT_EQ(CheckJournalRows(t, 2020).size(), 7u);  // each row's year is off by more than 10
  (*j.Mins)[4] = 0;
  RoundJournalToSlices(t, 900);
  EXPECT_EQ((std::vector<int>{j.Hour->Get(1), j.Mins->Get(1)}), (std::vector<int>{10, 15}));
  EXPECT_EQ((std::vector<int>{j.Date->Get(2), j.Hour->Get(2), j.Mins->Get(2)}), (std::vector<int>{20040306, 0, 0}));
  EXPECT_EQ((std::vector<int>{j.Date->Get(3), j.Hour->Get(3)}), (std::vector<int>{20040301, 0}));

  // The run reports a bad month and goes on.
  TwoNodes();
  s.Write(dir.Path());
  TDataFile journal;
  ReadMaket(LayoutSwitchLog, journal);
  CreateColumns(journal, 4);
  FillSwitchLogCols(journal, j);
  // the pair of rows 3 and 4 lies in the replay back from today: the day that does not exist is left out
  for (int r = 1; r <= 4; ++r) (*j.Date)[r] = r >= 3 ? 20041305 : 20040301, (*j.BA)[r] = (r + 1) % 2;
  for (int r = 1; r <= 4; ++r) (*j.N1)[r] = 2, (*j.N2)[r] = 1;
  WriteTableFile(Path() + journal.Extention, journal);
  IniRec.TypCalcPQ = 0;
  const std::string before = Bytes(Path() + journal.Extention);
  EXPECT_TRUE(RunPeriodLosses(r, Path(), cb).Written) << ::testing::PrintToString(messages) << ::testing::PrintToString(errors);
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Таблица переключений, строка 4: неверно задан месяц 13"),
            messages.end());
  EXPECT_EQ(Bytes(Path() + journal.Extention), before);
}

TEST_F(PeriodRun, StopAndANonConvergingSliceWriteNothingAndLeaveNoLocks) {
  TwoNodes();
  s.Write(dir.Path());
  IniRec.TypCalcPQ = 3;
  ASSERT_TRUE(RunPeriodLosses(r, Path(), cb).Written);
  const std::string wrg = Bytes(Path() + ".WRG");
  const std::string energy = Bytes(Path() + GetMaketExtention(LayoutBranchEnergy));
  const std::string graphs = Bytes(Path() + GetMaketExtention(GraphValuesMaket));

  int asked = 0;
  cb.StopQuery = [&] { return ++asked == 3; };
  const TPeriodRunResult stopped = RunPeriodLosses(r, Path(), cb);
  EXPECT_TRUE(stopped.Stopped);
  EXPECT_FALSE(stopped.Written);
  EXPECT_EQ(messages.back(), "<<<< Расчет прерван >>>>");
  cb.StopQuery = {};

  s.Nodes[1].Pn = 400;  // no regime carries 400 MW over 1 Ω at 10 kV
  s.Write(dir.Path());
  const TPeriodRunResult failed = RunPeriodLosses(r, Path(), cb);
  EXPECT_FALSE(failed.Written);
  EXPECT_EQ(messages.back(), "05.03.2004 01:00 Режим не сходится");
  EXPECT_EQ(Bytes(Path() + ".WRG"), wrg);
  EXPECT_EQ(Bytes(Path() + GetMaketExtention(LayoutBranchEnergy)), energy);
  EXPECT_EQ(Bytes(Path() + GetMaketExtention(GraphValuesMaket)), graphs);
  EXPECT_TRUE(NoLocks());
}

}  // namespace
}  // namespace ld::test
