// The columns a scheme table gets refreshed before the grid writes it.
#include <gtest/gtest.h>

#include "core/base/codepage.h"
#include "core/regime/grid_refresh.h"
#include "core/tables/colmaps.h"
#include "core/tables/unom.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

char Letter(const char* utf8) { return Utf8ToCp1251(utf8)[0]; }

TEST(GridRefresh, BranchAndFlowColumnsFromLettersAndNodes) {
  MaketFileName = (DataDir() / "maket.zr").string();
  TDataFile nodes;
  ReadMaket(LayoutNodes, nodes);
  CreateColumns(nodes, 2);
  TNodeCols n;
  FillNodeCols(nodes, n);
  (*n.NS)[1] = 3;
  n.Name->SetItem(1, "ПС1.А");
  (*n.NS)[2] = 7;
  n.Name->SetItem(2, "ТП5");

  TDataFile branches;
  ReadMaket(LayoutBranches, branches);
  const char* letters[] = {"Н", "К", "Ф", "О", "П", "", "н", "Z"};
  CreateColumns(branches, 8);
  TBranchCols b;
  FillBranchCols(branches, b);
  for (int r = 1; r <= 8; ++r) {
    (*b.Commut)[r] = Letter(letters[r - 1]);
    (*b.Com1)[r] = 'x';
    (*b.Com2)[r] = 'x';
    (*b.N1)[r] = 3;
    (*b.N2)[r] = 7;
  }
  (*b.N1)[2] = 99;
  b.Name1->SetItem(2, "старое");
  b.TypEqu->SetItem(1, "T2|Т1|0");
  b.Mark->SetItem(1, "ТМН-6300/35");
  b.Notv[1] = 3;
  b.TypEqu->SetItem(2, "LN|1.5|");
  RefreshBranchTable(branches, &nodes);
  const char* com1[] = {"o", "", "", "o", "o", "", "o", "x"};
  const char* com2[] = {"", "o", "o", "o", "o", "", "", "x"};
  for (int r = 1; r <= 8; ++r) {
    const char c1 = b.Com1->Get(r), c2 = b.Com2->Get(r);
    EXPECT_EQ(c1 ? std::string(1, c1) : "", com1[r - 1]) << r;
    EXPECT_EQ(c2 ? std::string(1, c2) : "", com2[r - 1]) << r;
  }
  EXPECT_EQ(b.Text->GetItem(1), "T2|Т1|0ТМН-6300/35Pos=3");
  EXPECT_EQ(b.Text->GetItem(2), "LN|1.5|");
  EXPECT_EQ(b.Name1->GetItem(1), "ПС1.А");
  EXPECT_EQ(b.Name2->GetItem(1), "ТП5");
  EXPECT_EQ(b.Name1->GetItem(2), "");  // no node 99

  TDataFile flows;
  ReadMaket(LayoutLineFlows, flows);
  CreateColumns(flows, 1);
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  (*f.N1)[1] = 99;
  (*f.N2)[1] = 7;
  f.Name1->SetItem(1, "Фидер 12");
  RefreshLineFlowTable(flows, &nodes);
  EXPECT_EQ(f.Name1->GetItem(1), "Фидер 12");
  EXPECT_EQ(f.Name2->GetItem(1), "ТП5");
}

TEST(GridRefresh, NominalVoltagesAndJournalDates) {
  MaketFileName = (DataDir() / "maket.zr").string();
  TDataFile un;
  ReadMaket(LayoutNominalVoltages, un);
  CreateColumns(un, 3);
  auto& unom = *GetColumnAs<DAdouble>("Unom", un);
  unom[1] = 35;
  unom[2] = -10;
  unom[3] = 0.4;
  (*un.MarkRec)[1] = 112;
  DAdouble list;
  list[7] = 500;
  RefreshNominalVoltages(un, list);
  ASSERT_EQ(list.Count, 3);
  EXPECT_DOUBLE_EQ(list.Get(1), 0.4);
  EXPECT_DOUBLE_EQ(list.Get(2), 10);
  EXPECT_DOUBLE_EQ(list.Get(3), 35);
  EXPECT_EQ(un.MarkRec->Get(1), 0);
  EXPECT_EQ(un.MarkRec->Get(2), 112);

  TDataFile log;
  ReadMaket(LayoutSwitchLog, log);
  CreateColumns(log, 1);
  TSwitchLogCols s;
  FillSwitchLogCols(log, s);
  (*s.Date)[1] = 20040305;
  (*s.Hour)[1] = 7;
  (*s.Mins)[1] = 5;
  RefreshSwitchLog(log);
  EXPECT_EQ(s.DateS->GetItem(1), "05.03.2004 07:05");
}

}  // namespace
}  // namespace ld::test
