// The columns a scheme table gets refreshed before the grid writes it.
#include "core/regime/grid_refresh.h"

#include "core/tables/unom.h"
#include "regime_test.h"

namespace ld::test {
namespace {

using GridRefresh = RegimeTest;

TEST_F(GridRefresh, BranchAndFlowColumnsFromLettersAndNodes) {
  TDataFile nodes;
  ReadMaket(LayoutNodes, nodes);
  CreateColumns(nodes, 2);
  TNodeCols n;
  FillNodeCols(nodes, n);
  (*n.NS)[1] = 3, (*n.NS)[2] = 7;
  n.Name->SetItem(1, "ПС1.А");
  n.Name->SetItem(2, "ТП5");

  TDataFile branches;
  ReadMaket(LayoutBranches, branches);
  const char* letters[] = {"Н", "К", "Ф", "О", "П", "", "н", "Z"};
  CreateColumns(branches, 8);
  TBranchCols b;
  FillBranchCols(branches, b);
  for (int r = 1; r <= 8; ++r)
    (*b.Commut)[r] = Letter(letters[r - 1]), (*b.Com1)[r] = (*b.Com2)[r] = 'x', (*b.N1)[r] = 3, (*b.N2)[r] = 7;
  (*b.N1)[2] = 99;
  b.Name1->SetItem(2, "старое");
  b.TypEqu->SetItem(1, "T2|Т1|0");
  b.Mark->SetItem(1, "ТМН-6300/35");
  b.Notv[1] = 3;
  b.TypEqu->SetItem(2, "LN|1.5|");
  RefreshBranchTable(branches, &nodes);
  std::string ends;  // the ends' letters of each row, "-" for none
  for (int r = 1; r <= 8; ++r)
    for (const char c : {b.Com1->Get(r), b.Com2->Get(r), ' '}) ends += c ? c : '-';
  EXPECT_EQ(ends, "o- -o -o oo oo -- o- xx ");
  EXPECT_EQ(b.Text->GetItem(1) + " " + b.Text->GetItem(2), "T2|Т1|0ТМН-6300/35Pos=3 LN|1.5|");
  EXPECT_EQ(b.Name1->GetItem(1) + "-" + b.Name2->GetItem(1) + "-" + b.Name1->GetItem(2), "ПС1.А-ТП5-");  // no node 99

  TDataFile flows;
  ReadMaket(LayoutLineFlows, flows);
  CreateColumns(flows, 1);
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  (*f.N1)[1] = 99, (*f.N2)[1] = 7;
  f.Name1->SetItem(1, "Фидер 12");
  RefreshLineFlowTable(flows, &nodes);
  EXPECT_EQ(f.Name1->GetItem(1) + "-" + f.Name2->GetItem(1), "Фидер 12-ТП5");
}

TEST_F(GridRefresh, NominalVoltagesAndJournalDates) {
  TDataFile un;
  ReadMaket(LayoutNominalVoltages, un);
  CreateColumns(un, 3);
  auto& unom = *GetColumnAs<DAdouble>("Unom", un);
  unom[1] = 35, unom[2] = -10, unom[3] = 0.4;
  (*un.MarkRec)[1] = 112;
  DAdouble list;
  list[7] = 500;
  RefreshNominalVoltages(un, list);
  ASSERT_EQ(list.Count, 3);
  EXPECT_EQ((std::vector<double>{list.Get(1), list.Get(2), list.Get(3)}), (std::vector<double>{0.4, 10, 35}));
  EXPECT_EQ((std::vector<int>{un.MarkRec->Get(1), un.MarkRec->Get(2)}), (std::vector<int>{0, 112}));

  TDataFile log;
  ReadMaket(LayoutSwitchLog, log);
  CreateColumns(log, 1);
  TSwitchLogCols s;
  FillSwitchLogCols(log, s);
  (*s.Date)[1] = 20040305, (*s.Hour)[1] = 7, (*s.Mins)[1] = 5;
  RefreshSwitchLog(log);
  EXPECT_EQ(s.DateS->GetItem(1), "05.03.2004 07:05");
}

}  // namespace
}  // namespace ld::test
