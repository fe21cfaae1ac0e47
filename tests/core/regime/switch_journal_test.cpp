#include <gtest/gtest.h>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/engine/scheme_builder.h"
#include "core/regime/switch_journal.h"
#include "core/tables/table_file.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

class SwitchEntry : public ::testing::Test {
protected:
  void SetUp() override {
    MaketFileName = (DataDir() / "maket.zr").string();
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
    (*b.Commut)[row] = Utf8ToCp1251("О")[0];
    return InsertSwitchPair(journal, branches, row, before, {moment, EncodeDate(2004, 3, 6), "Петров", "", "Иванов"});
  }

  TempDir dir;
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
  const int n1[6] = {3, 3, 2, 2, 4, 4};
  for (int r = 1; r <= 6; ++r) {
    EXPECT_EQ((*j.N1)[r], n1[r - 1]) << r;
    EXPECT_EQ((*j.BA)[r], (r + 1) % 2) << r;
    EXPECT_EQ((*journal.MarkRec)[r], r % 2 ? 112 : 0) << r;
  }
  EXPECT_EQ((*j.Date)[5], 20040305);
  EXPECT_EQ((*j.Hour)[5], 10);
  EXPECT_EQ((*j.Mins)[5], 30);
  EXPECT_EQ(j.DateS->GetItem(5), "05.03.2004 10:30");
  EXPECT_EQ(j.Time->GetItem(6), "06.03.2004 00:00");
  EXPECT_EQ(j.Disp->GetItem(6), "Петров");
  EXPECT_EQ(j.User->GetItem(5), "Иванов");
  EXPECT_EQ((*j.Commut)[5], 0);
  EXPECT_EQ(Cp1251ToUtf8(std::string(1, (*j.Commut)[6])), "О");

  // the moments to move the scheme to: one per minute, named after its first pair; an impossible hour
  // names none
  j.Prim->SetItem(2, "плановое");
  (*j.Hour)[5] = (*j.Hour)[6] = 24;
  const std::vector<TJournalMoment> moments = JournalMoments(journal);
  ASSERT_EQ(moments.size(), 2u);
  EXPECT_EQ(moments[0].Text, "05.03.2004 09:05...плановое...откл. 3 - 2");
  EXPECT_EQ(moments[1].Text, "05.03.2004 10:30...откл. 2 - 1");
  EXPECT_DOUBLE_EQ(moments[1].Moment, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0));
  EXPECT_EQ(CurrentMoment(moments, EncodeDate(2004, 3, 5) + EncodeTime(9, 0, 0)), -1);
  EXPECT_EQ(CurrentMoment(moments, EncodeDate(2004, 3, 5) + EncodeTime(10, 29, 0)), 0);
  EXPECT_EQ(CurrentMoment(moments, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0)), 1);
}

TEST_F(SwitchEntry, KindsAndSupplyNames) {
  const char on = 0, off = Utf8ToCp1251("О")[0], damage = Utf8ToCp1251("п")[0], f = Utf8ToCp1251("Ф")[0];
  EXPECT_EQ(SwitchKindOf(off, on), TSwitchKind::SwitchOff);
  EXPECT_EQ(SwitchKindOf(on, off), TSwitchKind::SwitchOn);
  EXPECT_EQ(SwitchKindOf(damage, on), TSwitchKind::Damage);
  EXPECT_EQ(SwitchKindOf(off, off), TSwitchKind::Replacement);
  EXPECT_EQ(SwitchKindOf(f, on), TSwitchKind::Other);

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
