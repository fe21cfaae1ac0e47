// A new branch from a node: proposed names and voltages from the catalogues, free numbers, the checks of
// confirmation and the rows appended for a line and for a transformer star.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/catalogs/catalog_units.h"
#include "core/diagram/add_link.h"
#include "core/engine/scheme_builder.h"
#include "core/tables/table_file.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

class AddLinkTest : public ::testing::Test {
protected:
  AddLinkTest() : savedMaket_(MaketFileName) {
    MaketFileName = (DataDir() / "maket.zr").string();
    WriteRows(dir_ / CatalogFileT2, CatalogLayoutT2,
              {{"ТМ", "400", "10", "0.4", "5.5", "4.5", "0.95", "2.1", "ВН-ПБВ--5-3-2.5"}});
    WriteRows(dir_ / CatalogFileT3, CatalogLayoutT3,
              {{"ТДТН", "25000", "50", "40", "115", "27.5", "10.5", "140", "0", "0", "10.5", "17.5", "6.5", "31",
                "0.7", "ВН-РПН-П-19-10-1.78;СН-ПБВ-П-5-3-2.5"}});
    WriteRows(dir_ / CatalogFileTR, CatalogLayoutTR,
              {{"ТРДН", "25000", "115", "10.5", "6.3", "120", "10.5", "27", "0.7", "ВН-РПН-П-19-10-1.78;НН-ПБВ-5-3-2"}});
    ReadMaket(LayoutNodes, nodes_);
    CreateColumns(nodes_, 0);
    ReadMaket(LayoutBranches, branches_);
    CreateColumns(branches_, 0);
  }
  ~AddLinkTest() override { MaketFileName = savedMaket_; }

  TNewLink Propose(const std::string& typEqu, const std::string& mark, const std::string& ds,
                   const std::string& start = "ТП-12.1") {
    TNewLink link;
    link.TypEqu = typEqu, link.Mark = mark;
    ProposeLink(link, LinkPrefix(start), ds, dir_ / "схема", dir_.Path().string() + "/", error_);
    return link;
  }

  NominalVoltages classes_;
  TempDir dir_;
  TDataFile nodes_, branches_;
  std::string error_;

private:
  std::string savedMaket_;
};

TEST_F(AddLinkTest, NamesAndVoltagesFromTheCatalogues) {
  TNewLink t2 = Propose("T2||", "ТМ-400/10/0.4", "5");
  EXPECT_EQ(error_, "");
  EXPECT_EQ(t2.Count, 1);
  EXPECT_EQ(t2.Name[0], "ТП-12.5.04");
  EXPECT_FLOAT_EQ(t2.U[0], 0.38f) << "the nominal voltage of the class";

  TNewLink t3 = Propose("T3||0", "ТДТН-25000/115/27.5/10.5", "5");
  EXPECT_EQ(error_, "");
  EXPECT_EQ(t3.Count, 3);
  EXPECT_EQ(t3.Name[0], "ТП-12.*5");
  EXPECT_EQ(t3.Name[1], "ТП-12.5.27");
  EXPECT_EQ(t3.Name[2], "ТП-12.5.10");
  EXPECT_FLOAT_EQ(t3.U[0], 115);
  EXPECT_FLOAT_EQ(t3.U[1], 27.5f);
  EXPECT_FLOAT_EQ(t3.U[2], 10);

  TNewLink tr = Propose("TR||0", "ТРДН-25000/115/10.5/6.3", "Ф5");
  EXPECT_EQ(tr.Name[0], "ТП-12.*Ф5");
  EXPECT_EQ(tr.Name[1], "ТП-12.5.10");
  EXPECT_EQ(tr.Name[2], "ТП-12.7.6") << "the second half of a split winding";

  TNewLink bare = Propose("T3||0", "ТДТН-25000/115/27.5/10.5", "", "ТП-12");
  EXPECT_EQ(bare.Name[0], "ТП-12.*");
  EXPECT_EQ(bare.Name[1], "ТП-12.1.27") << "no dispatcher digits give 1; a name without a point is its prefix";

  TNewLink line = Propose("LN|6|АС-70", "АС-70", "3");
  EXPECT_EQ(line.Count, 1);
  EXPECT_FLOAT_EQ(line.U[0], 6);
  EXPECT_EQ(line.Name[0], "");

  TNewLink missing = Propose("T2||", "ТМ-630/10/0.4", "5");
  EXPECT_EQ(error_, "Марка ТМ-630/10/0.4 в каталоге трансформаторов не найдена");
  EXPECT_EQ(missing.Name[0], "ТП-12.5.0") << "named from what the record holds";

  // A passport name is looked up in the scheme's own list.
  WriteRows(dir_ / ("схема" + GetMaketExtention(ListLayoutT2)), ListLayoutT2,
            {{"Т-1", "ТМ", "250", "6", "0.4", "3.7", "4.5", "0.74", "2.3", ""}});
  TNewLink passport = Propose("T2|т-1|", "ТМ-250/6/0.4", "8");
  EXPECT_EQ(error_, "");
  EXPECT_EQ(passport.Name[0], "ТП-12.8.04");

  double nominal = 0;
  EXPECT_EQ(VoltageText(27, nominal), "27");
  EXPECT_EQ(VoltageText(0.4, nominal), "04");
  EXPECT_EQ(VoltageText(150, nominal), "150");
  EXPECT_EQ(WindingRegulation("ВН-РПН-19;НН-ПБВ-5;НН-ТПР-3", "НН"), "НН-ПБВ-5;НН-ТПР-3");
  EXPECT_EQ(WindingRegulation("ВН-РПН-19", "СН"), "");
}

TEST_F(AddLinkTest, ChecksAndFreeNumbers) {
  FillRows(nodes_, LayoutNodes, {{"1", "ТП-12.1"}, {"2", "ТП-12.5.04"}, {"4"}, {"-3"}});
  TNodeCols nc;
  FillNodeCols(nodes_, nc);
  ASSERT_EQ(nc.NS->Get(2), 2) << "the test's node rows need the layout's column order";
  EXPECT_EQ(FreeNodeNumbers(nc, 3), (std::vector<std::int32_t>{3, 5, 6}));

  TNewLink link;
  EXPECT_EQ(CheckNewLink(nc, link), "Не задан номер конца связи");
  link.Number[0] = 3;
  EXPECT_EQ(CheckNewLink(nc, link), "Не задано наименование конца связи");
  link.Name[0] = "тп-12.5.04";
  EXPECT_EQ(CheckNewLink(nc, link), "Наименование узла \"ТП-12.5.04\" уже существует");
  link.Number[0] = 4;
  EXPECT_EQ(CheckNewLink(nc, link), "Номер узла 4 уже существует");
  link.Number[0] = 3, link.Name[0] = "ТП-12.*5";
  EXPECT_EQ(CheckNewLink(nc, link), "");
  link.Count = 3;
  const std::vector<std::pair<std::string, std::function<void()>>> steps = {
      {"Не задан номер обмотки СН тр-ра", [&] { link.Number[1] = 5; }},
      {"Не задано наименование обмотки СН тр-ра", [&] { link.Name[1] = "ТП-12.5.10"; }},
      {"Не задан номер обмотки НН тр-ра", [&] { link.Number[2] = 5; }},
      {"Не задано наименование обмотки НН тр-ра", [&] { link.Name[2] = "тп-12.5.10"; }},
      {"Номер узла 5 уже существует", [&] { link.Number[2] = 6; }},
      {"Наименование узла \"ТП-12.5.10\" уже существует", [&] { link.Name[2] = "ТП-12.5.6"; }},
      {"", [] {}}};
  for (const auto& [text, mend] : steps) {
    EXPECT_EQ(CheckNewLink(nc, link), text);
    mend();
  }
}

TEST_F(AddLinkTest, RowsOfALineAndOfAStar) {
  TNewLink line;
  line.Number[0] = 7, line.Name[0] = "ТП-7", line.U[0] = 10;
  line.R = 1.5f, line.X = 2.5f, line.Idop = 265, line.Mark = "АС-70", line.TypEqu = "LN|10|АС-70";
  AppendNewLink(nodes_, branches_, line, 1, "ТП-12.1", "Ф-3");
  ASSERT_EQ(nodes_.RowCount, 1);
  ASSERT_EQ(branches_.RowCount, 1);

  TNewLink star = Propose("T3||0", "ТДТН-25000/115/27.5/10.5", "5");
  ASSERT_EQ(error_, "");
  star.TypEqu = "T3|Т1|0";
  star.Number[0] = 8, star.Number[1] = 9, star.Number[2] = 10;
  star.Sdop = 25, star.Ktn = 1, star.Kta = 1, star.R = 3;
  star.Regulation = "ВН-РПН-П-19-10-1.78";
  AppendNewLink(nodes_, branches_, star, 1, "ТП-12.1", "5");
  TNodeCols nc;
  TBranchCols bc;
  FillNodeCols(nodes_, nc);
  FillBranchCols(branches_, bc);
  ASSERT_EQ(nc.RowCount, 4);
  ASSERT_EQ(bc.RowCount, 4);
  EXPECT_EQ(nc.Name->GetItem(1), "ТП-7");
  EXPECT_FLOAT_EQ(nc.Um->Get(1), 10);
  EXPECT_EQ(bc.Name1->GetItem(1), "ТП-12.1");
  EXPECT_EQ(bc.DSName->GetItem(1), "Ф-3");
  EXPECT_FLOAT_EQ(bc.Idop->Get(1), 265);
  EXPECT_EQ(bc.N1->Get(1), 1);
  EXPECT_EQ(bc.N2->Get(1), 7);

  EXPECT_EQ(nc.NS->Get(3), 9);
  EXPECT_EQ(nc.Name->GetItem(4), "ТП-12.5.10");
  EXPECT_FLOAT_EQ(nc.Um->Get(2), 115);
  EXPECT_EQ(bc.TypEqu->GetItem(2), "T3|Т1|0");
  EXPECT_FLOAT_EQ(bc.R->Get(2), 3);
  EXPECT_EQ(bc.Regulation->GetItem(2), "ВН-РПН-П-19-10-1.78");
  for (int r : {3, 4}) {
    EXPECT_EQ(bc.N1->Get(r), 8);
    EXPECT_EQ(bc.Name1->GetItem(r), "ТП-12.*5");
    EXPECT_EQ(bc.Mark->GetItem(r), "ТДТН-25000/115/27.5/10.5");
    EXPECT_EQ(bc.DSName->GetItem(r), "5");
  }
  EXPECT_EQ(bc.N2->Get(3), 9);
  EXPECT_EQ(bc.TypEqu->GetItem(3), "T3|Т1|1");
  EXPECT_EQ(bc.TypEqu->GetItem(4), "T3|Т1|2");
  EXPECT_EQ(bc.Regulation->GetItem(3), "СН-ПБВ-П-5-3-2.5");
  EXPECT_EQ(bc.Regulation->GetItem(4), "");
  EXPECT_FLOAT_EQ(bc.Sdop->Get(3), 12.5f);
  EXPECT_FLOAT_EQ(bc.Sdop->Get(4), 10);
  EXPECT_FLOAT_EQ(bc.R->Get(3), star.T3.Rs);
  EXPECT_FLOAT_EQ(bc.X->Get(4), star.T3.Xn);
  EXPECT_FLOAT_EQ(bc.Kta->Get(3), star.T3.Ks);
  EXPECT_FLOAT_EQ(bc.Ktn->Get(4), star.T3.Kn);
  EXPECT_NE(star.T3.Kn, 0) << "the catalogue's ratios were completed";

  TNewLink split = Propose("TR||0", "ТРДН-25000/115/10.5/6.3", "5");
  split.Number[0] = 11, split.Number[1] = 12, split.Number[2] = 13, split.Sdop = 25;
  AppendNewLink(nodes_, branches_, split, 1, "ТП-12.1", "5");
  FillBranchCols(branches_, bc);
  ASSERT_EQ(bc.RowCount, 7);
  EXPECT_FLOAT_EQ(bc.Sdop->Get(6), 12.5f);
  EXPECT_FLOAT_EQ(bc.Sdop->Get(7), 12.5f);
  EXPECT_EQ(bc.Regulation->GetItem(6), "НН-ПБВ-5-3-2") << "both halves take the low winding's regulator";
  EXPECT_EQ(bc.Regulation->GetItem(7), "НН-ПБВ-5-3-2");
  EXPECT_FLOAT_EQ(bc.Kta->Get(7), split.TR.Kn2);
  EXPECT_FLOAT_EQ(bc.Ktr->Get(6), split.TR.Kn1Im);
}

}  // namespace
}  // namespace ld::test
