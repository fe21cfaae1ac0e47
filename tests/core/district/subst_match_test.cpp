// Matching the base's substation names with a 110(150)/35 kV scheme: the two lists, the pairs, the
// renaming of the seven columns and the locks of one run.
#include "core/district/subst_match.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/base/settings.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class SubstMatch : public ::testing::Test {
protected:
  SubstMatch() {
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec = TIniRec();
  }
  std::string Base() const { return dir / "Пример"; }
  std::vector<std::string> Column(const std::string& file, const char* field) const {
    TDataFile t;
    ReadTableFile(file, t);
    std::vector<std::string> cells;
    for (int r = 1; r <= t.RowCount; ++r) cells.push_back(GetColumnAs<DAString>(field, t)->GetItem(r));
    return cells;
  }
  std::vector<std::string> Locks() const {
    std::vector<std::string> locks;
    for (const auto& f : fs::directory_iterator(dir.Path()))
      if (f.path().filename().string().back() == '~') locks.push_back(f.path().filename().string());
    std::sort(locks.begin(), locks.end());
    return locks;
  }
  TempDir dir;
};

TEST_F(SubstMatch, ListsTakeSupplyPointsOfTheBaseAndSubstationsOfTheScheme) {
  TDataFile lines;
  // Nr, Sign, Name1, Name2
  FillRows(lines, LayoutLines10,
           {{"1", "П", "ПС-Лесная.1", "ТП-1"},
            {"1", "п", "ПС-Лесная.2", "ТП-2"},  // a second section: one substation
            {"1", "", "ПС-Бор.1", "ТП-3"},      // no supply point
            {"1", "П", "ПС-Ая", "ТП-4"},
            {"1", "П", "пс-бор", "ТП-5"}});
  EXPECT_EQ(BaseSubstationNames(lines), (std::vector<std::string>{"ПС-Ая", "пс-бор", "ПС-Лесная"}))
      << "sorted by the upper-case text: ПС-А, ПС-Б, ПС-Л";

  TDataFile nodes;
  FillRows(nodes, LayoutNodes,
           {{"1", "ПС-ЛЕСНАЯ.1"}, {"2", "_5"}, {"3", "ОТП-3"}, {"4", "відп 7"}, {"5", "ПС-ЛЕСНАЯ.2"},
            {"6", "ПС-Бор"}, {"7", "ВІДП-2"}, {"8", "Отп.12"}});
  EXPECT_EQ(SchemeSubstationNames(nodes), (std::vector<std::string>{"ПС-Бор", "ПС-ЛЕСНАЯ"}));

  // equal names in another letter case pair at once and ask for no renaming
  std::vector<std::string> items = PairEqualNames({"ПС-Ая", "ПС-Лесная < X", "пс-бор"}, SchemeSubstationNames(nodes));
  EXPECT_EQ(items, (std::vector<std::string>{"ПС-Ая", "ПС-Лесная = ПС-ЛЕСНАЯ", "пс-бор = ПС-Бор"}));
  EXPECT_TRUE(RequestedRenamings(items).empty());
  items[0] = UnpairedItem(items[0]) + kRenamePair + "ПС-Бор";
  EXPECT_EQ(RequestedRenamings(items), (std::vector<std::pair<std::string, std::string>>{{"ПС-Ая", "ПС-Бор"}}));
  EXPECT_EQ(UnpairedItem("ПС-1 < ПС-2"), "ПС-1");
  EXPECT_EQ(UnpairedItem("ПС-1 = ПС-1"), "ПС-1");
}

TEST_F(SubstMatch, LongestCommonPrefixIsFoundByGrowingPrefixes) {
  const std::vector<std::string> scheme = {"ПС Бор", "ПС-Берёза", "ПС-Бор", "ПС-Борки", "Южная"};
  EXPECT_EQ(LongestPrefixMatch(scheme, "пс-борисов"), 2) << "ПС-Бор shares six letters";
  EXPECT_EQ(LongestPrefixMatch(scheme, "ПС-Борки-2 < ПС Бор"), 3) << "the pairing is no part of the name";
  EXPECT_EQ(LongestPrefixMatch(scheme, "ПС-Б"), 1) << "the first name with the whole prefix";
  EXPECT_EQ(LongestPrefixMatch(scheme, "Юг"), 4);
  EXPECT_EQ(LongestPrefixMatch(scheme, "Заря"), -1);
}

TEST_F(SubstMatch, RenamingTouchesOnlyCellsWhoseSubstationIsTheOldName) {
  DAString column;
  const std::vector<std::string> cells = {"ПС-1.1", "пс-1", "ПС-12.3", "ТП-ПС-1", "ПС-1", "", "ПС-1.2.5"};
  for (std::size_t i = 0; i < cells.size(); ++i) column.SetItem(static_cast<int>(i) + 1, cells[i]);
  EXPECT_EQ(RenameSubstationColumn(column, static_cast<int>(cells.size()), TRenamings{{"ПС-1", "ПС-Лесная"}}), 3);
  std::vector<std::string> now;
  for (std::size_t i = 0; i < cells.size(); ++i) now.push_back(column.GetItem(static_cast<int>(i) + 1));
  // "пс-1" is a substation of its own in the base list, with its own pairing
  EXPECT_EQ(now, (std::vector<std::string>{"ПС-Лесная.1", "пс-1", "ПС-12.3", "ТП-ПС-1", "ПС-Лесная", "",
                                           "ПС-Лесная.2.5"}));
}

TEST_F(SubstMatch, EachCellIsRenamedOnceByThePairOfItsOwnName) {
  // Nr, Sign, Name1, Name2
  WriteRows(Base() + ".RSL", LayoutLines10,
            {{"1", "П", "ПС-2.1", "ТП-1"},
             {"1", "П", "пс-2.2", "ТП-2"},
             {"1", "", "ТП-2", "пс-2.3"},
             {"1", "П", "ПС-1", "ТП-3"},
             {"1", "", "ТП-3", "ПС-2.4"}});
  WriteRows(Base() + ".RSV", LayoutSubstInputs, {{"ПС-2", "ПС-2.1", "пс-2.2"}});
  {
    TSubstMatchRun run(Base());
    EXPECT_EQ(run.BaseNames(), (std::vector<std::string>{"ПС-1", "ПС-2", "пс-2"}));
    // ПС-1 takes the name that пс-2 gives up; ПС-2 is the scheme's own name and stays
    run.Apply({"ПС-1 < пс-2", "ПС-2 = ПС-2", "пс-2 < ПС-3"});
  }
  EXPECT_EQ(Column(Base() + ".RSL", "Name1"), (std::vector<std::string>{"ПС-2.1", "ПС-3.2", "ТП-2", "пс-2", "ТП-3"}));
  EXPECT_EQ(Column(Base() + ".RSL", "Name2"), (std::vector<std::string>{"ТП-1", "ТП-2", "ПС-3.3", "ТП-3", "ПС-2.4"}));
  EXPECT_EQ(Column(Base() + ".RSV", "NamePS"), (std::vector<std::string>{"ПС-2.1"}));
  EXPECT_EQ(Column(Base() + ".RSV", "LinkPS"), (std::vector<std::string>{"ПС-3.2"}));
}

TEST_F(SubstMatch, ARunRenamesTheSevenColumnsWritesWhatExistsAndReleasesItsLocks) {
  WriteRows(Base() + ".RSL", LayoutLines10,
            {{"1", "П", "ПС-1.1", "ТП-1"}, {"1", "", "ТП-1", "ПС-12.3"}, {"1", "П", "ПС-2", "ПС-1.2"}});
  // Subst, NamePS, LinkPS
  WriteRows(Base() + ".RSV", LayoutSubstInputs, {{"ПС-1", "ПС-1.1", "ПС-1.2"}, {"ПС-12", "ПС-12.3", "ПС-1"}});
  WriteRows(Base() + ".RSF", LayoutSubstFeeders, {{"ПС-1.1", "ТП-1", "Ф-1"}});
  const std::string journal = Base() + GetMaketExtention(LayoutSwitchLog);
  ASSERT_FALSE(fs::exists(journal));
  {
    TSubstMatchRun run(Base());
    EXPECT_EQ(Locks(), (std::vector<std::string>{"Пример.RSF~", "Пример.RSL~", "Пример.RSV~", "Пример.SWT~"}));
    EXPECT_EQ(run.BaseNames(), (std::vector<std::string>{"ПС-1", "ПС-2"}));
    run.Apply({"ПС-1 < ПС-Лесная", "ПС-2 = ПС-2"});
    EXPECT_EQ(Locks().size(), 4U) << "written tables are locked again until the run ends";
  }
  EXPECT_TRUE(Locks().empty());
  EXPECT_EQ(Column(Base() + ".RSL", "Name1"), (std::vector<std::string>{"ПС-Лесная.1", "ТП-1", "ПС-2"}));
  EXPECT_EQ(Column(Base() + ".RSL", "Name2"), (std::vector<std::string>{"ТП-1", "ПС-12.3", "ПС-Лесная.2"}));
  EXPECT_EQ(Column(Base() + ".RSV", "NamePS"), (std::vector<std::string>{"ПС-Лесная.1", "ПС-12.3"}));
  EXPECT_EQ(Column(Base() + ".RSV", "LinkPS"), (std::vector<std::string>{"ПС-Лесная.2", "ПС-Лесная"}));
  EXPECT_EQ(Column(Base() + ".RSV", "Subst"), (std::vector<std::string>{"ПС-1", "ПС-12"})) << "not a renamed column";
  EXPECT_EQ(Column(Base() + ".RSF", "Name1"), (std::vector<std::string>{"ПС-Лесная.1"}));
  EXPECT_FALSE(fs::exists(journal)) << "a journal the base does not have is not created";
}

TEST_F(SubstMatch, TheJournalsEndsAreRenamedToo) {
  WriteRows(Base() + ".RSL", LayoutLines10, {{"1", "П", "ПС-1.1", "ТП-1"}});
  const std::string journal = Base() + GetMaketExtention(LayoutSwitchLog);
  // Date, Hour, Mins, BA, DateS, Disp, Prim, User, Time, N1, N2, Nl, Name1, Name2
  WriteRows(journal, LayoutSwitchLog,
            {{"20240105", "8", "0", "0", "", "", "", "", "", "", "", "", "ПС-1.1", "ТП-1"},
             {"20240105", "9", "0", "1", "", "", "", "", "", "", "", "", "ТП-1", "пс-1.2"},
             {"20240105", "10", "0", "1", "", "", "", "", "", "", "", "", "ТП-1", "ПС-1.3"}});
  TSubstMatchRun run(Base());
  run.Apply({"ПС-1 < ПС-Лесная"});
  EXPECT_EQ(Column(journal, "Name1"), (std::vector<std::string>{"ПС-Лесная.1", "ТП-1", "ТП-1"}));
  EXPECT_EQ(Column(journal, "Name2"), (std::vector<std::string>{"ТП-1", "пс-1.2", "ПС-Лесная.3"}))
      << "another letter case, another name";
}

TEST_F(SubstMatch, ATableHeldElsewhereStopsTheRunAndKeepsItsHoldersLock) {
  WriteRows(Base() + ".RSL", LayoutLines10, {{"1", "П", "ПС-1.1", "ТП-1"}});
  LockTableFiles(Base(), ".RSF");  // another window of this program edits the feeders
  EXPECT_THROW(TSubstMatchRun run(Base()), Error);
  EXPECT_EQ(Locks(), (std::vector<std::string>{"Пример.RSF~"}));
  UnlockTableFiles(Base(), ".RSF");

  fs::remove(Base() + ".RSL");
  EXPECT_THROW(TSubstMatchRun run(Base()), Error) << "the line table must exist";
  EXPECT_TRUE(Locks().empty()) << "a failed read releases what the run locked";
}

}  // namespace
}  // namespace ld::test
