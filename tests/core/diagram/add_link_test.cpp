// A new branch from a node: proposed names and voltages from the catalogues, free numbers, the checks of
// confirmation and the rows appended for a line and for a transformer star.
#include <gtest/gtest.h>

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

TEST_F(AddLinkTest, NamesOfAMissingMarkAndOfAPassport) {

  TNewLink missing = Propose("T2||", "ТМ-630/10/0.4", "5");
  EXPECT_EQ(error_, "Марка ТМ-630/10/0.4 в каталоге трансформаторов не найдена");
  EXPECT_EQ(missing.Name[0], "ТП-12.5.0") << "named from what the record holds";

  // A passport name is looked up in the scheme's own list.
  WriteRows(dir_ / ("схема" + GetMaketExtention(ListLayoutT2)), ListLayoutT2,
            {{"Т-1", "ТМ", "250", "6", "0.4", "3.7", "4.5", "0.74", "2.3", ""}});
  TNewLink passport = Propose("T2|т-1|", "ТМ-250/6/0.4", "8");
  EXPECT_EQ(error_, "");
  EXPECT_EQ(passport.Name[0], "ТП-12.8.04");
}

TEST_F(AddLinkTest, WindingRowsOfAStar) {
  TNewLink star = Propose("T3||0", "ТДТН-25000/115/27.5/10.5", "5");
  ASSERT_EQ(error_, "");
  star.TypEqu = "T3|Т1|0";
  star.Number[0] = 8, star.Number[1] = 9, star.Number[2] = 10;
  star.Sdop = 25, star.Ktn = 1, star.Kta = 1, star.R = 3;
  AppendNewLink(nodes_, branches_, star, 1, "ТП-12.1", "5");
  TNodeCols nc;
  TBranchCols bc;
  FillNodeCols(nodes_, nc);
  FillBranchCols(branches_, bc);
  ASSERT_EQ(nc.RowCount, 3);
  ASSERT_EQ(bc.RowCount, 3);
  EXPECT_FLOAT_EQ(bc.R->Get(1), 3) << "the transformer's own branch keeps the calculator's values";
  EXPECT_NE(star.T3.Kn, 0) << "the catalogue's ratios were completed";
  EXPECT_FLOAT_EQ(bc.R->Get(2), star.T3.Rs);

  TNewLink split = Propose("TR||0", "ТРДН-25000/115/10.5/6.3", "5");
  split.Number[0] = 11, split.Number[1] = 12, split.Number[2] = 13, split.Sdop = 25;
  AppendNewLink(nodes_, branches_, split, 1, "ТП-12.1", "5");
  FillBranchCols(branches_, bc);
  ASSERT_EQ(bc.RowCount, 6);
  for (int r : {5, 6}) {
    EXPECT_FLOAT_EQ(bc.Sdop->Get(r), 12.5f) << "half the power to each half of the winding";
    EXPECT_EQ(bc.Regulation->GetItem(r), "НН-ПБВ-5-3-2") << "both halves take the low winding's regulator";
  }
}

// The three new nodes of a star become rows of one table: a winding may take neither the number nor the
// name of another new node, in any letter case, any more than those of the scheme's nodes.
TEST_F(AddLinkTest, TheNewNodesOfAStarAreCheckedAgainstEachOther) {
  TNodeCols nc;
  FillNodeCols(nodes_, nc);
  TNewLink star;
  star.Count = 3;
  star.Number[0] = 8, star.Number[1] = 9, star.Number[2] = 10;
  star.Name[0] = "ПС.Нейтраль", star.Name[1] = "ПС.35", star.Name[2] = "ПС.10";
  EXPECT_EQ(CheckNewLink(nc, star), "");
  star.Number[1] = 8;
  EXPECT_EQ(CheckNewLink(nc, star), "Номер узла 8 уже существует");
  star.Number[1] = 9, star.Number[2] = 9;
  EXPECT_EQ(CheckNewLink(nc, star), "Номер узла 9 уже существует");
  star.Number[2] = 10, star.Name[2] = "пс.35";
  EXPECT_EQ(CheckNewLink(nc, star), "Наименование узла \"ПС.35\" уже существует");
}

}  // namespace
}  // namespace ld::test
