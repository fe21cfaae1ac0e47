// The sample base of the program folder formed by the program's converter: every option that the
// newcomer may try forms it without a message, the normal-regime scheme goes beside the base's own,
// and feeder trees are cut from the real scheme. Formed as the README says, the sample walks through
// the regime, load balancing, the period losses, the technological consumption and the energy balance
// with the numbers of a small real district; load forming keeps every station loaded and charges each
// 0.4 kV line with its subscribers, within its rated current and what its transformer delivers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/catalogs/catalog_ln.h"
#include "core/catalogs/line_expr.h"
#include "core/district/load_forming.h"
#include "core/district/scheme_forming.h"
#include "core/engine/electric_sums.h"
#include "core/engine/fixflow.h"
#include "core/engine/iteration_settings.h"
#include "core/engine/regime.h"
#include "core/regime/balance_flows.h"
#include "core/regime/balance_report.h"
#include "core/regime/metering_tree.h"
#include "core/regime/period_run.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/colmaps_results.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class SampleBase : public ::testing::Test {
protected:
  SampleBase() {
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec = TIniRec();
    IniRec.Path = dir.Path().string() + "/";
    CopyDataFiles(dir.Path(), [](const std::string& name) { return name.rfind("Образец.", 0) == 0 || name.rfind("sprav_", 0) == 0; });
    ReadNominalVoltageList();
    // The stations' loads are the energies of the month of the meters: the README sets that period
    // before the first calculation.
    IniRec.Date1 = EncodeDate(2026, 11, 1);
    IniRec.Date2 = EncodeDate(2026, 11, 30);
    engine.NameMode = 1;
    engine.FormPVLoops = true;
  }
  std::string Base() const { return dir / "Образец"; }
  TSchemeFormingResult Form(bool feederMode = false, const Lines& feeders = {}) {
    messages.clear();
    return FormSchemeFromBase(Base(), feederMode, feeders, engine, DefaultSchemeConverter(), {}, messages);
  }
  // What the converter said: the lines between the two headings.
  Lines ConverterLines() const {
    const auto end = std::find(messages.begin(), messages.end(), "[Контроль конфигурации]");
    return Lines(messages.begin() + 1, end == messages.end() ? end : end - 1);
  }
  Lines Names(const std::string& stem) const {
    TDataFile t;
    ReadTableFile(stem + ".UZL", t);
    Lines names;
    for (int r = 1; r <= t.RowCount; ++r) names.push_back(GetColumnAs<DAString>("Name", t)->GetItem(r));
    std::sort(names.begin(), names.end());
    return names;
  }

  // The README's way: the stations' 10/0.4 kV transformers in the scheme.
  void FormAsTheReadmeSays() {
    IniRec.T04 = true;
    ASSERT_TRUE(Form().Written);
    ASSERT_TRUE(ConverterLines().empty()) << ConverterLines().front();
  }
  static TDataFile Table(const std::string& file) {
    TDataFile t;
    ReadTableFile(file, t);
    return t;
  }
  // The stations' energies of the month as the district table gives them, kW·h and kvar·h: load type 4
  // in kW·h and kvar·h, 5 in kW·h and tg(f).
  std::pair<double, double> StationEnergies() const {
    const TDataFile table = Table(Base() + ".RTP");
    TTransTPCols t;
    FillTransTPCols(table, t);
    double wp = 0, wq = 0;
    for (int i = 1; i <= t.RowCount; ++i) {
      wp += t.Pn->Get(i);
      wq += t.T.Get(i) == 5 ? t.Pn->Get(i) * t.Qn->Get(i) : t.Qn->Get(i);
    }
    return {wp, wq};
  }
  // The stations' average loads over the month (720 hours), MW and Mvar.
  std::pair<double, double> StationLoads() const {
    const auto [wp, wq] = StationEnergies();
    return {wp / 720 / 1000, wq / 720 / 1000};
  }
  // The lines of a report file that the program writes beside the scheme.
  Lines FileLines(const std::string& file) const {
    Lines lines;
    const std::string all = Cp1251ToUtf8(ReadBytes(file));
    for (std::size_t at = 0, end; (end = all.find("\r\n", at)) != std::string::npos; at = end + 2)
      lines.push_back(all.substr(at, end - at));
    return lines;
  }
  // The numbers after the colon of a report line.
  static std::vector<double> Numbers(const std::string& line) {
    std::istringstream words(line.substr(line.find(':') + 1));
    std::vector<double> numbers;
    for (std::string w; words >> w;)
      if (std::isdigit(static_cast<unsigned char>(w[0])) || w[0] == '-') numbers.push_back(StrToFloatZ(w));
    return numbers;
  }
  // The k-th number of the first line that starts with caption.
  static double Value(const Lines& lines, const std::string& caption, std::size_t k = 0) {
    const auto line =
        std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(caption, 0) == 0; });
    if (line == lines.end()) {
      ADD_FAILURE() << "no line " << caption;
      return 0;
    }
    const std::vector<double> numbers = Numbers(*line);
    return k < numbers.size() ? numbers[k] : 0;
  }
  // The regime calculation of the formed scheme as the regime window runs it, with its protocol.
  Lines Calculate(TRegime& r) {
    TakeIterationSettings(r, IniRec);
    std::vector<std::string> errors;
    r.Errors = &errors;
    r.Calculate(Base(), IniRec.TypCalcPQ, IniRec.Date1, IniRec.Date2, IniRec.CalcDate, IniRec.Tgr);
    EXPECT_TRUE(r.Converged);
    r.WriteResults(IniRec.Path + "sprav_UN.cat", IniRec.TypCalcPQ, false, IniRec.SumSbal, 0, IniRec.Un, IniRec.Uv,
                   IniRec.Dimension, true, nullptr, nullptr);
    r.Errors = nullptr;
    return FileLines(Base() + ".RGM");
  }

  // The intake of the month that the substations' meters measured, kW·h.
  double MeteredIntake() const {
    const TDataFile inputs = Table(Base() + ".RSV");
    TSubstInputCols in;
    FillSubstInputCols(inputs, in);
    double sum = 0;
    for (int i = 1; i <= in.RowCount; ++i) sum += in.P->Get(i);
    return sum;
  }
  // The period run over the month of the meters, with the statement of the losses.
  TPeriodRunResult RunMonth(TPeriodRunForm form) {
    IniRec.Date1 = EncodeDate(2026, 11, 1);
    IniRec.Date2 = EncodeDate(2026, 11, 30);
    const std::string programDir = ProgramDir;
    ProgramDir = DataDir().string() + "/";
    TPeriodRunCallbacks cb;
    cb.Message = [this](const std::string& line) { panel.push_back(line); };
    std::vector<std::string> errors;
    TRegime r;
    r.Errors = &errors;
    TPeriodRunResult result = RunPeriodLosses(r, Base(), cb, form, form == TPeriodRunForm::Losses);
    ProgramDir = programDir;
    return result;
  }

  TempDir dir;
  TRegime engine;
  std::vector<std::string> messages;
  Lines panel;  // the regime window's message panel
};

TEST_F(SampleBase, FormsWithoutMessagesUnderEveryOption) {
  EXPECT_TRUE(Form().Written);
  EXPECT_TRUE(ConverterLines().empty()) << ConverterLines().front();
  EXPECT_EQ(messages.back(), "Узлов БП = 2");
  EXPECT_TRUE(fs::exists(Base() + ".PL"));
  const std::size_t plain = Names(Base()).size();

  IniRec.T04 = IniRec.L04 = true;
  IniRec.ChkTr = true;
  IniRec.NrToAll = true;
  EXPECT_TRUE(Form().Written);
  EXPECT_TRUE(ConverterLines().empty()) << ConverterLines().front();
  const Lines names = Names(Base());
  EXPECT_EQ(names.size(), plain + 19 + 19) << "a 0.4 kV node per transformer and per 0.4 kV line";
  EXPECT_TRUE(std::count(names.begin(), names.end(), "ТП-10.Т2") == 1);
  EXPECT_TRUE(std::count(names.begin(), names.end(), "ТП-1.Л2") == 1);
  EXPECT_TRUE(std::count(names.begin(), names.end(), "ТП-6.Л4") == 1) << "a line of the second transformer";

  IniRec.T04 = IniRec.L04 = false;
  IniRec.EERM_D2 = true;
  EXPECT_TRUE(Form().Written);
  EXPECT_TRUE(ConverterLines().empty()) << ConverterLines().front();
}

TEST_F(SampleBase, NormalRegimeSchemeIsWrittenBesideTheBasesOwn) {
  Form();
  const std::string own = ReadBytes(Base() + ".UZL");
  const std::string ownBranches = ReadBytes(Base() + ".VET");
  IniRec.SNR = true;
  const TSchemeFormingResult snr = Form();
  EXPECT_EQ(snr.SchemeStem, Base() + " СНР");
  EXPECT_TRUE(fs::exists(Base() + " СНР.UZL"));
  EXPECT_TRUE(fs::exists(Base() + " СНР.VET"));
  EXPECT_EQ(ReadBytes(Base() + ".UZL"), own);
  EXPECT_EQ(ReadBytes(Base() + ".VET"), ownBranches);
  EXPECT_EQ(engine.SchemeName, "");  // the model goes with the run
  EXPECT_NE(std::find(messages.begin(), messages.end(), "<<<<< Импорт данных завершен >>>>>"), messages.end());
}

TEST_F(SampleBase, FeederTreesAreCutFromTheFormedScheme) {
  // the feeder typed in small letters: the feeder key finds it
  EXPECT_TRUE(Form(true, {"ф-2", "Ф-9"}).Written);
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Ошибка построения схемы по фидеру: Ф-9"), messages.end());
  EXPECT_EQ(Names(Base()), (Lines{"ПС-1.2", "ТП-10", "ТП-15", "ТП-8", "ТП-9", "Ф-2"}))
      << "the bus, the feeder's head, its stations and the far end of its open point";
  const auto unsupplied = std::find(messages.begin(), messages.end(), "Схема \"Образец\" содержит узлы без питания (1)");
  ASSERT_NE(unsupplied, messages.end());
  EXPECT_EQ(*(unsupplied + 1), "   ТП-15");
  EXPECT_FALSE(fs::exists(Base() + ".PL~"));
}

// What an engineer first checks of a formed district: the stations' transformers are there, the regime
// draws what the stations take, and the losses add up by district.
TEST_F(SampleBase, FormedWithTransformersTheRegimeDrawsTheStationLoadsAndItsLossesAddUpByDistrict) {
  FormAsTheReadmeSays();
  const TDataFile branches = Table(Base() + ".VET");
  TBranchCols b;
  FillBranchCols(branches, b);
  int transformers = 0;
  for (int k = 1; k <= b.RowCount; ++k) {
    const std::string name = b.Name1->GetItem(k) + " - " + b.Name2->GetItem(k);
    if (b.ExtFile->GetItem(k) == ".RTP") {
      ++transformers;
      EXPECT_GT(b.Sdop->Get(k), 0.09) << name << ": a 10/0.4 kV transformer of the catalogue";
      EXPECT_LT(b.Sdop->Get(k), 0.64) << name;
    }
    if (b.R->Get(k) != 0 || b.G->Get(k) != 0) {
      EXPECT_GT(b.Nr->Get(k), 0) << name << " loses in no district";
    }
  }
  EXPECT_EQ(transformers, 19);
  const Lines names = Names(Base());
  EXPECT_EQ(std::count(names.begin(), names.end(), "ТП-3.Т1") + std::count(names.begin(), names.end(), "ТП-3.Т2"), 2)
      << "a two-transformer station";
  // the capacitor banks that the optimisation of reactive power starts from sit on loaded 0.4 kV buses
  const TDataFile nodes = Table(Base() + ".UZL"), sources = Table(Base() + ".QOP");
  TNodeCols n;
  FillNodeCols(nodes, n);
  ASSERT_EQ(sources.RowCount, 2);
  for (int row = 1; row <= sources.RowCount; ++row) {
    const std::string title = GetColumnAs<DAString>("Title", sources)->GetItem(row);
    const std::int32_t nq = GetColumnAs<DALongint>("Nq", sources)->Get(row);
    int node = 1;
    while (node <= n.RowCount && n.NS->Get(node) != nq) ++node;
    ASSERT_LE(node, n.RowCount) << title;
    EXPECT_EQ(n.Name->GetItem(node), title);
    EXPECT_LT(n.Um->Get(node), 0.5) << title;
    EXPECT_GT(n.WQn->Get(node) / 720 / 1000, 0.1) << title << ": Mvar on average over the month";
    EXPECT_GT(GetColumnAs<DAdouble>("Qmax", sources)->Get(row), 0) << title;
  }

  TRegime r;
  const Lines protocol = Calculate(r);
  const auto [p, q] = StationLoads();
  EXPECT_GT(p, 3.0);
  EXPECT_LT(p, 4.0);
  EXPECT_NEAR(Value(protocol, "Потребление"), p, 0.001 * p) << "no meter is taken for a load";
  EXPECT_NEAR(Value(protocol, "Потребление", 1), q, 0.001 * q + 0.0015);
  const double supply = std::fabs(Value(protocol, "Балансная мощность")), losses = Value(protocol, "Потери в схеме");
  EXPECT_GT(losses, 0.01 * supply);
  EXPECT_LT(losses, 0.15 * supply);
  // "Район № n" lines follow the scheme's losses: one per district, adding up to them
  const auto total = std::find_if(protocol.begin(), protocol.end(),
                                  [](const std::string& l) { return l.rfind("Потери в схеме", 0) == 0; });
  ASSERT_NE(total, protocol.end());
  double byDistrict = 0;
  int districts = 0;
  for (auto line = total + 1; line != protocol.end() && line->find("Район №") != std::string::npos; ++line) {
    const double d = Numbers(*line).at(0);
    EXPECT_GT(d, 0.0005) << *line;
    byDistrict += d;
    ++districts;
  }
  EXPECT_EQ(districts, 4);
  EXPECT_NEAR(byDistrict, losses, 0.002);
}

TEST_F(SampleBase, BalancingMeetsTheFeederMetersAfterIterating) {
  FormAsTheReadmeSays();
  TRegime r;
  Lines log;
  FixFlowLog = [&log](const std::string& line) { log.push_back(line); };
  const TBalanceRun run = RunLoadBalancing(r, Base(), IniRec.Path + "sprav_UN.cat");
  FixFlowLog = nullptr;
  ASSERT_TRUE(run.Written) << (run.Info.empty() ? "" : run.Info.back());
  EXPECT_TRUE(run.Balanced);
  EXPECT_GE(Value(log, "Итераций"), 1) << "the meters differ from the given loads";

  const TDataFile flows = Table(Base() + ".PL");
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  int feeders = 0;
  for (int row = 1; row <= f.RowCount; ++row) {
    if (f.B.Get(row) != 0) continue;
    ++feeders;
    const std::string name = f.Name2->GetItem(row);
    EXPECT_EQ(f.Typ.Get(row), 1) << name << ": kW and kvar";
    EXPECT_GT(std::fabs(f.Prn->Get(row) * 1000 - f.Pr->Get(row)), 1) << name << ": balancing had something to do";
    EXPECT_NEAR(f.Prb->Get(row) * 1000, f.Pr->Get(row), 1) << name;
    EXPECT_NEAR(f.Qrb->Get(row) * 1000, f.Qr->Get(row), 1) << name;
  }
  EXPECT_EQ(feeders, 4);
}

// The month of the meters: its losses by district and their statement.
TEST_F(SampleBase, MonthLossesAreAFewPerCentOfTheMeteredIntakeAndAddUpByDistrict) {
  FormAsTheReadmeSays();
  const TPeriodRunResult losses = RunMonth(TPeriodRunForm::Losses);
  ASSERT_TRUE(losses.Written) << (panel.empty() ? "" : panel.back());
  EXPECT_TRUE(fs::exists(dir / "Потери Образец.docx"));
  const double supply = std::fabs(Value(losses.Report, "Балансная мощность"));
  const double lost = Value(losses.Report, "Потери в схеме");
  EXPECT_NEAR(supply * 1000, MeteredIntake(), 0.005 * MeteredIntake()) << "balanced to the feeder meters, MW·h";
  EXPECT_GT(lost, 0.01 * supply);
  EXPECT_LT(lost, 0.15 * supply);

  const TDataFile nodeEnergy = Table(Base() + GetMaketExtention(LayoutNodeEnergy));
  const TDataFile branchEnergy = Table(Base() + GetMaketExtention(LayoutBranchEnergy));
  TNodeEnergyCols ne;
  TBranchEnergyCols be;
  FillNodeEnergyCols(nodeEnergy, ne);
  FillBranchEnergyCols(branchEnergy, be);
  double byDistrict = 0, whole = 0;
  for (int district = 1; district <= 4; ++district) {
    const TLossSums sums = SumEnergyLossesByCriteria(ne, be, 0, 0, district, 0, nullptr);
    EXPECT_GT(sums.dPLoad, 0.002 * lost * 1000) << "district " << district;
    EXPECT_GT(sums.dPNoLoad, 0) << "district " << district << ": its transformers";
    byDistrict += sums.dPLoad + sums.dPNoLoad;
    whole = sums.dPTotal;
  }
  EXPECT_NEAR(byDistrict, whole, 1e-6 * whole);
  EXPECT_NEAR(whole, lost * 1000, 0.001 * whole);
}

// Each substation's meter opens an area of the energy balance: its intake is the meter's, its losses
// and its technological consumption a few per cent of it.
TEST_F(SampleBase, BalanceReportOpensAnAreaAtEachSubstationMeter) {
  FormAsTheReadmeSays();
  ASSERT_TRUE(RunMonth(TPeriodRunForm::Losses).Written);
  TRegime model;
  model.ReadScheme(Base());
  ASSERT_TRUE(model.SchemeRead);
  const TDataFile flows = Table(Base() + ".PL"), nodes = Table(Base() + ".UZL"), branches = Table(Base() + ".VET");
  const TDataFile energy = Table(Base() + GetMaketExtention(LayoutBranchEnergy));
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  std::vector<std::int32_t> marks(static_cast<std::size_t>(f.RowCount) + 1, 0);
  std::vector<double> intakes;
  for (int row = 1; row <= f.RowCount; ++row) {
    marks[static_cast<std::size_t>(row)] = IsMeteringRow(f, row) ? -row : row;
    if (IsMeteringRow(f, row)) intakes.push_back(f.Pr->Get(row));
  }
  EXPECT_EQ(intakes.size(), 2U) << "a meter of each substation";
  const TBalanceInputs in{&flows, &nodes, &branches, &energy};
  for (const bool dynamicFlow : {false, true}) {
    TBalanceOptions o;
    o.DynamicFlow = dynamicFlow;
    TDataFile report;
    ASSERT_TRUE(BuildBalanceReport(model, in, marks, o, report, {}));
    TLineBalanceCols c;
    FillLineBalanceCols(report, c);
    ASSERT_EQ(c.RowCount, 3) << "two areas and the total";
    for (int row = 1; row <= 2; ++row) {
      const std::string area = c.Name2->GetItem(row) + (dynamicFlow ? ", by the period's flows" : "");
      EXPECT_NEAR(c.WPp->Get(row), intakes[static_cast<std::size_t>(row) - 1], 0.5) << area;
      EXPECT_GT(c.Twp->Get(row), 1) << area << ": the technological consumption, %";
      EXPECT_LT(c.Twp->Get(row), 15) << area;
      EXPECT_GT(c.Dwp->Get(row), 1) << area << ": the technical losses, %";
      EXPECT_LT(c.Dwp->Get(row), 15) << area;
    }
    EXPECT_NEAR(c.WPp->Get(3), MeteredIntake(), 1) << "the total";
  }
}

// "Расчет ТРЭ": the intake is what the substations' meters measured.
TEST_F(SampleBase, TechnologicalConsumptionStartsFromTheSubstationMeters) {
  FormAsTheReadmeSays();
  const TPeriodRunResult technological = RunMonth(TPeriodRunForm::Technological);
  ASSERT_TRUE(technological.Written);
  EXPECT_TRUE(panel.empty()) << panel.front() << ": every substation meter is found in the scheme";
  EXPECT_NEAR(Value(technological.Report, "Суммарный прием в сеть"), MeteredIntake(), 1);
  EXPECT_NEAR(Value(technological.Report, "Сальдированный прием"), MeteredIntake(), 1);
}

// The consumption of "Расчет ТРЭ" is the stations' energies of the month, which forming gives their nodes.
TEST_F(SampleBase, TechnologicalConsumptionIsAFewPerCentOfTheIntake) {
  FormAsTheReadmeSays();
  const TPeriodRunResult technological = RunMonth(TPeriodRunForm::Technological);
  ASSERT_TRUE(technological.Written);
  const double net = Value(technological.Report, "Сальдированный прием");
  const double consumption = Value(technological.Report, "Суммарное потребление");
  EXPECT_NEAR(consumption, StationEnergies().first, 1);
  EXPECT_GT(net - consumption, 0.01 * net);
  EXPECT_LT(net - consumption, 0.15 * net);
}

TEST_F(SampleBase, LoadFormingLeavesNoStationFormedWithoutLoad) {
  TLoadFormingTables tables;
  ReadLoadFormingTables(Base(), tables);
  Lines info;
  TLoadFormingCallbacks callbacks;
  callbacks.Info = [&info](const std::string& line) { info.push_back(line); };
  TLoadForming run(tables, TLoadFormingOptions(), callbacks);
  run.Form();
  EXPECT_EQ(info, (Lines{"[База промышленных абонентов]", "", "[База бытовых абонентов]", "", "[Анализ нагрузки]"}));
  TTransTPCols t;
  FillTransTPCols(tables.Transformers, t);
  ASSERT_EQ(t.RowCount, 19);
  for (int i = 1; i <= t.RowCount; ++i) {
    const std::string name = t.Name1->GetItem(i) + " " + t.Ntr->GetItem(i);
    EXPECT_GT(t.Pn->Get(i), 0) << name;
    EXPECT_GT(t.Qn->Get(i), 0) << name;
  }
  // Each 0.4 kV line holds the sum of its subscribers as the bases give them (industrial points without a
  // reactive meter at the default tg(f) 0.5, households at 0.2), and each subscriber names its line.
  struct Charge {
    double WPpr = 0, WQpr = 0, WPbt = 0, WQbt = 0;
  };
  std::map<std::string, Charge> expected;  // by "station.feeder"
  double given = 0;
  const TDataFile meterInput = Table(Base() + ".BPA"), householdInput = Table(Base() + ".BBA");
  TMeterPointCols mi, m;
  THouseholdCols hi, h;
  FillMeterPointCols(meterInput, mi);
  FillHouseholdCols(householdInput, hi);
  for (int i = 1; i <= mi.RowCount; ++i) {
    ASSERT_EQ(mi.TypCounter->Get(i), 1) << "active energy consumed";
    Charge& c = expected[mi.NameTP->GetItem(i) + "." + mi.Fider->GetItem(i)];
    c.WPpr += mi.W->Get(i);
    c.WQpr += 0.5 * mi.W->Get(i);
    given += mi.W->Get(i);
  }
  for (int i = 1; i <= hi.RowCount; ++i) {
    Charge& c = expected[hi.NameTP->GetItem(i) + "." + hi.Fider->GetItem(i)];
    c.WPbt += hi.W->Get(i);
    c.WQbt += 0.2 * hi.W->Get(i);
    given += hi.W->Get(i);
  }
  FillMeterPointCols(tables.MeterPoints, m);
  FillHouseholdCols(tables.Households, h);
  for (int i = 1; i <= m.RowCount; ++i)
    EXPECT_EQ(m.LinkTP->GetItem(i), m.NameTP->GetItem(i) + "." + m.Fider->GetItem(i)) << "meter " << i;
  for (int i = 1; i <= h.RowCount; ++i)
    EXPECT_EQ(h.LinkTP->GetItem(i), h.NameTP->GetItem(i) + "." + h.Fider->GetItem(i)) << "household row " << i;

  TLine04Cols l;
  FillLine04Cols(tables.Lines04, l);
  std::map<std::string, Charge> byTransformer;  // by "station transformer"
  double charged = 0;
  for (int i = 1; i <= l.RowCount; ++i) {
    const std::string line = l.NameTP->GetItem(i) + "." + l.Fider->GetItem(i);
    const Charge c = expected[line];
    EXPECT_EQ(l.T.Get(i), -4) << line << ": formed";
    EXPECT_NEAR(l.WPpr->Get(i), c.WPpr, 0.01) << line;
    EXPECT_NEAR(l.WQpr->Get(i), c.WQpr, 0.01) << line;
    EXPECT_NEAR(l.WPbt->Get(i), c.WPbt, 0.01) << line;
    EXPECT_NEAR(l.WQbt->Get(i), c.WQbt, 0.01) << line;
    EXPECT_NEAR(l.Pn->Get(i), c.WPpr + c.WPbt, 0.01) << line;
    EXPECT_NEAR(l.Qn->Get(i), c.WQpr + c.WQbt, 0.01) << line;
    Charge& sum = byTransformer[l.NameTP->GetItem(i) + " " + l.Ntr->GetItem(i)];
    sum.WPpr += l.WPpr->Get(i);
    sum.WPbt += l.WPbt->Get(i);
    charged += l.Pn->Get(i);
  }
  EXPECT_NEAR(charged, given, 0.01) << "every subscriber is on a line of the table";

  // The stations' loads are the user's (load types 4 and 5) and stay as given; the subscribers of a
  // transformer's lines are what the station table says its industrial and household consumers take
  // (the meters read to a tenth of their dial).
  const TDataFile before = Table(Base() + ".RTP");
  TTransTPCols b;
  FillTransTPCols(before, b);
  ASSERT_EQ(b.RowCount, t.RowCount);
  for (int i = 1; i <= t.RowCount; ++i) {
    const std::string name = t.Name1->GetItem(i) + " " + t.Ntr->GetItem(i);
    int k = 1;
    while (k <= b.RowCount && b.Name1->GetItem(k) + " " + b.Ntr->GetItem(k) != name) ++k;
    ASSERT_LE(k, b.RowCount) << name;
    EXPECT_EQ(t.T.Get(i), b.T.Get(k)) << name;
    EXPECT_EQ(t.Pn->Get(i), b.Pn->Get(k)) << name;
    EXPECT_EQ(t.Qn->Get(i), b.Qn->Get(k)) << name;
    const auto lines = byTransformer.find(name);
    if (lines == byTransformer.end()) continue;
    if (lines->second.WPpr > 0) {
      EXPECT_NEAR(lines->second.WPpr, t.WPpr->Get(i), 0.001 * t.WPpr->Get(i)) << name;
    }
    if (lines->second.WPbt > 0) {
      EXPECT_NEAR(lines->second.WPbt, t.WPbt->Get(i), 0.5) << name;
    }
  }
}

// Load forming as the program runs it with its default options: each 0.4 kV line carries the peak of
// what it is charged with within the rated current of its mark, and no transformer's lines take more
// than the transformer delivers.
TEST_F(SampleBase, LoadFormingChargesEachLineWithinItsRatedCurrentAndItsTransformer) {
  Lines info;
  TLoadFormingCallbacks callbacks;
  callbacks.Info = [&info](const std::string& line) { info.push_back(line); };
  FormStationLoads(Base(), TLoadFormingOptions::FromSettings(), callbacks);
  EXPECT_EQ(info, (Lines{"[База промышленных абонентов]", "", "[База бытовых абонентов]", "", "[Анализ нагрузки]"}));

  LoadCatalogLN(IniRec.Path, false);
  struct Unload {
    ~Unload() { FreeCatalogLN(); }
  } unload;
  const double hours = (IniRec.Date2 - IniRec.Date1 + 1) * 24;
  // The peak over the month's average: the evening peak of households is some twice the average, that
  // of the boiler house, the pumping station and the farm (two and three shifts) some one and a half.
  const double householdPeak = 2.0, industrialPeak = 1.5;
  const double root3U = std::sqrt(3.0) * 0.38;  // kV: kVA over it is the current in A
  const TDataFile lines = Table(Base() + ".R04");
  TLine04Cols l;
  FillLine04Cols(lines, l);
  ASSERT_GT(l.RowCount, 0);
  std::map<std::string, std::pair<double, double>> byTransformer;  // kW·h and kvar·h by "station transformer"
  for (int i = 1; i <= l.RowCount; ++i) {
    const std::string name = l.NameTP->GetItem(i) + " " + l.Fider->GetItem(i) + " (" + l.KodLine->GetItem(i) + ")";
    float r = 0, x = 0, g = 0, b = 0, rated = 0, length = 0;
    ASSERT_TRUE(ParseLineExpression(l.KodLine->GetItem(i), r, x, 0.4f, g, b, rated, length, false, 0))
        << name << ": " << CatalogErrorLN;
    EXPECT_GT(rated, 0) << name << ": a 0.4 kV mark of the catalogue";
    EXPECT_GT(l.Pn->Get(i), 0) << name << ": every line of the sample feeds subscribers";
    EXPECT_NEAR(l.Pn->Get(i), l.WPpr->Get(i) + l.WPbt->Get(i), 0.01) << name;
    const double peak = (householdPeak * std::hypot(l.WPbt->Get(i), l.WQbt->Get(i)) +
                         industrialPeak * std::hypot(l.WPpr->Get(i), l.WQpr->Get(i))) /
                        hours / root3U;
    EXPECT_LE(peak, rated) << name << ": A at the peak";
    auto& sum = byTransformer[l.NameTP->GetItem(i) + " " + l.Ntr->GetItem(i)];
    sum.first += l.Pn->Get(i);
    sum.second += l.Qn->Get(i);
  }

  const TDataFile stations = Table(Base() + ".RTP");
  TTransTPCols t;
  FillTransTPCols(stations, t);
  std::size_t found = 0;
  for (int i = 1; i <= t.RowCount; ++i) {
    const std::string name = t.Name1->GetItem(i) + " " + t.Ntr->GetItem(i);
    const auto sum = byTransformer.find(name);
    if (sum == byTransformer.end()) continue;
    ++found;
    const double wp = t.Pn->Get(i), wq = t.T.Get(i) == 5 ? wp * t.Qn->Get(i) : t.Qn->Get(i);
    EXPECT_LE(sum->second.first, wp) << name << ": kW·h";
    EXPECT_LE(sum->second.second, wq) << name << ": kvar·h";
  }
  EXPECT_EQ(found, byTransformer.size()) << "each line's transformer is a row of the station table";
}

}  // namespace
}  // namespace ld::test
