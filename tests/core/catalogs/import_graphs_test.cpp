// Graph imports: "*.LB" files built byte by byte, another catalogue's graphs, and the cell layouts of
// the two metering systems.
#include <bit>
#include <cstring>
#include <map>

#include "catalog_fixture.h"
#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/import_grc.h"
#include "core/catalogs/import_lb.h"
#include "core/catalogs/import_rows.h"
#include "core/catalogs/import_sheets.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

class GraphImports : public CatalogTest {
protected:
  std::string Base() const { return Folder() + "схема"; }

  static std::unique_ptr<TDataFile> Catalog(const std::vector<int>& numbers) {
    auto t = std::make_unique<TDataFile>();
    ReadMaket(GraphCatalogMaket, *t);
    CreateColumns(*t, 0);
    for (const int n : numbers) AppendGraphCatalogRow(*t, n, "Свой " + std::to_string(n), 1, 3600, 'P', "кВт");
    return t;
  }
  // (number, date, value) of every row of the values table of a base.
  static std::vector<std::tuple<int, double, double>> Values(const std::string& base) {
    const auto t = OpenGraphValues(base);
    TGraphValueCols c;
    FillGraphValueCols(*t, c);
    std::vector<std::tuple<int, double, double>> rows;
    for (int r = 1; r <= c.RowCount; ++r) rows.emplace_back(c.Ngr->Get(r), c.Date->Get(r), c.Value->Get(r));
    return rows;
  }
  static void Store(const std::string& base, int number, const std::vector<std::pair<double, double>>& points) {
    DAdouble dates, data;
    for (std::size_t i = 0; i < points.size(); ++i) {
      dates[static_cast<int>(i) + 1] = points[i].first;
      data[static_cast<int>(i) + 1] = points[i].second;
    }
    dates.Count = data.Count = static_cast<int>(points.size());
    StoreGraphValues(base, number, dates, data);
  }
  ScriptedMsgBox msg_;
};

// One 428-byte record: number, length-prefixed Windows-1251 name, 24 floats, 288 bytes of anything.
std::string LBRecord(std::uint16_t number, const std::string& name, const std::vector<float>& values) {
  std::string r(428, '\x5A');
  r[0] = static_cast<char>(number & 0xFF);
  r[1] = static_cast<char>(number >> 8);
  const std::string bytes = Utf8ToCp1251(name);
  r[2] = static_cast<char>(bytes.size());
  std::memcpy(&r[3], bytes.data(), bytes.size());
  for (std::size_t h = 0; h < 24; ++h) {
    const auto bits = std::bit_cast<std::uint32_t>(values[h]);
    for (int b = 0; b < 4; ++b) r[44 + 4 * h + b] = static_cast<char>((bits >> (8 * b)) & 0xFF);
  }
  return r;
}

TEST_F(GraphImports, LBRecordsBecomeTypicalGraphs) {
  std::vector<float> day(24);
  for (int h = 0; h < 24; ++h) day[static_cast<std::size_t>(h)] = 0.1f * static_cast<float>(h + 1);
  const std::vector<float> other(24, 50.0f);
  const std::string file = Folder() + "типовые.LB";
  WriteBytes(file, std::string("LB\x01\x00", 4) + LBRecord(300, "ТП-15 Школа", day) + LBRecord(7, "Занят", other) +
                       std::string(100, '\0'));
  auto catalog = Catalog({7});
  EXPECT_EQ(ImportLBFile(file, *catalog, Base()), 1);

  TGraphCatalogCols c;
  FillGraphCatalogCols(*catalog, c);
  ASSERT_EQ(c.RowCount, 2);
  EXPECT_EQ(c.Tit->GetItem(1), "Свой 7") << "a number already there is left alone";
  EXPECT_EQ(std::tuple(c.Ngr->Get(2), c.Tit->GetItem(2), c.Typ->Get(2), c.Per->Get(2), c.Zam->Get(2), c.Unt->GetItem(2)),
            std::tuple(300, "ТП-15 Школа", kGraphTypical, 3600, 'P', "%"));

  const auto rows = Values(Base());
  ASSERT_EQ(rows.size(), 24u);
  for (int h = 0; h < 24; ++h) {
    const auto& [n, date, value] = rows[static_cast<std::size_t>(h)];
    EXPECT_EQ(n, 300);
    EXPECT_NEAR(date, 0.036 * (h + 1), 1e-9);
    EXPECT_NEAR(value, 0.1 * (h + 1), 1.01e-7) << h;
  }
  // Seven decimals: 0.1f is 0.100000001490116 as a double and comes back as 0.1.
  EXPECT_DOUBLE_EQ(std::get<2>(rows[0]), 0.1);
  EXPECT_NE(static_cast<double>(0.1f), 0.1);

  EXPECT_THROW(ImportLBFile(Folder() + "нет.LB", *catalog, Base()), Error);
}

TEST_F(GraphImports, AnotherCatalogueIsTakenOverWithItsValues) {
  const std::string otherBase = Folder() + "чужая";
  auto own = Catalog({1, 3});
  Store(Base(), 1, {{20240305.036, 11}});
  Store(Base(), 3, {{20240305.036, 31}, {20240305.072, 32}});
  auto other = Catalog({2, 3, 4});
  TGraphCatalogCols theirs;
  FillGraphCatalogCols(*other, theirs);
  theirs.Tit->SetItem(1, "~Второй");
  theirs.Tit->SetItem(2, "~Третий чужой");
  (*theirs.Per)[2] = 1800;
  theirs.Tit->SetItem(3, "Не выбран");
  Store(otherBase, 2, {{20240305.018, 21}, {20240305.036, 22}});
  Store(otherBase, 3, {{20240305.018, 91}});
  Store(otherBase, 4, {{20240305.018, 41}});

  msg_.Answer(0);  // keep the own graph 3
  EXPECT_EQ(ImportGraphCatalog(*own, Base(), *other, otherBase), 1);
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"График № 3 существует в каталоге. Перезаписать его данные ?"});
  TGraphCatalogCols mine;
  FillGraphCatalogCols(*own, mine);
  ASSERT_EQ(mine.RowCount, 3);
  EXPECT_EQ(std::tuple(mine.Ngr->Get(2), mine.Tit->GetItem(2), mine.Tit->GetItem(3)), std::tuple(2, "Второй", "Свой 3"))
      << "inserted where its number belongs";
  using V = std::vector<std::tuple<int, double, double>>;
  EXPECT_EQ(Values(Base()),
            (V{{1, 20240305.036, 11}, {2, 20240305.018, 21}, {2, 20240305.036, 22}, {3, 20240305.036, 31},
               {3, 20240305.072, 32}}));

  // Chosen again and overwritten this time: row and values are the other's.
  theirs.Tit->SetItem(2, "~Третий чужой");
  theirs.Tit->SetItem(1, "Второй");
  msg_.Clear();
  msg_.Answer(1);
  EXPECT_EQ(ImportGraphCatalog(*own, Base(), *other, otherBase), 1);
  FillGraphCatalogCols(*own, mine);
  EXPECT_EQ(std::tuple(mine.RowCount, mine.Tit->GetItem(3), mine.Per->Get(3)), std::tuple(3, "Третий чужой", 1800));
  EXPECT_EQ(Values(Base()),
            (V{{1, 20240305.036, 11}, {2, 20240305.018, 21}, {2, 20240305.036, 22}, {3, 20240305.018, 91}}));
}

// A sheet of cells for the metering-system layouts.
class Sheet {
public:
  Sheet& Text(int r, int c, std::string t) {
    cells_[{r, c}] = {TImportCell::Text, 0, std::move(t)};
    return *this;
  }
  Sheet& Number(int r, int c, double v) {
    cells_[{r, c}] = {TImportCell::Number, v, {}};
    return *this;
  }
  Sheet& Day(int r, int y, int m, int d) {
    cells_[{r, 1}] = {TImportCell::Date, EncodeDate(y, m, d), {}};
    return *this;
  }
  TCellReader Reader() const {
    return [this](int r, int c) {
      const auto at = cells_.find({r, c});
      return at == cells_.end() ? TImportCell{} : at->second;
    };
  }

private:
  std::map<std::pair<int, int>, TImportCell> cells_;
};

// Where the cells go is checked with real workbooks in the window's tests; here the units and the
// conversion errors.
TEST_F(GraphImports, MeteringSheetsReadUnitsAndStopAtBadNumbers) {
  Sheet s;
  s.Text(1, 1, "  Ввод Т1 ").Text(1, 2, "MBт").Number(1, 3, 12).Day(3, 2024, 3, 5).Number(3, 2, 1.5).Number(3, 25, 2.5);
  s.Text(4, 1, "Ввод Т2").Text(4, 2, " мвар ").Number(4, 3, 13).Day(6, 2024, 3, 5).Number(6, 5, 9);
  s.Text(7, 1, "Ток").Text(7, 2, "А").Number(7, 3, 14).Day(9, 2024, 3, 5).Number(9, 2, 1);
  s.Text(10, 1, "Сломанный").Number(10, 3, 21.5);
  auto catalog = Catalog({});
  int added = 0;
  try {
    ImportMeteringSlices(s.Reader(), *catalog, Base(), [&] { ++added; });
    ADD_FAILURE() << "no conversion error";
  } catch (const ConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "\"21.5\" не является целым числом");
  }
  EXPECT_EQ(added, 3) << "the graphs before the bad number stay";
  TGraphCatalogCols c;
  FillGraphCatalogCols(*catalog, c);
  ASSERT_EQ(c.RowCount, 3);
  EXPECT_EQ(c.Tit->GetItem(1), "Ввод Т1");
  // The third has a unit of no quantity.
  EXPECT_EQ(std::tuple(c.Zam->Get(1), c.Unt->GetItem(1), c.Zam->Get(2), c.Unt->GetItem(2), c.Zam->Get(3), c.Unt->GetItem(3)),
            std::tuple('P', "МВт", 'Q', "МВАр", '\0', ""));
  EXPECT_EQ(Values(Base()).size(), 4u) << "only the filled hours";
}

// A value that is no number, or more than a column holds, stops either layout at its cell: the graphs
// before it stay, its own graph is not stored.
TEST_F(GraphImports, MeteringValuesThatAreNoNumbersAreRefusedWithTheirCell) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const std::vector<std::pair<double, std::string>> bad = {{nan, "значение не является числом"},
                                                           {inf, "значение равно плюс бесконечности"},
                                                           {-inf, "значение равно минус бесконечности"},
                                                           {1e308, "число 1E308 больше по модулю"}};
  const TImportSource source{"графики.xls", "Лист1"};
  for (const auto& [value, reason] : bad) {
    for (const bool typical : {false, true}) {
      std::filesystem::remove_all(Folder());
      std::filesystem::create_directories(Folder());
      Sheet s;
      std::string where;
      if (typical) {
        s.Text(1, 1, "Первый").Text(1, 2, "МВт").Number(1, 3, 1).Number(1, 4, 5);
        s.Text(2, 1, "Второй").Text(2, 2, "МВт").Number(2, 3, 2).Number(2, 10, value);
        where = "J2";
      } else {
        s.Text(1, 1, "Первый").Text(1, 2, "МВт").Number(1, 3, 1).Day(3, 2024, 3, 5).Number(3, 2, 5);
        s.Text(4, 1, "Второй").Text(4, 2, "МВт").Number(4, 3, 2).Day(6, 2024, 3, 5).Number(6, 2, 1).Number(6, 5, value);
        where = "E6";
      }
      auto catalog = Catalog({});
      const std::string expected =
          "Ошибка чтения файла \"графики.xls\": лист \"Лист1\", ячейка " + where + ": " + reason;
      try {
        if (typical) ImportMeteringTypical(s.Reader(), *catalog, Base(), {}, source);
        else ImportMeteringSlices(s.Reader(), *catalog, Base(), {}, source);
        ADD_FAILURE() << expected;
      } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).substr(0, expected.size()), expected);
      }
      TGraphCatalogCols c;
      FillGraphCatalogCols(*catalog, c);
      EXPECT_EQ(c.RowCount, 1) << expected;
      for (const auto& [number, date, v] : Values(Base())) EXPECT_EQ(number, 1) << expected;
    }
  }
}

// Cells of a workbook's file: a graph number or a value that is no number names the file, the sheet and
// the cell with the conversion's own words.
TEST_F(GraphImports, ConversionErrorsOfAWorkbookNameTheirCell) {
  Sheet s;
  s.Text(1, 1, "Ввод").Text(1, 2, "МВт").Number(1, 3, 12.5);
  auto catalog = Catalog({});
  try {
    ImportMeteringTypical(s.Reader(), *catalog, Base(), {}, {"графики.xlsx", "Лист1"});
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Ошибка чтения файла \"графики.xlsx\": лист \"Лист1\", ячейка C1: \"12.5\" не является целым числом");
  }
  s.Number(1, 3, 12).Text(1, 9, "н/д");
  try {
    ImportMeteringTypical(s.Reader(), *catalog, Base(), {}, {"графики.xlsx", "Лист1"});
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Ошибка чтения файла \"графики.xlsx\": лист \"Лист1\", ячейка I1: \"н/д\"", 0), 0u)
        << e.what();
  }
  TGraphCatalogCols c;
  FillGraphCatalogCols(*catalog, c);
  EXPECT_EQ(c.RowCount, 0);
}

}  // namespace
}  // namespace ld::test
