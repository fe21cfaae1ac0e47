// The forming command over a converter that hands it known tables: the configuration report, the cut to
// feeders, the spread of district numbers, the files written and the locks of one run; and over the
// program's converter, a small base typed by hand up to the calculation of its period.
#include "core/district/scheme_forming.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/engine/iteration_settings.h"
#include "core/engine/regime.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/file_guard.h"
#include "core/tables/formed_base.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// A branch row: Nr, N1, N2, Nl, Name1, Name2, DSName, Commut … Ul, Tz, R, X.
std::vector<std::string> Branch(const std::string& nr, const std::string& n1, const std::string& n2,
                                const std::string& name1, const std::string& name2, const std::string& commut = "") {
  return {nr, n1, n2, "", name1, name2, "", commut, "", "", "", "", "", "", "", "", "", "", "", "10", "", "0.5", "1"};
}

// A converter that gives the tables it was made with and says its lines.
TSchemeConverter Fake(const Rows& nodes, const Rows& branches, const Lines& say = {},
                      std::vector<std::string>* feedersSeen = nullptr) {
  return [=](const std::string&, bool, const std::vector<std::string>& feeders, TDataFile& n, TDataFile& b,
             TDataFile& f, const TProgressProc&, std::vector<std::string>& messages, TDistrictStamps&) {
    const std::string title = n.Title;
    FillRows(n, LayoutNodes, nodes);
    FillRows(b, LayoutBranches, branches);
    n.Title = b.Title = f.Title = title;
    messages.insert(messages.end(), say.begin(), say.end());
    if (feedersSeen != nullptr) *feedersSeen = feeders;
  };
}

// NS, Name, Sign, Nr, NumES, NameES, Peak, Um
const Rows kRadialNodes = {{"1", "ПС-1.1", "b", "", "", "", "", "10.5"}, {"2", "ТП-1", "", "", "", "", "", "10"},
                           {"3", "ТП-2", "", "", "", "", "", "10"},      {"4", "ТП-3", "", "", "", "", "", "10"}};
const Rows kRadialBranches = {Branch("5", "1", "2", "ПС-1.1", "ТП-1"), Branch("0", "2", "3", "ТП-1", "ТП-2"),
                              Branch("0", "2", "4", "ТП-1", "ТП-3")};

class SchemeForming : public ::testing::Test {
protected:
  SchemeForming() {
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec = TIniRec();
    IniRec.Path = dir.Path().string() + "/";
    WriteRows(IniRec.Path + "sprav_UN.cat", "Номинальные напряжения", {{"0.4"}, {"6"}, {"10"}, {"35"}, {"110"}});
    ReadNominalVoltageList();
    engine.ShowMessages = false;
    engine.FormPVLoops = true;
    engine.NameMode = 1;
  }
  ~SchemeForming() override { CurrentUserName = user_; }
  std::string Base() const { return dir / "Пример"; }
  TSchemeFormingResult Form(const TSchemeConverter& converter, bool feederMode = false,
                            const std::vector<std::string>& feeders = {}) {
    messages.clear();
    return FormSchemeFromBase(Base(), feederMode, feeders, engine, converter, callbacks, messages);
  }
  std::vector<std::string> Locks() const {
    std::vector<std::string> locks;
    for (const auto& f : fs::directory_iterator(dir.Path()))
      if (f.path().filename().string().back() == '~') locks.push_back(f.path().filename().string());
    std::sort(locks.begin(), locks.end());
    return locks;
  }
  std::vector<std::string> Column(const std::string& file, const char* field) const {
    TDataFile t;
    ReadTableFile(file, t);
    return ColumnTexts(t, field);
  }

  const std::string user_ = CurrentUserName;
  TempDir dir;
  TRegime engine;
  TSchemeFormingCallbacks callbacks;
  std::vector<std::string> messages;
};

TEST_F(SchemeForming, ReportFollowsTheConverterAndTheSchemeIsWrittenInEveryCase) {
  const TSchemeFormingResult radial = Form(Fake(kRadialNodes, kRadialBranches, {"Линии 10-6 кВ, строка 3: X"}));
  EXPECT_TRUE(radial.Written);
  EXPECT_EQ(radial.SchemeStem, Base());
  EXPECT_EQ(messages, (Lines{"[Формирование схемы]", "Линии 10-6 кВ, строка 3: X", "", "[Контроль конфигурации]", "",
                             "<<<<< Импорт данных завершен >>>>>", "Узлов    = 4", "Ветвей   = 3", "Узлов БП = 1"}));
  EXPECT_EQ(Column(Base() + ".UZL", "Name"), (Lines{"ПС-1.1", "ТП-1", "ТП-2", "ТП-3"}));
  EXPECT_EQ(Column(Base() + ".VET", "N2"), (Lines{"2", "3", "4"}));
  EXPECT_FALSE(fs::exists(Base() + GetMaketExtention(LayoutLineFlows))) << "no inputs, no feeders: no flows file";

  // a pair of nodes joined to each other only
  Rows nodes = kRadialNodes;
  nodes.push_back({"5", "ТП-8", "", "", "", "", "", "10"});
  nodes.push_back({"6", "ТП-9", "", "", "", "", "", "10"});
  Rows branches = kRadialBranches;
  branches.push_back(Branch("0", "5", "6", "ТП-8", "ТП-9"));
  EXPECT_TRUE(Form(Fake(nodes, branches)).Written);
  EXPECT_EQ(Lines(messages.begin() + 2, messages.end()),
            (Lines{"[Контроль конфигурации]", "Схема \"Пример\" содержит узлы без питания (2)", "   ТП-8", "   ТП-9", "",
                   "<<<<< Импорт данных завершен >>>>>", "Узлов    = 6", "Ветвей   = 4", "Узлов БП = 1"}));
  EXPECT_EQ(Column(Base() + ".UZL", "Name").size(), 6U);

  // a closed ring ТП-1 - ТП-2 - ТП-3
  branches = kRadialBranches;
  branches.push_back(Branch("0", "3", "4", "ТП-2", "ТП-3"));
  EXPECT_TRUE(Form(Fake(kRadialNodes, branches)).Written);
  ASSERT_GE(messages.size(), 5U);
  EXPECT_EQ(messages[2], "[Контроль конфигурации]");
  EXPECT_EQ(messages[3], "Схема \"Пример\" содержит замкнутые контура (1)");
  EXPECT_EQ(messages[4], "Контур 1") << "the engine's lines follow as they are";
  EXPECT_EQ(Column(Base() + ".VET", "N2"), (Lines{"2", "3", "4", "4"}));
  EXPECT_TRUE(Locks().empty());

  // Under the base's name the scheme has the record of its base; under another name it has no base beside
  // it, and an older record there (whatever the letter case of its name) goes with the new scheme.
  EXPECT_TRUE(fs::exists(Base() + FormedBaseExt));
  WriteBytes(dir / "Другая.frb", "RSL\t1\t1\r\nRTP\t-\r\nR04\t-\r\nRSV\t-\r\n");
  const TSchemeConverter radial2 = Fake(kRadialNodes, kRadialBranches);
  const TSchemeFormingResult other = Form([&](const std::string& stem, bool feederMode,
                                              const std::vector<std::string>& feeders, TDataFile& n, TDataFile& b,
                                              TDataFile& f, const TProgressProc& progress,
                                              std::vector<std::string>& said, TDistrictStamps& stamps) {
    radial2(stem, feederMode, feeders, n, b, f, progress, said, stamps);
    n.Title = b.Title = f.Title = "Другая";
  });
  EXPECT_EQ(other.SchemeStem, dir / "Другая");
  EXPECT_TRUE(fs::exists(dir / "Другая.VET"));
  EXPECT_FALSE(fs::exists(dir / "Другая.frb") || fs::exists(dir / "Другая.FRB")) << "a record of another base";
  // The flows of an earlier scheme, which this base no longer gives, go with it once asked, named by
  // the program's list; "Нет" writes nothing; the journal and what was calculated stay.
  const std::string flows = Base() + GetMaketExtention(LayoutLineFlows);
  WriteRows(flows, LayoutLineFlows, {});
  WriteBytes(Base() + ".SWT", "журнал");
  WriteBytes(Base() + ".RGM", "протокол");
  std::vector<std::string> asked;
  for (const bool yes : {false, true}) {
    const std::string nodesBefore = ReadBytes(Base() + ".UZL"), flowsBefore = ReadBytes(flows);
    callbacks.Replace = [&](const TCopyReplaced& replaced) {
      asked.push_back(CopyReplaceQuestion("Схема с таким именем уже существует.", replaced, TReplacedBy::Create,
                                          TFileFamily::Scheme));
      return yes;
    };
    EXPECT_EQ(Form(Fake(nodes, kRadialBranches)).Written, yes);
    EXPECT_EQ(ReadBytes(Base() + ".UZL") == nodesBefore, !yes);
    EXPECT_EQ(fs::exists(flows), !yes);
    EXPECT_TRUE(yes || ReadBytes(flows) == flowsBefore);
    EXPECT_EQ(ReadBytes(Base() + ".SWT") + ReadBytes(Base() + ".RGM"), "журналпротокол");
    EXPECT_EQ(Locks(), std::vector<std::string>{});
  }
  EXPECT_EQ(asked, Lines(2, "Схема с таким именем уже существует.\nБудут заменены файлы: Пример.FRB (сведения о базе "
                            "РЭС, из которой сформирована схема), Пример.UZL (узлы схемы), Пример.VET (ветви схемы).\n"
                            "Будут удалены файлы, которых в новой схеме не будет: Пример.PL (перетоки в линиях).\n"
                            "Перезаписать ?"));
  asked.clear();
  EXPECT_TRUE(Form(Fake(kRadialNodes, kRadialBranches)).Written);
  EXPECT_TRUE(asked.empty()) << "nothing goes: nothing asked";
}

TEST_F(SchemeForming, FeederModeKeepsTheChosenSupplyTreesAndReportsUnknownFeeders) {
  // two feeders from one bus: Ф-1 (ТП-1, ТП-2) and Ф-2 (ТП-5, ТП-6)
  const Rows nodes = {{"1", "ПС-1.1", "b", "", "", "", "", "10.5"}, {"2", "ТП-1", "", "", "", "", "", "10"},
                      {"3", "ТП-2", "", "", "", "", "", "10"},      {"4", "ТП-5", "", "", "", "", "", "10"},
                      {"5", "ТП-6", "", "", "", "", "", "10"}};
  const Rows branches = {Branch("0", "1", "2", "ПС-1.1", "ТП-1"), Branch("0", "2", "3", "ТП-1", "ТП-2"),
                         Branch("0", "1", "4", "ПС-1.1", "ТП-5"), Branch("0", "4", "5", "ТП-5", "ТП-6")};
  std::vector<std::string> seen;
  // the head of Ф-2 is named with Latin look-alikes and small letters in the list
  const TSchemeFormingResult cut = Form(Fake(nodes, branches, {}, &seen), true, {"ТП-9", "тп-5"});
  EXPECT_EQ(seen, (Lines{"ТП-9", "тп-5"})) << "the converter gets the list as chosen";
  EXPECT_TRUE(cut.Written);
  EXPECT_EQ(messages[1], "Ошибка построения схемы по фидеру: ТП-9");
  EXPECT_EQ(Column(Base() + ".UZL", "Name"), (Lines{"ПС-1.1", "ТП-5", "ТП-6"}));
  EXPECT_EQ(Column(Base() + ".VET", "Name2"), (Lines{"ТП-5", "ТП-6"}));
  EXPECT_EQ(messages[messages.size() - 3], "Узлов    = 3");

  Form(Fake(nodes, branches), true, {});
  EXPECT_TRUE(Column(Base() + ".UZL", "Name").empty()) << "nothing chosen, nothing kept";
  EXPECT_TRUE(Column(Base() + ".VET", "Name2").empty());
}

TEST_F(SchemeForming, DistrictNumbersSpreadDownFromTheirHeads) {
  // ПС-1.1 -5- ТП-1 -0- ТП-2 -7- ТП-3 -0- ТП-4; ТП-1 -0- ТП-5
  const Rows nodes = {{"1", "ПС-1.1", "b", "", "", "", "", "10.5"}, {"2", "ТП-1", "", "", "", "", "", "10"},
                      {"3", "ТП-2", "", "", "", "", "", "10"},      {"4", "ТП-3", "", "", "", "", "", "10"},
                      {"5", "ТП-4", "", "", "", "", "", "10"},      {"6", "ТП-5", "", "", "", "", "", "10"}};
  const Rows branches = {Branch("5", "1", "2", "ПС-1.1", "ТП-1"), Branch("0", "2", "3", "ТП-1", "ТП-2"),
                         Branch("7", "3", "4", "ТП-2", "ТП-3"), Branch("0", "4", "5", "ТП-3", "ТП-4"),
                         Branch("0", "2", "6", "ТП-1", "ТП-5")};
  Form(Fake(nodes, branches));
  EXPECT_EQ(Column(Base() + ".VET", "Nr"), (Lines{"5", "", "7", "", ""})) << "only with the setting";
  IniRec.NrToAll = true;
  Form(Fake(nodes, branches));
  EXPECT_EQ(Column(Base() + ".VET", "Nr"), (Lines{"5", "5", "7", "7", "5"}));
}

TEST_F(SchemeForming, LocksAreHeldForTheRunAndOnlyTheRunsOwnAreReleased) {
  const Lines base = {"Пример.R04~", "Пример.RSL~", "Пример.RSV~", "Пример.RTP~", "Пример.SWT~"};
  CurrentUserName = "Иванов";
  const std::string holder = std::string(1, '\x06') + Utf8ToCp1251("Иванов");
  Lines duringConverter, duringCheck;
  callbacks.Stage = [&](const std::string& text) {
    if (text != "  Конфигурация ...  ") return;
    duringCheck = Locks();
    EXPECT_EQ(ReadBytes(Base() + ".PL~").substr(0, holder.size()), holder) << "the user's name in the lock";
  };
  TSchemeConverter converter = [&](const std::string& stem, bool feederMode, const std::vector<std::string>& feeders,
                                   TDataFile& n, TDataFile& b, TDataFile& f, const TProgressProc& progress,
                                   std::vector<std::string>& messages, TDistrictStamps& read) {
    duringConverter = Locks();
    EXPECT_EQ(ReadBytes(Base() + ".RSL~").substr(0, holder.size()), holder);
    Fake(kRadialNodes, kRadialBranches)(stem, feederMode, feeders, n, b, f, progress, messages, read);
  };
  Form(converter);
  EXPECT_EQ(duringConverter, base);
  EXPECT_EQ(duringCheck, (Lines{"Пример.FRB~", "Пример.PL~", "Пример.R04~", "Пример.RSL~", "Пример.RSV~",
                                "Пример.RTP~", "Пример.SWT~", "Пример.UZL~", "Пример.VET~"}));
  EXPECT_TRUE(Locks().empty());

  // an error in the converter: what was said stays, nothing is written, no lock remains
  fs::remove(Base() + ".UZL");
  EXPECT_THROW(Form([](const std::string&, bool, const std::vector<std::string>&, TDataFile&, TDataFile&, TDataFile&,
                       const TProgressProc&, std::vector<std::string>& said, TDistrictStamps&) {
                 said.push_back("Линии 10-6 кВ, строка 1: X");
                 throw Error("Ошибка чтения файла");
               }),
               Error);
  EXPECT_EQ(messages, (Lines{"[Формирование схемы]", "Линии 10-6 кВ, строка 1: X"}));
  EXPECT_FALSE(fs::exists(Base() + ".UZL"));
  EXPECT_TRUE(Locks().empty());
  EXPECT_EQ(engine.Root, nullptr) << "the model goes with the run";

  // a scheme table held by another window of this program: the run stops, its lock stays
  LockTableFiles(Base(), ".VET");
  EXPECT_THROW(Form(Fake(kRadialNodes, kRadialBranches)), Error);
  EXPECT_EQ(Locks(), (Lines{"Пример.VET~"}));
  UnlockTableFiles(Base(), ".VET");
  // a base table held elsewhere stops the run before anything is locked
  LockTableFiles(Base(), ".RTP");
  EXPECT_THROW(Form(Fake(kRadialNodes, kRadialBranches)), Error);
  EXPECT_EQ(Locks(), (Lines{"Пример.RTP~"}));
  UnlockTableFiles(Base(), ".RTP");
}

// A station whose load is given by kind 4 or 5 was metered over the period: forming gives its node the
// period's kW·h and kvar·h, and the calculation of the period draws them as average powers over its
// hours. Here a month of 28 days, 672 hours; what the calculation should draw, in MW and Mvar, is worked
// out by hand: ТП-1 (kind 4) takes 1.5 + j0.5 and gives 0.1 + j0.05, ТП-2 (kind 5, tangents 0.4 and 0.5)
// takes 0.75 + j0.3 and gives 0.2 + j0.1.
TEST_F(SchemeForming, StationsGivenByEnergiesDrawTheirAveragePowersOverThePeriod) {
  WriteRows(IniRec.Path + "sprav_ln.cat", "Справочник КЛ,ВЛ",
            {{"АС", "10", "50", "В", "0.6", "0.4", "0", "2.8", "210"}});
  // Nr, Sign, Name1, Name2, Nl, KodLine, Un
  WriteRows(Base() + GetMaketExtention(LayoutLines10), LayoutLines10,
            {{"1", "П", "ПС-1.1", "ТП-1", "", "1000*АС-50", "10"}, {"1", "", "ТП-1", "ТП-2", "", "1000*АС-50", "10"}});
  TDataFile stations;
  FillNamedRows(stations, LayoutTransTP,
                {{{"Nr", "1"}, {"Name1", "ТП-1"}, {"T", "4"}, {"Pn", "1008000"}, {"Qn", "336000"}, {"Pg", "67200"},
                  {"Qg", "33600"}},
                 {{"Nr", "1"}, {"Name1", "ТП-2"}, {"T", "5"}, {"Pn", "504000"}, {"Qn", "0.4"}, {"Pg", "134400"},
                  {"Qg", "0.5"}}});
  WriteTableFile(Base() + GetMaketExtention(LayoutTransTP), stations);
  IniRec.Date1 = EncodeDate(2026, 2, 1);
  IniRec.Date2 = EncodeDate(2026, 2, 28);
  ASSERT_TRUE(Form(DefaultSchemeConverter()).Written);
  ASSERT_GE(messages.size(), 2U);
  EXPECT_EQ(messages[1], "") << "the base forms without a message";

  struct Expect {
    const char* name;
    double wpn, wqn, wpg, wqg;  // kW·h and kvar·h after forming
    double pn, qn, pg, qg;      // MW and Mvar in the calculation of the period
  };
  const Expect expected[] = {{"ТП-1", 1008000, 336000, 67200, 33600, 1.5, 0.5, 0.1, 0.05},
                             {"ТП-2", 504000, 201600, 134400, 67200, 0.75, 0.3, 0.2, 0.1}};
  TDataFile nodes;
  ReadTableFile(Base() + ".UZL", nodes);
  TNodeCols n;
  FillNodeCols(nodes, n);
  auto rowOf = [&](const std::string& name) {
    for (int r = 1; r <= n.RowCount; ++r)
      if (n.Name->GetItem(r) == name) return r;
    ADD_FAILURE() << "no node " << name;
    return 0;
  };
  for (const Expect& e : expected) {
    const int r = rowOf(e.name);
    if (r == 0) continue;
    EXPECT_NEAR(n.WPn->Get(r), e.wpn, 1e-6) << e.name;
    EXPECT_NEAR(n.WQn->Get(r), e.wqn, 1e-6) << e.name;
    EXPECT_NEAR(n.WPg->Get(r), e.wpg, 1e-6) << e.name;
    EXPECT_NEAR(n.WQg->Get(r), e.wqg, 1e-6) << e.name;
    EXPECT_EQ(std::fabs(n.Pn->Get(r)) + std::fabs(n.Qn->Get(r)) + std::fabs(n.Pg->Get(r)) + std::fabs(n.Qg->Get(r)), 0)
        << e.name << ": no powers beside the energies";
  }

  TRegime r;
  TakeIterationSettings(r, IniRec);
  std::vector<std::string> errors;
  r.Errors = &errors;
  r.Calculate(Base(), IniRec.TypCalcPQ, IniRec.Date1, IniRec.Date2, IniRec.CalcDate, IniRec.Tgr);
  EXPECT_TRUE(r.Converged);
  EXPECT_TRUE(errors.empty()) << errors.front();
  for (const Expect& e : expected) {
    const int row = rowOf(e.name);
    ASSERT_NE(row, 0);
    const TRegimeElement* node = r.Root;
    while (node != nullptr && (node->NodeIndex != row || (node->Flags & efLoopClosing) != 0)) node = node->NextInTree;
    ASSERT_NE(node, nullptr) << e.name;
    ASSERT_LT(static_cast<std::size_t>(row), r.SupplyHours.size());
    EXPECT_EQ(r.SupplyHours[static_cast<std::size_t>(row)], 672) << e.name;
    // Loads are held as (P, -Q), generation as (-P, Q).
    EXPECT_NEAR(node->Load1.real(), e.pn, 1e-9) << e.name;
    EXPECT_NEAR(-node->Load1.imag(), e.qn, 1e-9) << e.name;
    EXPECT_NEAR(-node->Load2.real(), e.pg, 1e-9) << e.name;
    EXPECT_NEAR(node->Load2.imag(), e.qg, 1e-9) << e.name;
  }
  r.Errors = nullptr;
}

}  // namespace
}  // namespace ld::test
