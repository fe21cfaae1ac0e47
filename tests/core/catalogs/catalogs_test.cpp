// The equipment catalogues and passport lists: created when missing, found whatever the letter case,
// sorted, and looked up by mark or name with their error texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "catalog_fixture.h"
#include "core/base/numfmt.h"
#include "core/catalogs/catalog_units.h"

namespace ld::test {
namespace {

const std::vector<std::string> kTm400 = {"ТМ", "400", "10", "0.4", "5.5", "4.5", "0.95", "2.1", "ВН-ПБВ-5-3-2.5"};

class Catalogs : public CatalogTest {};

TEST_F(Catalogs, MissingCataloguesAndListsAreCreatedEmptyWithTheirTitles) {
  for (const bool sort : {true, false}) {  // created, then read back
    for (auto load : {LoadCatalogLN, LoadCatalogT2, LoadCatalogT3, LoadCatalogTR, LoadCatalogRT, LoadCatalogKA})
      load(Folder(), sort);
    LoadListT2(Folder() + "base.LT2", sort);
    LoadListT3(Folder() + "base.LT3", sort);
    LoadListTR(Folder() + "base.LTR", sort);
    LoadListRT(Folder() + "base.LRT", sort);
  }
  const std::vector<std::vector<std::string>> expected = {
      {"sprav_ln.cat", "Справочник КЛ,ВЛ", "Каталог кабельных и воздушных линий"},
      {"sprav_RT.cat", "Справочник токоогр.реакторов", "Каталог токоограничивающих реакторов"},
      {"base.LRT", "Список токоогр.реакторов", "Паспортные данные токоограничивающих реакторов"}};
  for (const auto& e : expected) {
    TDataFile t;
    ReadTableFile(dir_ / e[0], t);  // the name exactly as spelt
    EXPECT_EQ(std::tuple(t.Name, t.Title, t.RowCount), std::tuple(e[1], e[2], 0)) << e[0];
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), {}), 10);
}

TEST_F(Catalogs, FileNamesAreFoundWhateverTheirLetterCaseAndSortedLoadRewritesThem) {
  WriteRows("SPRAV_T2.CAT", CatalogLayoutT2,
            {{"ТМГ", "630", "6", "0.4"}, {"тм", "400", "10", "0.4"}, {"ТМ", "100", "10", "0.4"}, {"ТМ", "100", "6", "0.4"}});
  WriteRows("Sprav_rt.Cat", CatalogLayoutRT, {{"РБ", "10", "1000", "-8", "0", "5"}});
  std::filesystem::create_directory(dir_.Path() / "SPRAV_KA.CAT");  // a folder is not the catalogue
  LoadCatalogT2(Folder(), false);
  LoadCatalogRT(Folder(), false);
  LoadCatalogKA(Folder(), false);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_.Path() / "sprav_KA.cat"));
  EXPECT_EQ(CatalogRTCaption(1, true), "РБ-10-1000--8");
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "sprav_RT.cat"));

  LoadCatalogT2(Folder(), true);
  LoadCatalogT2(Folder(), false);  // the file was rewritten in key order
  EXPECT_EQ(CatalogT2Caption(1, true) + " " + CatalogT2Caption(2, true) + " " + CatalogT2Caption(3, true),
            "ТМ-100/6/0.4 ТМ-100/10/0.4 тм-400/10/0.4");
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "sprav_t2.cat"));
}

TEST_F(Catalogs, TwoWindingLookupByMark) {
  std::vector<std::string> second = kTm400;
  second[4] = "6";  // same caption, other losses
  WriteRows(CatalogFileT2, CatalogLayoutT2,
            {kTm400, second, {"ТМГ", "630", "6", "0.4", "7.6", "5.5", "1.1", "1.6", ""}});
  LoadCatalogT2(Folder(), false);

  TRecT2 rec;
  // The mark as typed, the first of equal rows.
  ASSERT_TRUE(FindT2ByMark("тм-400/10/0,4", rec));
  EXPECT_EQ(std::tuple(rec.Mark, rec.Pk, rec.RPN), std::tuple("тм", 5.5f, "ВН-ПБВ-5-3-2.5"));
  EXPECT_EQ(std::pair(IndexOfT2Mark("Тм-400/10/0,4"), IndexOfT2Mark("ТМГ-630/6/0.4")), std::pair(1, 3));

  // Each failure sets its text and clears the record; a success keeps the last failure's text.
  for (const auto& [mark, text] : {std::pair{"ТМ-400/6/0.4", "Марка ТМ-400/6/0.4 в каталоге трансформаторов не найдена"},
                                   {"ТМ-400/1o/0.4", "Неверно задана марка ТМ-400/1o/0.4"},
                                   {"", "Не задана марка трансформатора"}}) {
    EXPECT_FALSE(FindT2ByMark(mark, rec));
    EXPECT_EQ(CatalogErrorT2, text);
    EXPECT_EQ(rec.Sv + IndexOfT2Mark(mark), 0);
  }
  EXPECT_TRUE(FindT2ByMark("ТМГ-630/6/0.4", rec));
  EXPECT_EQ(CatalogErrorT2, "Не задана марка трансформатора");

  // Captions follow the display separator and still find their row.
  const std::string savedSeparator = FormatSettings.DecimalSeparator;
  FormatSettings.DecimalSeparator = ",";
  const std::string caption = CatalogT2Caption(1, true);
  FormatSettings.DecimalSeparator = savedSeparator;
  EXPECT_EQ(caption, "ТМ-400/10/0,4");
  EXPECT_EQ(IndexOfT2Mark(caption), 1);
}

TEST_F(Catalogs, PassportListsFindUnitsByName) {
  std::vector<std::string> t1 = kTm400;
  t1.insert(t1.begin(), "Т-1");
  WriteRows("base.LT2", ListLayoutT2,
            {t1, {"т-2", "ТМГ", "630", "6", "0.4", "7.6", "5.5", "1.1", "1.6", ""}, {"Т-2", "ТМ", "100"}});
  WriteRows("base.LRT", ListLayoutRT, {{"Р-1", "РБС", "10", "630", "0.25", "0", "4"}});
  LoadListT2(Folder() + "base.LT2", false);
  LoadListRT(Folder() + "base.LRT", false);

  TRecT2 rec;
  ASSERT_TRUE(FindT2InList("т-1", rec));
  EXPECT_EQ(std::pair(rec.Mark, rec.Sv), std::pair(std::string("ТМ"), 400.0f));
  ASSERT_TRUE(FindT2InList("Т-2", rec));
  EXPECT_EQ(rec.Mark, "ТМГ");  // the first of equal names
  EXPECT_EQ(std::tuple(IndexOfT2Name("т-2"), IndexOfT2Name(""), ListT2Name(2), CatalogT2Caption(1, false)),
            std::tuple(2, 0, "т-2", "ТМ-400/10/0.4"));
  EXPECT_FALSE(FindT2InList("Т-9", rec));
  EXPECT_EQ(CatalogErrorT2, "Трансформатор Т-9 в списке не найден");
  EXPECT_EQ(rec.Sv, 0);

  TRecRT rt;
  ASSERT_TRUE(FindRTInList("р-1", rt));
  EXPECT_EQ(rt.Mark, "РБС");
  EXPECT_FALSE(FindRTInList("Р-9", rt));
  EXPECT_EQ(CatalogErrorRT, "Токоогр. реактор Р-9 в списке не найден");
}

TEST_F(Catalogs, ThreeWindingSplitReactorAndDeviceCatalogues) {
  WriteRows(CatalogFileT3, CatalogLayoutT3,
            {{"ТДТН", "25000", "0", "0", "115", "38.5", "11", "140", "0", "0", "10.5", "17.5", "6.5", "31", "0.7",
              "ВН-РПН-19-10-1.78"}});
  WriteRows(CatalogFileTR, CatalogLayoutTR, {{"ТРДН", "25000", "115", "10.5", "6.3", "120", "10.5", "27", "0.7", ""}});
  WriteRows(CatalogFileRT, CatalogLayoutRT, {{"РБ", "10", "1000", "-8", "0", "5"}});
  WriteRows(CatalogFileKA, CatalogLayoutKA,
            {{"ВВ/TEL", "Вакуумный выключатель", "10", "630", "350", "20", "0.05", "51", "20", "3", "в"}});
  for (auto load : {LoadCatalogT3, LoadCatalogTR, LoadCatalogRT, LoadCatalogKA}) load(Folder(), false);

  EXPECT_EQ(CatalogT3Caption(1, true), "ТДТН-25000/115/38.5/11");
  TRecT3 t3;
  ASSERT_TRUE(FindT3ByMark("тдтн-25000/115/38,5/11", t3));
  EXPECT_EQ(std::tuple(t3.Pv_s, t3.Us_n, t3.RPN), std::tuple(140.0f, 6.5f, "ВН-РПН-19-10-1.78"));

  EXPECT_EQ(CatalogTRCaption(1, true), "ТРДН-25000/115/10.5/6.3");
  TRecTR tr;
  ASSERT_TRUE(FindTRByMark("ТРДН-25000/115/10.5/6.3", tr));
  EXPECT_FLOAT_EQ(tr.Ih, 0.7f);

  EXPECT_EQ(CatalogRTCaption(1, true), "РБ-10-1000--8");
  TRecRT rt;
  ASSERT_TRUE(FindRTByMark("рб-10-1000--8", rt));
  EXPECT_FLOAT_EQ(rt.dP, 5);
  EXPECT_FALSE(FindRTByMark("", rt));  // each kind names itself when no mark is given
  EXPECT_EQ(CatalogErrorRT, "Не задана марка реактора");

  EXPECT_EQ(CatalogKACaption(1), "ВВ/TEL-10-630");
  TRecKA ka;
  ASSERT_TRUE(FindKAByMark("вв/tel-10-630", ka));
  EXPECT_EQ(std::tuple(ka.Name, ka.Typ, ka.Iotk, IndexOfKAMark("ВВ/TEL-10-630")),
            std::tuple("Вакуумный выключатель", U'В', 20.0f, 1));
  EXPECT_FALSE(FindKAByMark("ВВ/TEL-10-1000", ka));
  EXPECT_EQ(ka.Name, "");
}

}  // namespace
}  // namespace ld::test
