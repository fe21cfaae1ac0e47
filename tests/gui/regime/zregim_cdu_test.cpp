// The regime window's "Экспорт ЦДУ" and "Импорт ЦДУ" with the district subsystem's card converter
// installed as the program has it.
#include "core/base/codepage.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

TEST_F(RegimeWindow, ASchemeExportedAsCardsComesBackAsANewScheme) {
  SchemeBuilder s = TwoNodes();
  s.Nodes[1].Gs = 2.5f;
  s.Branches[0].Commut = "К";
  OpenScheme(s);
  const std::string card = dir / "Обмен.CDU";
  script.Then(Choose("Экспорт в формат ЦДУ", card));
  form->ExportCDU->trigger();
  EXPECT_TRUE(box.Texts().empty());
  EXPECT_EQ(ReadBytes(card).substr(0, 34), "0102                           1\r\n");
  EXPECT_NE(ReadBytes(card).find(Utf8ToCp1251("0290         2  ТП-2\r\n")), std::string::npos);
  EXPECT_TRUE(NoLocks());

  script.Then(Choose("Выбор файла формата ЦДУ", card));
  form->ImportCDU->trigger();
  EXPECT_TRUE(box.Texts().empty()) << box.Texts()[0];
  EXPECT_EQ(Caption(), "Z-режим - Обмен");
  TDataFile nodes, branches;
  ReadTableFile(dir / "Обмен.UZL", nodes);
  ReadTableFile(dir / "Обмен.VET", branches);
  TNodeCols n;
  FillNodeCols(nodes, n);
  ASSERT_EQ(n.RowCount, 2);
  EXPECT_EQ(n.Name->GetItem(1), "ПС-1.1");
  EXPECT_EQ(n.Sign->Get(1), 'b');
  EXPECT_EQ(n.Gs->Get(2), 2.5f);
  EXPECT_DOUBLE_EQ(n.Pn->Get(2), 1);
  TBranchCols b;
  FillBranchCols(branches, b);
  ASSERT_EQ(b.RowCount, 1);
  EXPECT_EQ(b.Commut->Get(1), '\xCE') << "a branch switched off at one end comes back off at both";
  EXPECT_EQ(b.R->Get(1), 1.0f);
  EXPECT_TRUE(NoLocks());

  // a card file with a field that is no number: the window says so and shows no scheme
  WriteBytes(dir / "Порча.CDU", "0201       1-2   10.00\r\n");
  script.Then(Choose("Выбор файла формата ЦДУ", dir / "Порча.CDU"));
  form->ImportCDU->trigger();
  ASSERT_EQ(box.Texts().size(), 1U);
  EXPECT_NE(box.Texts()[0].find("\"1-2\" не является целым числом"), std::string::npos) << box.Texts()[0];
  EXPECT_EQ(Caption(), "Z-режим");
  EXPECT_TRUE(NoLocks());
}

}  // namespace
}  // namespace ld::test
