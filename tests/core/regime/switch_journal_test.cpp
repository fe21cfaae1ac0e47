// Switchings entered into the journal in the order of their moments.
#include "core/regime/switch_journal.h"

#include <cctype>
#include <filesystem>

#include "core/engine/regime.h"
#include "regime_test.h"

namespace ld::test {
namespace {

class SwitchEntry : public RegimeTest {
protected:
  SwitchEntry() {
    SchemeBuilder s;
    s.Node(1, "B").Um = 10;
    for (int n = 2; n <= 4; ++n) s.Node(n, "", 0.1, 0).Um = 10;
    s.Branch(2, 1, 1, 1);
    s.Branch(3, 2, 1, 1);
    s.Branch(4, 3, 1, 1);
    base = s.Read(regime, dir.Path());
    ReadTableFile(base + GetMaketExtention(LayoutBranches), branches);
    FillBranchCols(branches, b);
    ReadMaket(LayoutSwitchLog, journal);
    CreateColumns(journal, 0);
  }
  // Switches branch row off (letter "О") at the moment and journals it.
  int SwitchOff(int row, TDateTime moment) {
    TRecSwt before;
    ReadBranchRec(b, row, before);
    (*b.Commut)[row] = Letter("О");
    return InsertSwitchPair(journal, branches, row, before, {moment, EncodeDate(2004, 3, 6), "Петров", "", "Иванов"});
  }

  TRegime regime;
  std::string base;
  TDataFile branches, journal;
  TBranchCols b;
};

TEST_F(SwitchEntry, PairsKeptInOrderOfMomentAndBranch) {
  const TDateTime t1030 = EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 40);
  EXPECT_EQ(SwitchOff(3, t1030), 1);
  // the same branch again within that minute: refused
  EXPECT_EQ(SwitchOff(3, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0)), 0);
  // another branch in that minute after it, an earlier moment before both
  EXPECT_EQ(SwitchOff(1, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0)), 1);
  EXPECT_EQ(SwitchOff(2, EncodeDate(2004, 3, 5) + EncodeTime(9, 5, 0)), 1);
  ASSERT_EQ(journal.RowCount, 6);
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  std::vector<int> rows;  // N1, before/after and the row mark of each row
  for (int r = 1; r <= 6; ++r) rows.insert(rows.end(), {(*j.N1)[r], (*j.BA)[r], (*journal.MarkRec)[r]});
  EXPECT_EQ(rows, (std::vector<int>{3, 0, 112, 3, 1, 0, 2, 0, 112, 2, 1, 0, 4, 0, 112, 4, 1, 0}));
  EXPECT_EQ((std::vector<int>{(*j.Hour)[5], (*j.Mins)[5], (*j.Commut)[5], (*j.Commut)[6]}),
            (std::vector<int>{10, 30, 0, Letter("О")}));

  // A repeated entry is refused naming the first row of the entry it repeats and what to change.
  const TDateTime t1030end = EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 59);
  EXPECT_EQ(FindSwitchEntry(journal, branches, 3, t1030end), 5);
  EXPECT_EQ(FindSwitchEntry(journal, branches, 1, t1030end), 3);
  EXPECT_EQ(FindSwitchEntry(journal, branches, 3, EncodeDate(2004, 3, 5) + EncodeTime(10, 31, 0)), 0);
  EXPECT_EQ(DuplicateEntryText(5, t1030end),
            "Дублирование записи: строка 5 журнала переключений уже содержит переключение этой ветви в "
            "05.03.2004 10:30. Одна ветвь переключается не более одного раза в минуту: измените время или дату "
            "записи");

  // The moment proposed for the next entry: now to the minute, never at or before the last entry.
  struct Case {
    TDateTime now, proposed;
  };
  const TDateTime day = EncodeDate(2004, 3, 5);
  for (const Case& c : {Case{day + EncodeTime(10, 30, 10), day + EncodeTime(10, 31, 0)},
                        Case{day + EncodeTime(9, 0, 0), day + EncodeTime(10, 31, 0)},
                        Case{day + EncodeTime(10, 45, 59), day + EncodeTime(10, 45, 0)},
                        Case{EncodeDate(2026, 12, 10) + EncodeTime(2, 20, 35), EncodeDate(2026, 12, 10) + EncodeTime(2, 20, 0)}}) {
    const TDateTime proposed = ProposedSwitchMoment(journal, c.now);
    EXPECT_NEAR(proposed, c.proposed, 1e-7) << FormatDateTime("dd.mm.yyyy hh:nn:ss", c.now);
    EXPECT_EQ(FindSwitchEntry(journal, branches, 3, proposed), 0);
  }
}

// A switching is journaled where this workstation keeps journals, and on any scheme that has a journal
// whatever the setting and the letter case of the journal's name: otherwise the saved scheme would run
// ahead of its journal.
TEST_F(SwitchEntry, ASchemeWithAJournalKeepsItWhateverTheSetting) {
  const std::string ext = GetMaketExtention(LayoutSwitchLog);
  std::string lower = ext;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  struct Case {
    std::string journalExt;  // "" for a scheme without a journal
    bool setting, keeps;
  };
  for (const Case& c : {Case{"", false, false}, Case{"", true, true}, Case{ext, false, true},
                        Case{lower, false, true}, Case{ext, true, true}}) {
    for (const std::string& e : {ext, lower}) std::filesystem::remove(base + e);
    journal.FileDate = TFileStamp();  // a new file each time
    if (!c.journalExt.empty()) WriteTableFile(base + c.journalExt, journal);
    EXPECT_EQ(SwitchingKeepsJournal(base, c.setting), c.keeps) << "journal " << c.journalExt << ", setting " << c.setting;
  }
}

}  // namespace
}  // namespace ld::test
