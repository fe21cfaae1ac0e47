// Subscriber and technical metering from workbooks: how a station text splits, how metering points are
// numbered, where the line's part of the energy goes, the household feeders, the measured energies of
// inputs and feeders, and the command over real workbook files.
#include "core/district/subscriber_books.h"
#include "core/district/subscriber_xls.h"

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/base/error.h"
#include "core/tables/table_file.h"
#include "support/table_rows.h"
#include "support/test_env.h"
#include "support/xls_builder.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;
using Grid = std::vector<std::vector<std::string>>;

// Cells of a sheet given row by row from row 1, each a text cell; an empty text is an empty cell.
TSheetCells Sheet(const Grid& grid) {
  return [grid](int row, int col) -> TOutsideValue {
    if (row < 1 || col < 1 || row > static_cast<int>(grid.size())) return {};
    const auto& r = grid[static_cast<std::size_t>(row - 1)];
    if (col > static_cast<int>(r.size()) || r[static_cast<std::size_t>(col - 1)].empty()) return {};
    return TOutsideValue::Text(r[static_cast<std::size_t>(col - 1)]);
  };
}

void WriteBook(const std::string& path, const Grid& grid) {
  lxw_workbook* book = workbook_new(path.c_str());
  ASSERT_NE(book, nullptr);
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  for (std::size_t r = 0; r < grid.size(); ++r)
    for (std::size_t c = 0; c < grid[r].size(); ++c)
      if (!grid[r][c].empty())
        worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), grid[r][c].c_str(),
                               nullptr);
  ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
}

Grid Cells(const TDataFile& t, const std::vector<std::string>& fields) {
  Grid rows;
  for (int r = 1; r <= t.RowCount; ++r) {
    rows.emplace_back();
    for (const std::string& f : fields) rows.back().push_back(GetCellText(t, r, FindColumnIndex(f, t), true));
  }
  return rows;
}

TDataFile Empty(const char* layout) {
  TDataFile t;
  ReadMaket(layout, t);
  CreateColumns(t, 0);
  return t;
}

// An industrial sheet: two heading rows, then points; column 1 only marks a row as data.
const Grid kIndustrial = {
    {"Ведомость"},
    {"№"},
    {"1", "Д1", "Завод", "Цех 1", "ул. Мира", "ТП-5.1", "8-17", "10", "123", "СА4", "30", "АЕ спож.", "1000", "5"},
    {"2", "Д1", "Завод", "Цех 1", "", "тп-5.т1", "", "", "124", "", "1", "АЕ спож. ", "200", "6"},
    {"3", "Д1", "Завод", "Цех 2", "", "ТП-5.Т1.Ф3", "", "", "125", "", "1", "РЕ спож.", "300", "7"},
    {"4", "Д2", "Обще-\nжитие", "Цех 2", "", "ТП-7", "", "", "0", "", "1", "АЕ ген.", "", ""},
    {"5", "Д2", "Общежитие", "Цех 3", "", "ТП-7", "", "", "", "", "1", "РЕ ген.", "много", ""},
    {"", "Д9", "после конца"},
};

TEST(SubscriberXls, IndustrialPoints) {
  MaketFileName = (DataDir() / "maket.zr").string();
  TDataFile t = Empty(LayoutMeterPoints);
  std::vector<std::string> info;
  ReadMeterPointsSheet(Sheet(kIndustrial), t, info);
  // the kind of row 4 is taken without the blank after it, as every text from outside
  const std::vector<std::string> expectedInfo = {
      "Промышленные абоненты, строка 7, столбец 13: Ошибка чтения (текст \"много\" не является числом)"};
  EXPECT_EQ(info, expectedInfo);
  const Grid expected = {
      // NameTP, Ntr, Fider, Ndog, Abonent, NumPoint, TypCounter, Device, FVL, Kvolt, W, Wt, Wl
      {"ТП-5", "Т1", "", "Д1", "Завод", "1", "1", "Y", "", "1", "200", "6", ""},
      {"ТП-5", "Т1", "Ф3", "Д1", "Завод", "2", "2", "Y", "1", "1", "300", "", "7"},
      {"ТП-5.1", "", "", "Д1", "Завод", "1", "1", "Y", "", "100", "1000", "5", ""},
      {"ТП-7", "", "", "Д2", "Общежитие", "1", "", "N", "", "100", "", "", ""},
      {"ТП-7", "", "", "Д2", "Общежитие", "2", "3", "N", "", "100", "", "", ""},
  };
  EXPECT_EQ(Cells(t, {"NameTP", "Ntr", "Fider", "Ndog", "Abonent", "NumPoint", "TypCounter", "Device", "FVL", "Kvolt",
                      "W", "Wt", "Wl"}),
            expected);
  EXPECT_EQ(Cells(t, {"NamePoint", "Address", "WorkTime", "NumCounter", "MarkCounter", "Praz", "Koef"})[2],
            (std::vector<std::string>{"Цех 1", "ул. Мира", "8-17", "123", "СА4", "10", "30"}));

  // the data end before the first row without a first cell: a point below an empty second row would be
  // lost with it, and refuses the sheet by its row
  TDataFile none = Empty(LayoutMeterPoints);
  try {
    ReadMeterPointsSheet(Sheet({{"Ведомость"}, {}, kIndustrial[2]}), none, info);
    ADD_FAILURE() << "a point below the end of the data was left out";
  } catch (const TCellTextError& e) {
    EXPECT_EQ(std::string(e.what()), "ячейка A2: пустая ячейка в столбце 1 - конец данных листа, но ниже, в строке 3, "
                                     "точка учета со значениями: ни она, ни строки под ней не были бы прочитаны - уберите "
                                     "пустые строки среди данных");
  }

  // a sheet without its title row, without its headings or without both begins its points higher; a row
  // of the columns' own numbers under the headings is no point, nor is a title of a year above them; an
  // empty row between two points is none either, and one over a note numbered as a point is is their end
  const std::vector<std::string> point1 = kIndustrial[2], point2 = kIndustrial[3];
  const std::vector<std::string> columns = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14"};
  std::vector<std::string> dotted = point1;
  dotted[0] = "1.";
  for (const auto& [grid, points] : std::vector<std::pair<Grid, int>>{{{{"№"}, point1, point2}, 2},
                                                                       {{{"Ведомость"}, point1, point2}, 2},
                                                                       {{point1, point2}, 2},
                                                                       {{dotted, point2}, 2},
                                                                       {{{"№"}, columns, point1, point2}, 2},
                                                                       {{columns, point1, point2}, 2},
                                                                       {{{"Ведомость"}, {"№"}, point1, point2}, 2},
                                                                       {{{"2026"}, {"№"}, point1, point2}, 2},
                                                                       {{{"Ведомость"}, {"№"}, point1, {}, point2}, 2},
                                                                       {{{"№"}, point1, point2, {}, {"1", "", "Примечание"}}, 2}}) {
    TDataFile t2 = Empty(LayoutMeterPoints);
    info.clear();
    EXPECT_EQ(ReadMeterPointsSheet(Sheet(grid), t2, info).Items, points) << grid.size();
    EXPECT_EQ(Cells(t2, {"NameTP", "Ntr", "W"}), (Grid{{"ТП-5", "Т1", "200"}, {"ТП-5.1", "", "1000"}})) << grid.size();
  }
}

TEST(SubscriberXls, CellHelpers) {
  EXPECT_EQ(JoinCellLines("Обще-\nжитие"), "Общежитие");
  EXPECT_EQ(JoinCellLines("ул. Мира,\nдом 5\n"), "ул. Мира, дом 5");
  EXPECT_EQ(JoinCellLines("-\n-\n"), "") << "each hyphen goes with its own line feed";
  std::vector<std::string> info;
  double v = 7;
  ReadCellFloat("Лист", Sheet({{"", "1,5", "x", "1e300"}}), 2, 1, v, info);
  EXPECT_EQ(v, 1.5);
  ReadCellFloat("Лист", Sheet({{"", "1,5", "x", "1e300"}}), 3, 1, v, info);
  ReadCellFloat("Лист", Sheet({{"", "1,5", "x", "1e300"}}), 4, 1, v, info);
  EXPECT_EQ(v, 1.5) << "a cell that is no number leaves the value";
  EXPECT_EQ(info, (std::vector<std::string>{"Лист, строка 1, столбец 3: Ошибка чтения (текст \"x\" не является числом)",
                                            "Лист, строка 1, столбец 4: Ошибка чтения (число 1E300 больше по модулю, "
                                            "чем вмещает столбец таблицы (3.4028235E38))"}));
  ReadCellFloat("Лист", Sheet({}), 1, 9, v, info);
  EXPECT_EQ(v, 0) << "an empty cell is 0";
}

TEST(SubscriberXls, HouseholdFeeders) {
  MaketFileName = (DataDir() / "maket.zr").string();
  TDataFile t = Empty(LayoutHouseholds);
  std::vector<std::string> info;
  Grid sheet = {{"Ведомость по фидерам"},
                             {"тп-2"},
                             {"1", "3", "2.5", "10"},
                             {"ТП-1"},
                             {"1", " 1 ", "10", "500"},
                             {"2", "2", "0", "30"},
                             {"3", "4", "3", "abc"},
                             {"5", " ", "2", "8"},
                             // the feeder as the base shows it, in either case: the base's feeder
                             {"6", "л6", "1", "1"},
                             {"7", "Л7", "2", "4"},
                             // a feeder written with a letter of its own gets none more
                             {"8", "Л-8", "1", "1"},
                             {"9", "Л 1", "1", "1"},
                             {"10", "л.1", "1", "1"},
                             {"11", "Ф-3", "1", "1"},
                             {"12", "ЛЭП 4", "1", "1"},
                             {},
                             {"4", "9", "1", "1"}};
  // a feeder with its figures below the empty row that ends the data would be lost: the sheet is refused
  // by its row, and read without it
  try {
    ReadHouseholdsSheet(Sheet(sheet), t, info);
    ADD_FAILURE() << "a feeder below the end of the data was left out";
  } catch (const TCellTextError& e) {
    EXPECT_EQ(e.Row, 16);
    EXPECT_NE(std::string(e.what()).find("ячейка A16: пустая ячейка в столбце 1 - конец данных листа, но ниже, в строке "
                                         "17, фидер со значениями"),
              std::string::npos)
        << e.what();
  }
  sheet.resize(15);
  t = Empty(LayoutHouseholds);
  info.clear();
  ReadHouseholdsSheet(Sheet(sheet), t, info);
  // a count of subscribers that is no whole number is named, never rounded
  EXPECT_EQ(info, (std::vector<std::string>{
                      "Бытовые абоненты, строка 3, столбец 3: Ошибка чтения (число 2.5 не целое, а абонентов целое число)",
                      "Бытовые абоненты, строка 7, столбец 4: Ошибка чтения (текст \"abc\" не является числом)",
                      // a feeder's cell left blank is named, never the prefix "Л" alone
                      "Бытовые абоненты, строка 8: не задан фидер (столбец 2)"}));
  const Grid expected = {
      {"ТП-1", "Л1", "10", "500", "50"},
      {"ТП-1", "Л2", "", "30", ""},
      {"ТП-1", "Л4", "3", "", ""},
      {"ТП-1", "", "2", "8", "4"},
      {"ТП-1", "Л6", "1", "1", "1"},
      {"ТП-1", "Л7", "2", "4", "2"},
      {"ТП-1", "Л-8", "1", "1", "1"},
      {"ТП-1", "Л 1", "1", "1", "1"},
      {"ТП-1", "Л.1", "1", "1", "1"},
      {"ТП-1", "Ф-3", "1", "1", "1"},
      {"ТП-1", "ЛЭП 4", "1", "1", "1"},
      {"ТП-2", "Л3", "", "10", ""},
  };
  EXPECT_EQ(Cells(t, {"NameTP", "Fider", "CountAb", "W", "Ws"}), expected);
}

// A households sheet as a person types it (tests/data/subscriber_sheets, written by openpyxl): a station
// and a feeder ended by Alt+Enter, a no-break space or a tab are the station and the feeder of the other
// tables, and an empty row between one station's feeders and the next station with its own is none of
// the data's end, nor is a row that a merged station's name fills; a feeder below an empty row that ends
// the data refuses the book, never left out of a base written without it.
TEST(SubscriberXls, HouseholdsSheetAsAPersonTypesIt) {
  MaketFileName = (DataDir() / "maket.zr").string();
  TempDir dir;
  const std::string stem = dir / "Район";
  TSubscriberXlsRequest r;
  r.BaseStem = stem;
  r.Byt = true;
  r.PathByt = (TestDataDir() / "subscriber_sheets" / "households_line_breaks.xlsx").string();
  std::vector<std::string> info;
  EXPECT_EQ(ImportSubscriberBasesXls(r, info), LayoutHouseholds);
  EXPECT_TRUE(info.empty()) << info.back();
  TDataFile byt;
  ReadTableFile(stem + ".BBA", byt);
  EXPECT_EQ(Cells(byt, {"NameTP", "Fider", "CountAb", "W"}),
            (Grid{{"ТП-42", "Л1", "12", "2750.25"}, {"ТП-42", "Л2", "5", "120.5"}, {"ТП-43", "Л1", "7", "300"},
                  {"ТП-44", "Л1", "3", "45"}}));
  // under a station's last feeder: an empty row over a station without a feeder with its figures below
  // it (a note), over a row of headings or a title (another table: last month's), ends the data; a
  // feeder with its figures below an empty row that ends them (alone, or under a station after two empty
  // rows) would be lost with the rows under it, and refuses the book by its row. An empty row under a
  // station's name and one between a station's last feeder and the next station, together, are read past.
  struct TGap {
    Grid below;
    std::string refusal;  // the cell that refuses the book, and why; empty: taken
    Grid taken;           // NameTP, Fider, CountAb, W of the rows taken
  };
  const std::string lost = "ячейка A3: пустая ячейка в столбце 1 - конец данных листа, но ниже, в строке ";
  const Grid first = {{"ТП-42", "Л1", "12", "10"}};
  for (const TGap& c : std::vector<TGap>{
           {{{}, {"ТП-44"}, {"1. Данные за ноябрь"}}, "", first},
           {{{}, {"№ / ТП", "Фидер", "Кол-во абонентов", "Потребление, кВт*ч"}, {"ТП-44"}, {"1", "1", "5", "10"}}, "", first},
           {{{}, {"Справочно: ноябрь 2026"}, {"ТП-42"}, {"1", "1", "12", "9"}}, "", first},
           {{{}, {"2", "2", "5", "10"}}, lost + "4, фидер со значениями", {}},
           {{{}, {}, {"ТП-44"}, {"1", "1", "5", "10"}}, lost + "6, фидер со значениями", {}},
           {{{}, {"ТП-44"}, {}, {"1", "1", "5", "10"}, {"2", "2", "6", "12"}},
            "",
            {{"ТП-42", "Л1", "12", "10"}, {"ТП-44", "Л1", "5", "10"}, {"ТП-44", "Л2", "6", "12"}}}}) {
    Grid rows = {{"ТП-42"}, {"1", "1", "12", "10"}};
    rows.insert(rows.end(), c.below.begin(), c.below.end());
    WriteBook(dir / "gap.xlsx", rows);
    TSubscriberXlsRequest gap = r;
    gap.PathByt = dir / "gap.xlsx";
    info.clear();
    WriteRows(stem + ".BBA", LayoutHouseholds, {{"ТП-9", "Л1"}});
    const std::string before = ReadBytes(stem + ".BBA");
    try {
      EXPECT_EQ(ImportSubscriberBasesXls(gap, info), LayoutHouseholds);
      EXPECT_EQ(c.refusal, "") << "taken; " << c.below.size();
      if (c.taken.size() == 1) {
        EXPECT_EQ(info, (std::vector<std::string>{"Бытовые абоненты: файл " + gap.PathByt,
                                                  "Бытовые абоненты, строка 3: пустая ячейка в столбце 1 - конец данных "
                                                  "листа, строки ниже не прочитаны"}))
            << c.below.size();
      }
      ReadTableFile(stem + ".BBA", byt);
      EXPECT_EQ(Cells(byt, {"NameTP", "Fider", "CountAb", "W"}), c.taken) << c.below.size();
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
      EXPECT_NE(c.refusal, "") << e.what();
      EXPECT_EQ(ReadBytes(stem + ".BBA"), before);
    }
  }

  // names pasted from a web page and a billing report: a no-break space or a tab after them is no part
  r.PathByt = (TestDataDir() / "subscriber_sheets" / "households_pasted.xlsx").string();
  info.clear();
  EXPECT_EQ(ImportSubscriberBasesXls(r, info), LayoutHouseholds);
  EXPECT_TRUE(info.empty());
  ReadTableFile(stem + ".BBA", byt);
  EXPECT_EQ(Cells(byt, {"NameTP", "Fider", "CountAb", "W"}),
            (Grid{{"КТП 7", "Л1", "7", "300"}, {"ТП-42", "Л1", "12", "2750.25"}, {"ТП-42", "Л8", "5", "120.5"}}));

  // a sheet whose data reach its last row is read without that line, and so is one whose station's name
  // is merged down over an empty row above its feeders (LibreOffice's book): no end of its data
  WriteBook(dir / "byt.xlsx", {{"ТП-1"}, {"1", "1", "2", "10"}});
  for (const std::string& book : {std::string(dir / "byt.xlsx"), (TestDataDir() / "sheets" / "households_station_merged_libreoffice.xls").string()}) {
    r.PathByt = book;
    info.clear();
    EXPECT_EQ(ImportSubscriberBasesXls(r, info), LayoutHouseholds);
    EXPECT_TRUE(info.empty()) << book << ": " << info.back();
  }
  ReadTableFile(stem + ".BBA", byt);
  EXPECT_EQ(byt.RowCount, 8);
  r.PathByt = dir / "byt.xlsx";

  // a figure space and a narrow no-break space after a name are cut as a no-break space is, and one
  // between the thousands of a number is the number rule's to name: neither refuses the workbook
  WriteBook(dir / "byt.xlsx", {{"ТП-42\xE2\x80\x87"}, {"1", "1", "12", "2750,25"}, {"ТП-43\xE2\x80\xAF"},
                               {"1", "1", "7", "727\xE2\x80\xAF" "200,25"}, {"2", "2", "3", "300"}});
  info.clear();
  EXPECT_EQ(ImportSubscriberBasesXls(r, info), LayoutHouseholds);
  ASSERT_EQ(info.size(), 2u);
  EXPECT_EQ(info[1].rfind("Бытовые абоненты, строка 4, столбец 4: Ошибка чтения (текст \"727", 0), 0u) << info[1];
  EXPECT_NE(info[1].find("цифры разделены пробелами"), std::string::npos) << info[1];
  ReadTableFile(stem + ".BBA", byt);
  EXPECT_EQ(Cells(byt, {"NameTP", "Fider"}), (Grid{{"ТП-42", "Л1"}, {"ТП-43", "Л1"}, {"ТП-43", "Л2"}}));

  // when no row reads, the refusal names the first row's cell that failed, with its own reason: not a
  // fixed pair of columns
  WriteBook(dir / "byt.xlsx", {{"ТП-42"}, {"1", "1", "12", "н/д"}, {"2", "2", "x", "10"}});
  try {
    ImportSubscriberBasesXls(r, info);
    ADD_FAILURE() << "a sheet of no readable row was taken";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("строка 2: столбец 4: значение не является числом (текст \"н/д\" не является "
                                         "числом"),
              std::string::npos)
        << e.what();
  }
  // a feeder row above every station names no station: told, and a sheet of only such rows gives nothing
  WriteBook(dir / "byt.xlsx", {{"1", "1", "12", "10"}, {"2", "1", "5", "10"}});
  info.clear();
  try {
    ImportSubscriberBasesXls(r, info);
    ADD_FAILURE() << "feeders of no station were taken";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("строка 1: фидер без ТП над ним (столбец 1)"), std::string::npos) << e.what();
  }
  EXPECT_NE(std::find(info.begin(), info.end(), "Бытовые абоненты, строка 2: фидер без ТП над ним (столбец 1)"),
            info.end())
      << ::testing::PrintToString(info);

  // the same households sheet given as the industrial base: a feeder's row stands where the headings do,
  // and the base's metering points are not replaced by rows of nothing; every heading that says another
  // thing is named at once
  WriteRows(stem + ".BPA", LayoutMeterPoints, {{"ТП-1", "", "", "1"}});
  const std::string points = ReadBytes(stem + ".BPA");
  TSubscriberXlsRequest industrial;
  industrial.BaseStem = stem;
  industrial.Prom = true;
  industrial.PathProm = (TestDataDir() / "subscriber_sheets" / "households_line_breaks.xlsx").string();
  try {
    ImportSubscriberBasesXls(industrial, info);
    ADD_FAILURE() << "a households sheet was taken for metering points";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + fs::absolute(industrial.PathProm).lexically_normal().string() +
                                         "\": лист \"Быт\": не подходит для команды \"Импорт базы абонентов (*.XLS)\" (база "
                                         "промышленных абонентов): ячейка A2: заголовок \"1\" - не заголовок столбца 1 (номер строки): "
                                         "в нем должно быть \"№\", \"N\", \"п/п\" или \"номер\"; ячейка B2: заголовок \"1\" - не заголовок "
                                         "столбца 2 (договор): в нем должно быть \"договор\", \"номер договора\" или \"дог\", "
                                         "ничего не изменено");
  }
  EXPECT_EQ(ReadBytes(stem + ".BPA"), points);
}

// Books laid out as people lay them out, written by real programs (tests/data/subscriber_sheets): every
// row is taken, or the book is refused by the cell or the sheet that stops it, with advice that leads
// to the data meant.
TEST(SubscriberXls, EveryRowOfABookAsProgramsWriteItIsTakenOrTheBookRefused) {
  MaketFileName = (DataDir() / "maket.zr").string();
  TempDir dir;
  const std::string stem = dir / "Район";
  const fs::path books = TestDataDir() / "subscriber_sheets";
  struct TCase {
    std::string file;
    bool industrial;
    Grid rows;            // NameTP and Fider (Ntr for the industrial base) of the rows taken
    std::string refusal;  // what the refusal says, when the book is refused
  };
  const Grid points = {{"ТП-42", "Т1"}, {"ТП-42", "Т2"}, {"ТП-43", ""}};
  const Grid letters = {{"ТП-42", "Л-8"}, {"ТП-42", "Л 1"}, {"ТП-42", "Л.1"}, {"ТП-42", "Ф-3"}, {"ТП-42", "Л-8"}};
  // feeder numbers after the first are =A2+1, kept by gnumeric without a value: no end of the data
  const std::string recalculate = "ячейка A3: формула без вычисленного значения: откройте книгу в табличной программе, "
                                  "пересчитайте ее";
  const std::vector<TCase> cases = {
      {"points_untitled_openpyxl.xlsx", true, points, ""},
      {"points_untitled_libreoffice.xls", true, points, ""},
      {"points_unheaded_openpyxl.xlsx", true, points, ""},
      {"points_unheaded_libreoffice.xls", true, points, ""},
      {"households_letters_xlsxwriter.xlsx", false, letters, ""},
      {"households_letters_libreoffice.xls", false, letters, ""},
      {"households_formulas_gnumeric.xlsx", false, {}, recalculate},
      {"households_formulas_gnumeric.xls", false, {}, recalculate},
      {"households_formulas_xlwt.xls", false, {}, recalculate},
      // numbered by =IF(B3="","",A2+1), which may give "": gnumeric keeps "" or nothing calculated alike,
      // and an empty result where the data end at an empty cell is no end
      {"households_numbered_gnumeric.xlsx", false, {}, recalculate},
      {"households_numbered_gnumeric.xls", false, {}, recalculate},
      {"households_numbered_xlwt.xls", false, {}, recalculate},
      // last month's sheet hidden before this month's: shown, it would be read; the advice puts the data
      // first
      {"../sheets/hidden_libreoffice.xlsx", false, {}, "скрыт, а читается первый лист: поставьте первым лист с данными"},
      {"../sheets/hidden_gnumeric.xls", true, {}, "скрыт, а читается первый лист: поставьте первым лист с данными"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.file);
    TSubscriberXlsRequest r;
    r.BaseStem = stem;
    (c.industrial ? r.Prom : r.Byt) = true;
    (c.industrial ? r.PathProm : r.PathByt) = (books / c.file).lexically_normal().string();
    std::vector<std::string> info;
    fs::remove(stem + ".BPA");
    fs::remove(stem + ".BBA");
    try {
      ImportSubscriberBasesXls(r, info);
      EXPECT_EQ(c.refusal, "") << "taken";
      EXPECT_TRUE(info.empty()) << ::testing::PrintToString(info);
      TDataFile t;
      ReadTableFile(stem + (c.industrial ? ".BPA" : ".BBA"), t);
      EXPECT_EQ(Cells(t, {"NameTP", c.industrial ? "Ntr" : "Fider"}), c.rows);
    } catch (const Error& e) {
      EXPECT_NE(c.refusal, "") << e.what();
      EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).find("покажите"), std::string::npos) << e.what();
      EXPECT_FALSE(fs::exists(stem + ".BBA") || fs::exists(stem + ".BPA"));
    }
  }
}

TEST(SubscriberXls, MeasuredEnergiesOfInputsAndFeeders) {
  MaketFileName = (DataDir() / "maket.zr").string();
  TDataFile inputs, feeders;
  FillRows(inputs, LayoutSubstInputs,
           {{"ПС-1", "пс-1 ввод 1", "", "", "1", "", "", "9", "9", "9", "9"},
            {"ПС-2", "ПС-2", "", "", "1", "", "", "8", "8", "8", "8"},
            {"ПС-3", "ПС-3", "", "", "1", "", "", "6", "6", "6", "6"}});
  FillRows(feeders, LayoutSubstFeeders,
           {{"ПС-1", "ЯЧ-1", "Ф-10", "", "", "1", "", "1", "1", "1", "1"},
            {"A", "B", "", "", "", "1", "", "2", "2", "2", "2"},
            {"ПС-1", "ЯЧ-3", "ф-11", "", "", "1", "", "3", "3", "3", "3"}});
  std::vector<std::string> info, stages;
  // a title above the headings; an input below an empty row; an input's name alone, which measures nothing
  ReadTechnicalSheet(Sheet({{"Технический учет за ноябрь"},
                            {"Наименование", "W1", "W2", "W3", "W4"},
                            {"ПС-1 ВВОД 1", "100", "0", "50", ""},
                            {" ф-10 ", "10", "5", "4", "2"},
                            {"Ф-11", "1", "2", "x", "4"},
                            {"Ф-99", "6", "6", "6", "6"},
                            {"Ф-10", "99", "99", "99", "99"},
                            {},
                            {"ПС-2", "7", "7", "7", "7"},
                            {"ПС-3"}}),
                     inputs, feeders, info, {}, [&](const std::string& s) { stages.push_back(s); });
  const std::vector<std::string> expectedInfo = {"Вводы подстанций : ПС-3 - в строке 10 нет значений в столбцах 2-5, "
                                                 "прежние значения оставлены",
                                                 "Фидеры подстанций : A - B не найден",
                                                 "Фидеры подстанций, строка 5, столбец 4: Ошибка чтения (текст \"x\" не "
                                                 "является числом)",
                                                 // the rows that no input or feeder took: a misspelt name and a
                                                 // repeated one (the upper row is taken); the headings are none
                                                 "Ф-99 - не найден в базе РЭС", "Ф-10 - дублирование данных"};
  EXPECT_EQ(info, expectedInfo);
  EXPECT_EQ(stages, (std::vector<std::string>{"  Чтение замеров по вводам 10(6) кВ ... ",
                                              "  Чтение замеров по фидерам 10(6) кВ ... "}));
  EXPECT_EQ(Cells(inputs, {"T", "P", "Q", "Pm", "Qm"}),
            (Grid{{"5", "100", "", "50", ""}, {"4", "7", "7", "7", "7"}, {"1", "6", "6", "6", "6"}}));
  EXPECT_EQ(Cells(feeders, {"T", "P", "Q", "Pm", "Qm"}),
            (Grid{{"4", "10", "5", "4", "2"}, {"1", "2", "2", "2", "2"}, {"4", "1", "2", "3", "4"}}));
}

// Every workbook is read before any table is written: one that cannot be read refuses the whole command
// by its name, and every table stays as it was.
TEST(SubscriberXls, CommandWritesEveryTableOrNoneWhenAWorkbookCannotBeRead) {
  MaketFileName = (DataDir() / "maket.zr").string();
  TempDir dir;
  const std::string stem = dir / "Район";
  WriteBook(dir / "prom.xlsx", kIndustrial);
  WriteBook(dir / "byt.xlsx", {{"ТП-1"}, {"1", "1", "2", "10"}});
  WriteRows(stem + ".RSF", LayoutSubstFeeders, {{"ПС-1", "ЯЧ-1", "Ф-10"}});
  const std::string oldFeeders = ReadBytes(stem + ".RSF");
  TSubscriberXlsRequest r;
  r.BaseStem = stem;
  r.Prom = r.Byt = r.Tech = true;
  r.PathProm = dir / "prom.xlsx";
  r.PathByt = dir / "byt.xlsx";
  r.PathTech = dir / "нет.xlsx";
  std::vector<std::string> info;
  try {
    ImportSubscriberBasesXls(r, info);
    ADD_FAILURE() << "a missing workbook must stop the command";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(r.PathTech), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("ничего не изменено"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(stem + ".BPA")) << "the workbooks read before are not written";
  EXPECT_FALSE(fs::exists(stem + ".BBA"));
  EXPECT_EQ(ReadBytes(stem + ".RSF"), oldFeeders);
  // the line naming the industrial workbook, its line, and where its data end: the row after them holds
  // cells
  ASSERT_EQ(info.size(), 3u);
  EXPECT_EQ(info.front(), "Промышленные абоненты: файл " + r.PathProm);
  EXPECT_EQ(info.back(), "Промышленные абоненты, строка 8: пустая ячейка в столбце 1 - конец данных листа, "
                         "строки ниже не прочитаны");
  for (const auto& e : fs::directory_iterator(dir.Path())) EXPECT_NE(e.path().string().back(), '~') << e.path();

  // without the technical workbook both tables are written
  r.Tech = false;
  info.clear();
  EXPECT_EQ(ImportSubscriberBasesXls(r, info), LayoutMeterPoints);
  TDataFile prom, byt;
  ReadTableFile(stem + ".BPA", prom);
  ReadTableFile(stem + ".BBA", byt);
  EXPECT_EQ(prom.RowCount, 5);
  EXPECT_EQ(prom.Title, "Район");
  EXPECT_EQ(Cells(byt, {"NameTP", "Fider", "Ws"}), (Grid{{"ТП-1", "Л1", "5"}}));
  r.Tech = true;

  // A workbook without a sheet, or with a cell naming a text it does not hold, is refused by name
  // (and cell): the base's table is not replaced by an empty or a short one.
  const std::string oldProm = ReadBytes(stem + ".BPA");
  const std::string sheetless = dir / "пусто.xls";
  WriteBytes(sheetless, XlsWithoutSheet());
  const std::string damaged = dir / "битая.xls";
  WriteBytes(damaged, WithTextIndex(BuildXls({{XlsCell::Text, 1, 1, 0, "Реестр"}, {XlsCell::Text, 3, 1, 0, "1"},
                                              {XlsCell::Text, 3, 6, 0, "ТП-1"}}),
                                    3, 6, 3));
  // A station named with a letter that the tables have no code for: written, it would become "ТП-?".
  const std::string greek = dir / "греч.xls";
  WriteBytes(greek, BuildXls({{XlsCell::Text, 1, 1, 0, "Реестр"}, {XlsCell::Text, 2, 1, 0, "№"},
                              {XlsCell::Text, 3, 1, 0, "1"}, {XlsCell::Text, 3, 6, 0, "ТП-α"}}));
  // A station text longer than the widest text field of the meter points' table (80 characters).
  const std::string longer = dir / "длинное.xls";
  WriteBytes(longer, BuildXls({{XlsCell::Text, 1, 1, 0, "Реестр"}, {XlsCell::Text, 2, 1, 0, "№"},
                               {XlsCell::Text, 3, 1, 0, "1"}, {XlsCell::Text, 3, 6, 0, "ТП-" + std::string(78, '7')}}));
  TSubscriberXlsRequest industrial;
  industrial.BaseStem = stem;
  industrial.Prom = true;
  for (const auto& [file, error] : std::vector<std::pair<std::string, std::string>>{
           {longer, "лист \"Лист1\", ячейка F3: текст \"ТП-" + std::string(37, '7') +
                        "...\" не поместится в поле \"ТП\": в поле не больше 40 символов, а в тексте 81"},
           {sheetless, "в книге нет листов"},
           {damaged, "файл поврежден (ссылка на строку вне таблицы строк, лист \"Лист1\", ячейка F3)"},
           {greek, "лист \"Лист1\", ячейка F3: текст \"ТП-α\" нельзя записать в таблицу: у символа \"α\" (U+03B1) "
                   "нет кода в кодировке Windows-1251"}}) {
    industrial.PathProm = file;
    info.clear();
    try {
      ImportSubscriberBasesXls(industrial, info);
      ADD_FAILURE() << file << " was imported";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + file + "\": " + error + ", ничего не изменено");
    }
    EXPECT_EQ(ReadBytes(stem + ".BPA"), oldProm);
  }
  // each part of a station text goes whole into its own field or refuses the workbook: two stations alike
  // in their first 40 characters would become one
  const auto refusal = [&](const std::string& file, const std::vector<std::string>& row) {
    Grid grid{{"Реестр"}, {"№"}, row};
    WriteBook(file, grid);
    industrial.PathProm = file;
    try {
      ImportSubscriberBasesXls(industrial, info);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("imported");
  };
  const std::string points = dir / "точки.xlsx", stem40 = "ТП-" + std::string(37, '7');
  const auto field = [&](const std::string& cell, const std::string& text, const std::string& title, int most,
                         int length) {
    return "Ошибка чтения файла \"" + points + "\": лист \"Sheet1\", ячейка " + cell + ": текст \"" + text +
           "\" не поместится в поле \"" + title + "\": в поле не больше " + std::to_string(most) +
           " символов, а в тексте " + std::to_string(length) + ", ничего не изменено";
  };
  EXPECT_EQ(refusal(points, {"1", "Д1", "", "", "", stem40 + "12.Т1"}),
            field("F3", stem40 + "...", "ТП", 40, 42));
  std::string feeder;
  for (int i = 0; i < 41; ++i) feeder += "Ф";
  EXPECT_EQ(refusal(points, {"1", "Д1", "", "", "", "ТП-1.Т1." + feeder}),
            field("F3", feeder.substr(0, 2 * 40) + "...", "Фидер 0.4 кВ", 40, 41));
  EXPECT_EQ(refusal(points, {"1", std::string(21, '7'), "", "", "", "ТП-1"}),
            field("B3", std::string(21, '7'), "№ договора", 20, 21));
  EXPECT_EQ(refusal(points, {"1", "Д1", "", "", "", "ТП-1", "", "", "", std::string(31, 'C')}),
            field("J3", std::string(31, 'C'), "Тип счетчика", 30, 31));
  EXPECT_EQ(refusal(points, {"1", "Д1", "", "", "", "ТП-1", std::string(31, '8')}),
            field("G3", std::string(31, '8'), "Режим работы", 30, 31));
  EXPECT_EQ(refusal(points, {"1", "Д1", "", "", "", "ТП-1", std::string(80, '8')}),
            field("G3", std::string(40, '8') + "...", "Режим работы", 30, 80));
  EXPECT_EQ(ReadBytes(stem + ".BPA"), oldProm);
  EXPECT_EQ(refusal(points, {"1", std::string(20, '7'), "", "", "", stem40, "", "", "", std::string(30, 'C')}),
            "imported");
  TDataFile taken;
  ReadTableFile(stem + ".BPA", taken);
  EXPECT_EQ(Cells(taken, {"NameTP", "Ndog", "MarkCounter"}),
            (Grid{{stem40, std::string(20, '7'), std::string(30, 'C')}}));
  // the households' fields are 40 wide, so there 41 are too many
  const std::string oldByt = ReadBytes(stem + ".BBA");
  WriteBook(dir / "byt.xlsx", {{"ТП-" + std::string(38, '1')}, {"1", "1", "2", "10"}});
  TSubscriberXlsRequest households;
  households.BaseStem = stem;
  households.Byt = true;
  households.PathByt = dir / "byt.xlsx";
  try {
    ImportSubscriberBasesXls(households, info);
    ADD_FAILURE() << "a station name longer than the households' fields was imported";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + households.PathByt +
                                         "\": лист \"Sheet1\", ячейка A1: текст \"ТП-" + std::string(37, '1') +
                                         "...\" не поместится в поле \"ТП\": в поле не больше 40 символов, а в тексте 41, "
                                         "ничего не изменено");
  }
  EXPECT_EQ(ReadBytes(stem + ".BBA"), oldByt);
  // the import cuts the spaces at a name's ends, so 40 characters with spaces around them fit; a title
  // above the stations is never stored, however long; spaces by the kilobyte are no name's
  const std::string station40 = "ТП-" + std::string(37, '1');
  const std::string title = "База бытовых абонентов РЭС-1 по состоянию на 01.11.2026 года";
  for (const Grid& book : {Grid{{"  " + station40 + " "}, {"1", " 1 ", "2", "10"}},
                           Grid{{title}, {station40}, {"1", "1", "2", "10"}}}) {
    WriteBook(dir / "byt.xlsx", book);
    EXPECT_NO_THROW(ImportSubscriberBasesXls(households, info)) << book[0][0];
    ReadTableFile(stem + ".BBA", byt);
    EXPECT_EQ(Cells(byt, {"NameTP", "Fider", "Ws"}), (Grid{{station40, "Л1", "5"}})) << book[0][0];
  }
  WriteBook(dir / "byt.xlsx", {{station40 + std::string(1000, ' ')}, {"1", "1", "2", "10"}});
  try {
    ImportSubscriberBasesXls(households, info);
    ADD_FAILURE() << "a name with a kilobyte of spaces was imported";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("ячейка A1: текст \"" + station40), std::string::npos) << e.what();
  }
  // the meter points' texts lose their line breaks: 80 characters in two lines fit the widest field
  const std::string firm = "ООО \"" + std::string(70, 'Z') + "-\nZZZZ\"";
  EXPECT_EQ(refusal(points, {"1", "Д1", firm, "", "", "ТП-1"}), "imported");
  ReadTableFile(stem + ".BPA", taken);
  EXPECT_EQ(Cells(taken, {"Abonent"}), (Grid{{"ООО \"" + std::string(74, 'Z') + "\""}}));

  // the technical workbook alone: the feeder table is shown, the inputs table made from its layout; its
  // first row, a title longer than any field, is never stored
  WriteBook(dir / "tech.xlsx", {{"Технический учет электроэнергии по фидерам 10 кВ за ноябрь 2026 года"},
                                {"Ф-10", "1", "0", "2", "0"}});
  r.Prom = r.Byt = false;
  r.PathTech = dir / "tech.xlsx";
  info.clear();
  EXPECT_EQ(ImportSubscriberBasesXls(r, info), LayoutSubstFeeders);
  TDataFile feeders, inputs;
  ReadTableFile(stem + ".RSF", feeders);
  ReadTableFile(stem + ".RSV", inputs);
  EXPECT_EQ(Cells(feeders, {"Line", "T", "P", "Pm"}), (Grid{{"Ф-10", "5", "1", "2"}}));
  EXPECT_EQ(inputs.RowCount, 0);
  EXPECT_TRUE(info.empty());
}

}  // namespace
}  // namespace ld::test
