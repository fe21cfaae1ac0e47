// Aligning catalogue folders: a union of rows in which neither side wins.
#include <filesystem>

#include "catalog_fixture.h"
#include "core/catalogs/align_catalogs.h"
#include "core/tables/table_file.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

class AlignCatalogs : public CatalogTest {
protected:
  AlignCatalogs() { std::filesystem::create_directory(dir_.Path() / "other"); }
  std::string Other() const { return Folder() + "other/"; }

  // Mark, name and nominal current of every row, in file order.
  struct Row {
    std::string mark, name, inom;
    int rowMark;
    bool operator==(const Row&) const = default;
  };
  static std::vector<Row> Rows(const std::string& file) {
    TDataFile t;
    ReadTableFile(file, t);
    std::vector<Row> rows;
    for (int r = 1; r <= t.RowCount; ++r)
      rows.push_back({GetCellText(t, r, 1, true), GetCellText(t, r, 2, true), GetCellText(t, r, 4, true),
                      t.MarkRec->Get(r)});
    return rows;
  }
  ScriptedMsgBox msg_;
};

const std::vector<std::string> kBreaker = {"ВВ/TEL", "Вакуумный", "10", "630"};
const std::vector<std::string> kSwitch = {"РВ", "Разъединитель", "10", "400"};
const std::vector<std::string> kLoadSwitch = {"ВНА", "Выключатель нагрузки", "10", "400"};

TEST_F(AlignCatalogs, SameFolderChangesNothingAndAMissingFolderIsRefused) {
  WriteRows(CatalogFileKA, CatalogLayoutKA, {kBreaker, kSwitch});
  const std::string before = ReadBytes(Folder() + CatalogFileKA);
  std::vector<int> steps;
  ASSERT_TRUE(AlignCatalogFolders(Folder(), Folder(), [&](int done) { steps.push_back(done); }));
  EXPECT_EQ(ReadBytes(Folder() + CatalogFileKA), before);
  EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_FALSE(AlignCatalogFolders(Folder(), Folder() + "нет/"));
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Путь не существует"});
  EXPECT_EQ(ReadBytes(Folder() + CatalogFileKA), before);
}

TEST_F(AlignCatalogs, OneSidedRowsAreAppendedToTheOtherSideWithMarkNine) {
  WriteRows(CatalogFileKA, CatalogLayoutKA, {kBreaker, kSwitch});
  // The other workplace spells the file in capitals and changed the breaker's current.
  std::vector<std::string> changed = kBreaker;
  changed[3] = "1000";
  WriteRows("other/SPRAV_KA.CAT", CatalogLayoutKA, {kSwitch, kLoadSwitch, changed});
  WriteRows("other/" + CatalogFileT2, CatalogLayoutT2, {{"ТМ", "400", "10", "0.4"}});  // no own file: skipped
  const std::string t2 = ReadBytes(Folder() + "other/" + CatalogFileT2);

  ASSERT_TRUE(AlignCatalogFolders(Folder(), Other()));
  EXPECT_EQ(Rows(Folder() + CatalogFileKA),
            (std::vector<Row>{{"ВВ/TEL", "Вакуумный", "630", 0},
                              {"РВ", "Разъединитель", "400", 0},
                              {"ВНА", "Выключатель нагрузки", "400", kAlignedRowMark},
                              {"ВВ/TEL", "Вакуумный", "1000", kAlignedRowMark}}));
  EXPECT_EQ(Rows(Other() + "SPRAV_KA.CAT"),
            (std::vector<Row>{{"РВ", "Разъединитель", "400", 0},
                              {"ВНА", "Выключатель нагрузки", "400", 0},
                              {"ВВ/TEL", "Вакуумный", "1000", 0},
                              {"ВВ/TEL", "Вакуумный", "630", kAlignedRowMark}}));
  EXPECT_FALSE(std::filesystem::exists(Folder() + CatalogFileT2));
  EXPECT_EQ(ReadBytes(Other() + CatalogFileT2), t2);

  // Aligned once, aligned for good.
  const std::string a = ReadBytes(Folder() + CatalogFileKA);
  const std::string b = ReadBytes(Other() + "SPRAV_KA.CAT");
  ASSERT_TRUE(AlignCatalogFolders(Folder(), Other()));
  EXPECT_EQ(ReadBytes(Folder() + CatalogFileKA), a);
  EXPECT_EQ(ReadBytes(Other() + "SPRAV_KA.CAT"), b);
}

TEST_F(AlignCatalogs, TwoEqualRowsMissingOnOneSideArriveThereOnce) {
  WriteRows(CatalogFileKA, CatalogLayoutKA, {kBreaker});
  WriteRows("other/" + CatalogFileKA, CatalogLayoutKA, {kLoadSwitch, kLoadSwitch});
  ASSERT_TRUE(AlignCatalogFolders(Folder(), Other()));
  EXPECT_EQ(Rows(Folder() + CatalogFileKA).size(), 2u);
  EXPECT_EQ(Rows(Other() + CatalogFileKA).size(), 3u);
}

}  // namespace
}  // namespace ld::test
