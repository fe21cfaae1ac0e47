// Switchings entered into the journal, the moments it names and the supply names of its rows.
#include "core/regime/switch_journal.h"

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
  EXPECT_EQ(journal.RowCount, 2);
  // another branch in that minute after it, an earlier moment before both
  EXPECT_EQ(SwitchOff(1, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0)), 1);
  EXPECT_EQ(SwitchOff(2, EncodeDate(2004, 3, 5) + EncodeTime(9, 5, 0)), 1);
  ASSERT_EQ(journal.RowCount, 6);
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  std::vector<int> rows;  // N1, before/after and the row mark of each row
  for (int r = 1; r <= 6; ++r) rows.insert(rows.end(), {(*j.N1)[r], (*j.BA)[r], (*journal.MarkRec)[r]});
  EXPECT_EQ(rows, (std::vector<int>{3, 0, 112, 3, 1, 0, 2, 0, 112, 2, 1, 0, 4, 0, 112, 4, 1, 0}));
  EXPECT_EQ((std::vector<int>{(*j.Date)[5], (*j.Hour)[5], (*j.Mins)[5], (*j.Commut)[5]}),
            (std::vector<int>{20040305, 10, 30, 0}));
  EXPECT_EQ(j.DateS->GetItem(5) + "|" + j.Time->GetItem(6) + "|" + j.Disp->GetItem(6) + "|" + j.User->GetItem(5),
            "05.03.2004 10:30|06.03.2004 00:00|Петров|Иванов");
  EXPECT_EQ((*j.Commut)[6], Letter("О"));

  // the moments to move the scheme to: one per minute, named after its first pair; an impossible hour
  // names none
  j.Prim->SetItem(2, "плановое");
  (*j.Hour)[5] = (*j.Hour)[6] = 24;
  const std::vector<TJournalMoment> moments = JournalMoments(journal);
  ASSERT_EQ(moments.size(), 2u);
  EXPECT_EQ(moments[0].Text, "05.03.2004 09:05...плановое...откл. 3 - 2");
  EXPECT_EQ(moments[1].Text, "05.03.2004 10:30...откл. 2 - 1");
  EXPECT_DOUBLE_EQ(moments[1].Moment, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0));
  std::vector<int> current;
  for (int mins : {9 * 60, 10 * 60 + 29, 10 * 60 + 30})
    current.push_back(CurrentMoment(moments, EncodeDate(2004, 3, 5) + EncodeTime(mins / 60, mins % 60, 0)));
  EXPECT_EQ(current, (std::vector<int>{-1, 0, 1}));
}

TEST_F(SwitchEntry, KindsAndSupplyNames) {
  const char on = 0, off = Letter("О");
  EXPECT_EQ((std::vector<TSwitchKind>{SwitchKindOf(off, on), SwitchKindOf(on, off), SwitchKindOf(Letter("п"), on),
                                      SwitchKindOf(off, off), SwitchKindOf(Letter("Ф"), on)}),
            (std::vector<TSwitchKind>{TSwitchKind::SwitchOff, TSwitchKind::SwitchOn, TSwitchKind::Damage,
                                      TSwitchKind::Replacement, TSwitchKind::Other}));

  b.DSName->SetItem(1, "ПС1 Ф5");
  b.DSName->SetItem(2, "Л");  // too short to name a feeder
  b.DSName->SetItem(3, "ТП3-4");
  EXPECT_EQ(JoinSubstationNames(regime, 4, b), "ПС1 Ф5, ТП3-4");
  EXPECT_EQ(JoinSubstationNames(regime, 3, b), "ПС1 Ф5");
  EXPECT_EQ(JoinSubstationNames(regime, 1, b), "");

  TRecSwt before;
  ReadBranchRec(b, 2, before);
  EXPECT_FALSE(BranchChanged(b, 2, before));
  (*b.R)[2] = 1.5f;
  EXPECT_TRUE(BranchChanged(b, 2, before));
}

}  // namespace
}  // namespace ld::test
