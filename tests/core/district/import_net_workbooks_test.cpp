// Network workbooks into a new base: main-line and branch sections, lengths and marks, the transformer
// columns, the end of the data by ten empty cells, and rows that cannot be read.
#include "core/district/import_net_workbooks.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/base/error.h"
#include "core/base/strings.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "core/tables/table_file.h"
#include "support/test_env.h"
#include "support/table_rows.h"
#include "support/xls_builder.h"

namespace ld::test {
namespace {

class NetWorkbooksImport : public ::testing::Test {
protected:
  NetWorkbooksImport() { MaketFileName = (DataDir() / "maket.zr").string(); }
  TempDir dir;
};

// Texts and numbers of one row from column 1 on; "" leaves a cell empty, "#..." is a number.
void Row(Worksheet& sheet, int row, const std::vector<std::string>& cells) {
  for (std::size_t c = 0; c < cells.size(); ++c) {
    const int col = static_cast<int>(c) + 1;
    if (cells[c].empty()) continue;
    if (cells[c][0] == '#')
      sheet.SetNumber(row, col, ld::StrToFloatZ(cells[c].substr(1)));
    else
      sheet.SetText(row, col, cells[c]);
  }
}

TEST_F(NetWorkbooksImport, SectionsAndTransformersOfTwoWorkbooks) {
  Workbook book;
  Worksheet& sheet = book.sheets.emplace_back("Фидер 5");
  sheet.SetNumber(1, 1, 10);
  Row(sheet, 2, {"Начало", "Конец", "L, км", "Марка"});
  Row(sheet, 4, {"ПС-1.Ф5", "", "#0.25", "АС-50"});
  Row(sheet, 5, {"ТП-1", "ТП-2", "#0.1", "АС-35", "#1", "#400", "#0", "", "#250"});
  Row(sheet, 9, {"ТП-3", "ТП-4", "один", "АС-35", "", "#100"});
  Row(sheet, 10, {"ТП-3", "ТП-5", "#0.5", "А-50", "#0", "#0", "#0", "#0", "#0"});
  // lengths that no line has, or that no column holds
  Row(sheet, 11, {"ТП-6", "ТП-7", "2e13", "АС-35"});
  Row(sheet, 12, {"ТП-6", "ТП-8", "#1e39", "АС-35", "", "#100"});
  Row(sheet, 20, {"ТП-5", "", "#1.0005", "АС-70"});  // nine empty cells above do not end the data
  Row(sheet, 31, {"ТП-9", "ТП-10", "#1", "АС-70"});  // ten empty cells above do
  const std::string first = dir / "Фидер 5.xlsx";
  WriteXlsx(first, book);
  const std::string second = dir / "Фидер 6.xls";
  WriteBytes(second, BuildXls({{XlsCell::Number, 1, 1, 6, ""},
                               {XlsCell::Text, 4, 1, 0, "А"},
                               {XlsCell::Text, 4, 2, 0, "Б"},
                               {XlsCell::Number, 4, 3, 2, ""},
                               {XlsCell::Number, 4, 6, 100, ""},
                               {XlsCell::Number, 4, 7, 0, ""},
                               {XlsCell::Number, 4, 8, 0, ""},
                               {XlsCell::Number, 4, 9, 0, ""}}));

  std::vector<int> progress;
  TBaseImport base;
  ImportNetWorkbooks({first, second}, dir / "Сеть", base, [&](int p) { progress.push_back(p); });

  const TDataFile& l = base.Lines;
  EXPECT_EQ(l.Title, "Сеть");
  EXPECT_EQ(ColumnTexts(l, "Name1"),
            (std::vector<std::string>{"ПС-1.Ф5", "ТП-1", "ТП-3", "ТП-3", "ТП-6", "ТП-6", "ТП-5", "А"}));
  EXPECT_EQ(ColumnTexts(l, "Name2"), (std::vector<std::string>{"ТП-1", "ТП-2", "ТП-4", "ТП-5", "ТП-7", "ТП-8", "", "Б"}));
  EXPECT_EQ(ColumnTexts(l, "Sign"), (std::vector<std::string>{"П", "+", "+", "+", "+", "+", "П", "+"}));
  EXPECT_EQ(ColumnTexts(l, "Un"), (std::vector<std::string>{"10", "10", "10", "10", "10", "10", "10", "6"}));
  EXPECT_EQ(ColumnTexts(l, "KodLine"),
            (std::vector<std::string>{"250*АС-50", "100*АС-35", "", "500*А-50", "", "", "1000*АС-70", ""}));
  EXPECT_EQ(base.Messages,
            (std::vector<std::string>{"файл " + first + ", строка 9: текст \"один\" не является числом",
                                      "файл " + first + ", строка 11: длина 20000000000000 км не является длиной линии",
                                      "файл " + first + ", строка 12: число 1E39 больше по модулю, чем вмещает столбец таблицы (3.4028235E38)"}));

  const TDataFile& s = base.Stations;
  EXPECT_EQ(ColumnTexts(s, "Name1"), (std::vector<std::string>{"ТП-2", "ТП-2", "ТП-2", "Б"}));
  EXPECT_EQ(ColumnTexts(s, "Ntr"), (std::vector<std::string>{"Т1", "Т3", "Т4", "Т1"}));
  EXPECT_EQ(ColumnTexts(s, "Transform"),
            (std::vector<std::string>{"ТМ-400/10/0.4", "ТМ-/10/0.4", "ТМ-250/10/0.4", "ТМ-100/6/0.4"}));
  EXPECT_EQ(ColumnTexts(s, "A"), (std::vector<std::string>{"А", "А", "А", ""}));

  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(std::count(progress.begin(), progress.end(), 0), 2) << "each workbook starts the bar again";
  EXPECT_LE(*std::max_element(progress.begin(), progress.end()), 100);
}

// A transformer power merged down over the stations of two rows (tests/data/sheets, openpyxl): the first
// station's, and the second row named by the range, never a second transformer of that power.
TEST_F(NetWorkbooksImport, APowerMergedOverTwoStationsIsTheFirstOnes) {
  TBaseImport base;
  ImportNetWorkbooks({(TestDataDir() / "sheets" / "network_merged_openpyxl.xlsx").string()}, dir / "сеть", base);
  EXPECT_EQ(ColumnTexts(base.Stations, "Name1"), std::vector<std::string>{"ТП-2"});
  EXPECT_EQ(ColumnTexts(base.Stations, "Transform"), std::vector<std::string>{"ТМ-400/10/0.4"});
  ASSERT_EQ(base.Messages.size(), 1u);
  EXPECT_NE(base.Messages[0].find("строка 6: ячейка F6: ячейка входит в объединенную ячейку F5:F6"), std::string::npos)
      << base.Messages[0];
}

TEST_F(NetWorkbooksImport, TheDataEndsAtTenEmptyCellsAndAWorkbookThatCannotBeOpenedStopsTheImport) {
  const auto column = [](std::vector<std::string> cells) {
    return LastUsedRow([cells](int row) { return row <= static_cast<int>(cells.size()) && !cells[row - 1].empty(); });
  };
  EXPECT_EQ(column({"10"}), 1) << "a sheet empty from row 2 on ends at row 1";
  EXPECT_EQ(column({}), 0);
  EXPECT_EQ(column({"10", "", "", "", "x", "", "", "", "", "", "", "", "", "", "y"}), 15);
  EXPECT_EQ(column({"10", "", "", "", "x", "", "", "", "", "", "", "", "", "", "", "y"}), 5);

  TBaseImport base;
  const std::string missing = dir / "нет.xls";
  try {
    ImportNetWorkbooks({missing}, dir / "Сеть", base);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Ошибка чтения файла \"" + missing + "\"", 0), 0u) << e.what();
  }

  // A section whose end node names a text the workbook does not hold: the workbook is damaged, and
  // is refused by the cell, instead of losing the section's end and its transformers unseen.
  const std::string good = dir / "Фидер.xls";
  const std::string cells = BuildXls({{XlsCell::Number, 1, 1, 10, ""},
                                      {XlsCell::Text, 4, 1, 0, "ТП-1"},
                                      {XlsCell::Text, 4, 2, 0, "ТП-2"},
                                      {XlsCell::Number, 4, 6, 250, ""}});
  WriteBytes(good, cells);
  const std::string broken = dir / "Битый.xls";
  WriteBytes(broken, WithTextIndex(cells, 4, 2, 2));
  const std::string sheetless = dir / "Без листов.xls";
  WriteBytes(sheetless, XlsWithoutSheet());
  const std::string noSheets = "Ошибка чтения файла \"" + sheetless + "\": в книге нет листов";
  // a sheet of its heading alone would give a base short of that feeder
  const std::string headed = dir / "Шапка.xls";
  WriteBytes(headed, BuildXls({{XlsCell::Number, 1, 1, 10, ""}, {XlsCell::Text, 3, 1, 0, "Начало"}}));
  for (const auto& [file, error] : std::vector<std::pair<std::string, std::string>>{
           {broken, "Ошибка чтения файла \"" + broken +
                        "\": файл поврежден (ссылка на строку вне таблицы строк, лист \"Лист1\", ячейка B4)"},
           {sheetless, noSheets},
           {headed, "Ошибка чтения файла \"" + headed + "\": лист \"Лист1\": на листе нет ни одной строки, которую берет импорт: нет данных для импорта, ничего не изменено"}}) {
    base = TBaseImport();
    try {
      ImportNetWorkbooks({good, file}, dir / "Сеть", base);
      ADD_FAILURE() << file << " was imported";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), error);
    }
  }
  // Two stations whose names differ only in a letter without a Windows-1251 code would be written as
  // one name: the workbook is refused by the cell.
  Workbook greek;
  Worksheet& g = greek.sheets.emplace_back("Фидер 7");
  g.SetNumber(1, 1, 10);
  Row(g, 4, {"ТП-1", "ТП-α", "#0.1", "АС-35", "", "#250"});
  Row(g, 5, {"ТП-1", "ТП-β", "#0.2", "АС-35", "", "#160"});
  const std::string letters = dir / "Фидер 7.xlsx";
  WriteXlsx(letters, greek);
  base = TBaseImport();
  try {
    ImportNetWorkbooks({good, letters}, dir / "Сеть", base);
    ADD_FAILURE() << "names without a code were imported";
  } catch (const Error& e) {
    const std::string text = e.what();
    EXPECT_EQ(text.rfind("Ошибка чтения файла \"" + letters + "\": лист \"Фидер 7\", ячейка B4: ", 0), 0u) << text;
    EXPECT_NE(text.find("U+03B1"), std::string::npos) << text;
  }
  // a 0 where a node is named (a text formula's result its book did not keep) names no station: the
  // workbook is refused by the cell, at a section's start, at its end and at the start of the next row
  for (const auto& [rows, cell] : std::vector<std::pair<std::vector<std::vector<std::string>>, std::string>>{
           {{{"#0", "ТП-2", "#0.1", "АС-35", "", "#250"}}, "A4"},
           {{{"ТП-1", "#0", "#0.1", "АС-35", "", "#250"}}, "B4"},
           {{{"ТП-1", "", "#0.1", "АС-35"}, {"#0"}}, "A5"}}) {
    Workbook zero;
    Worksheet& z = zero.sheets.emplace_back("Фидер 7");
    z.SetNumber(1, 1, 10);
    for (std::size_t r = 0; r < rows.size(); ++r) Row(z, 4 + static_cast<int>(r), rows[r]);
    WriteXlsx(letters, zero);
    base = TBaseImport();
    try {
      ImportNetWorkbooks({letters}, dir / "Сеть", base);
      ADD_FAILURE() << cell << ": a node 0 was imported";
    } catch (const Error& e) {
      const std::string text = e.what();
      EXPECT_EQ(text.rfind("Ошибка чтения файла \"" + letters + "\": лист \"Фидер 7\", ячейка " + cell + ": \"0\" - не имя ТП", 0),
                0u) << text;
    }
  }
  // the last column of a row is looked at before the row is taken, whether the row reads it (a
  // branch's fourth transformer) or not (a main-line section): neither becomes a row's message
  for (const bool branch : {true, false}) {
    Workbook last;
    Worksheet& w = last.sheets.emplace_back("Фидер 7");
    w.SetNumber(1, 1, 10);
    Row(w, 4, {"ТП-1", branch ? "ТП-2" : "", "#0.1", "АС-35", "", "#250", "#0", "#0", "γ"});
    Row(w, 5, {"ТП-2"});
    WriteXlsx(letters, last);
    base = TBaseImport();
    try {
      ImportNetWorkbooks({letters}, dir / "Сеть", base);
      ADD_FAILURE() << "column 9 was not looked at; messages: " << base.Messages.size();
    } catch (const Error& e) {
      const std::string text = e.what();
      EXPECT_EQ(text.rfind("Ошибка чтения файла \"" + letters + "\": лист \"Фидер 7\", ячейка I4: ", 0), 0u) << text;
      EXPECT_NE(text.find("U+03B3"), std::string::npos) << text;
    }
  }

  // A text longer than the widest text field of the line and station tables (80 characters in their
  // layouts) fits none: the workbook is refused by its cell, whichever column of a row holds it, the
  // length's too. 80 characters are taken.
  std::string widest;
  for (int i = 0; i < 80; ++i) widest += "Ж";
  const std::string wide = dir / "Фидер 8.xlsx";
  const auto importRow = [&](const std::vector<std::string>& cells) {
    Workbook book;
    Worksheet& w = book.sheets.emplace_back("Фидер 8");
    w.SetNumber(1, 1, 10);
    Row(w, 4, cells);
    WriteXlsx(wide, book);
    base = TBaseImport();
    try {
      ImportNetWorkbooks({wide}, dir / "Сеть", base);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("imported");
  };
  const std::string tooLong = "\": лист \"Фидер 8\", ячейка ";
  // Each text then goes whole into its own field or refuses the workbook by its cell: a mark with its
  // length fills the 60 characters of its field, a name the 40 of the node and station names, a
  // transformer's mark with the voltage the 40 of its field, the voltage the 6 of its own.
  const std::string mark56 = widest.substr(0, 2 * 56), name40 = "ТП-" + widest.substr(0, 2 * 37);
  ASSERT_EQ(importRow({name40, name40, "#0.1", mark56, "", std::string(30, '4')}), "imported");
  EXPECT_EQ(ColumnTexts(base.Lines, "KodLine"), std::vector<std::string>{"100*" + mark56});
  EXPECT_EQ(ColumnTexts(base.Stations, "Name1"), (std::vector<std::string>(4, name40)));
  EXPECT_EQ(ColumnTexts(base.Stations, "Transform")[0], "ТМ-" + std::string(30, '4') + "/10/0.4");
  const auto beyond = [&](const std::string& cell, const std::string& text, const std::string& field, int most,
                          int length) {
    return "Ошибка чтения файла \"" + wide + tooLong + cell + ": текст \"" + text + "\" не поместится в поле \"" +
           field + "\": в поле не больше " + std::to_string(most) + " символов, а в тексте " + std::to_string(length);
  };
  EXPECT_EQ(importRow({"ТП-1", "ТП-2", "#0.1", widest.substr(0, 2 * 66), "", "#250"}),
            beyond("D4", "100*" + widest.substr(0, 2 * 36) + "...", "Марка провода (кабеля)", 60, 70));
  // two stations alike in their first 40 characters would become one node with both stations' lines
  const std::string stem = "ТП-" + widest.substr(0, 2 * 37);
  EXPECT_EQ(importRow({"ТП-1", stem + "-12", "#0.1", "АС-50", "", "#250"}),
            beyond("B4", stem + "...", "Начало участка", 40, 43));
  EXPECT_EQ(importRow({stem + "-13", "", "#0.1", "АС-50"}),
            beyond("A4", stem + "...", "Начало участка", 40, 43));
  EXPECT_EQ(importRow({"ТП-1", "ТП-2", "#0.1", "АС-50", "", "", "", "", std::string(31, '4')}),
            beyond("I4", "ТМ-" + std::string(31, '4') + "/10/0....", "Марка тр-ра", 40, 41));
  Workbook volts;
  Worksheet& v = volts.sheets.emplace_back("Фидер 8");
  v.SetText(1, 1, "10.5 кВ");
  Row(v, 4, {"ТП-1", "ТП-2"});
  WriteXlsx(wide, volts);
  EXPECT_THROW(ImportNetWorkbooks({wide}, dir / "Сеть", base), Error) << "a voltage of 7 characters for 6";
  const std::string shown = widest.substr(0, 80) + "...";  // 40 letters of two bytes
  EXPECT_EQ(importRow({"ТП-1", "ТП-2", "#0.1", widest + "Ж", "", "#250"}),
            "Ошибка чтения файла \"" + wide + tooLong + "D4: текст \"" + shown +
                "\" не поместится ни в одно поле таблиц: в поле не больше 80 символов");
  EXPECT_EQ(importRow({"ТП-1", "ТП-2", std::string(81, '1'), "АС-50", "", "#250"}),
            "Ошибка чтения файла \"" + wide + tooLong + "C4: текст \"" + std::string(40, '1') +
                "...\" не поместится ни в одно поле таблиц: в поле не больше 80 символов");

  // A sheet whose first cell is no voltage is no network workbook, whatever its rows hold: a staff list's
  // names and salaries in columns 1 and 3 would read as sections and their lengths.
  Workbook staff;
  Worksheet& st = staff.sheets.emplace_back("Сотрудники");
  Row(st, 1, {"Фамилия", "Телефон", "Оклад"});
  for (int r = 2; r <= 8; ++r) Row(st, r, {"Иванов " + std::to_string(r), "8-912-345-67-0" + std::to_string(r), "#45000"});
  const std::string list = dir / "Сотрудники.xlsx";
  WriteXlsx(list, staff);
  base = TBaseImport();
  try {
    ImportNetWorkbooks({good, list}, dir / "Сеть", base);
    ADD_FAILURE() << "a staff list was imported";
  } catch (const Error& e) {
    // said to be no network workbook, not a heading too long for the voltage field
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + list +
                                         "\": лист \"Сотрудники\": не является книгой сети: в ячейке A1 нет напряжения сети (текст "
                                         "\"Фамилия\" не является числом): нет данных для импорта, ничего не изменено");
  }

  // A metering book whose graph number stands where the voltage does, or a sheet whose lengths are
  // headed by another quantity, is no network either: refused by what it is, never built into a network
  // of 951 kV. Networks of 0.4 to 35 kV, under the headings people write, are taken.
  const auto day = [](Worksheet& w, int r) {
    w.SetDate(r, 1, 46143 + r - 4);
    for (int h = 2; h <= 25; ++h) w.SetNumber(r, h, 10 + h * 0.5);
  };
  struct TKindCase {
    std::function<void(Worksheet&)> fill;
    std::string said;  // "" for a network workbook
    // a network's section as stored (its length in metres with its mark) and its station's transformer
    std::string kodLine = {}, transform = {};
  };
  const std::vector<TKindCase> kinds = {
      {[&](Worksheet& w) {
         w.SetNumber(1, 1, 951), w.SetText(1, 2, "ТП-42 Ввод 1"), w.SetText(1, 3, "кВт");
         for (int r = 4; r <= 6; ++r) day(w, r);
       }, "в ячейке A1 951 кВ - не напряжение сети (от 0.2 до 35 кВ)"},
      {[&](Worksheet& w) { w.SetNumber(1, 1, 10); for (int r = 4; r <= 6; ++r) day(w, r); },
       "в ячейке A4 дата \"01.05.2026\", а не имя узла"},
      {[](Worksheet& w) { w.SetNumber(1, 1, 0.1); Row(w, 4, {"ТП-1", "ТП-2", "#0.1", "АС-35", "", "#250"}); },
       "в ячейке A1 0.1 кВ - не напряжение сети"},
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"ТП", "Sном, кВА", "P, кВт"});
         Row(w, 4, {"ТП-1", "ТП-2", "#0.1", "АС-35", "", "#250"});
       }, "заголовок \"P, кВт\" в ячейке C2 - не заголовок длины участка"},
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 35), Row(w, 2, {"Начало", "Конец", "Длина, км", "Марка"});
         Row(w, 4, {"ТП-1", "ТП-2", "#0.1", "АС-35", "", "#250"});
       }, ""},
      // the transformers' rated powers in kVA under the headings people write; a year of manufacture, a
      // count, a current or an active power over them is another book's
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Начало", "Конец", "L, км", "Марка", "", "Т1, кВА", "Т2", "Sном, кВ*А", "Мощность"});
         Row(w, 4, {"ТП-1", "ТП-2", "#0.1", "АС-35", "", "#250"});
       }, ""},
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Начало", "Конец", "L, км", "Марка", "", "Тр-р 1, кВА", "Мощность ТП, кВА"});
         Row(w, 4, {"ТП-1", "ТП-2", "#0.1", "АС-35", "", "#250"});
       }, ""},
      // a word the heading rule does not know over a rated power
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Начало", "Конец", "L, км", "Марка", "", "Резерв мощности, кВА"});
         Row(w, 4, {"ТП-1", "ТП-2", "#0.1", "АС-35", "", "#250"});
       }, "заголовок \"Резерв мощности, кВА\" в ячейке F2 - не заголовок мощности трансформатора 1: \"Резерв\" - слово, "
          "которое в заголовке этого столбца не понятно"},
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Начало", "Конец", "L, км", "Марка", "", "Год ввода"});
         Row(w, 4, {"ТП-1", "ТП-2", "#0.1", "АС-35", "", "#1981"});
       }, "заголовок \"Год ввода\" в ячейке F2 - не заголовок мощности трансформатора 1: \"Год\" - год, а заголовок столбца - "},
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Начало", "Конец", "L, км", "Марка", "", "Sном, кВА", "Кол-во ТП"});
         Row(w, 4, {"ТП-1", "ТП-2", "#0.1", "АС-35", "", "#250", "#3"});
       }, "заголовок \"Кол-во ТП\" в ячейке G2 - не заголовок мощности трансформатора 2: \"Кол-во\" - количество"},
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Начало", "Конец", "L, км", "Марка", "", "", "", "Ток, А"});
         Row(w, 4, {"ТП-1", "ТП-2", "#0.1", "АС-35", "", "#250"});
       }, "заголовок \"Ток, А\" в ячейке H2 - не заголовок мощности трансформатора 3: \"Ток\" - ток"},
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Начало", "Конец", "L, км", "Марка", "", "", "", "", "Мощность, кВт"});
         Row(w, 4, {"ТП-1", "ТП-2", "#0.1", "АС-35", "", "#250"});
       }, "заголовок \"Мощность, кВт\" в ячейке I2 - не заголовок мощности трансформатора 4: \"кВт\" - активная мощность"},
      // a length in metres or a power in MVA is brought to the km and kVA the base keeps: 1,100 m is 1.1 km
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 0.4), Row(w, 2, {"Начало", "Конец", "L, м"});
         Row(w, 4, {"ТП-1", "ТП-2", "#1100", "А-50", "", "#0"});
       }, "", "1100*А-50"},
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Начало", "Конец", "Длина, м", "Марка", "", "S, МВА"});
         Row(w, 4, {"ТП-1", "ТП-2", "#1100", "АС-35", "", "#0.25"});
       }, "", "1100*АС-35", "ТМ-250/10/0.4"},
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Начало", "Конец", "Длина,\nкм", "Марка", "", "Sном, кВА"});
         Row(w, 4, {"ТП-1", "ТП-2", "#1.1", "АС-35", "", "#250"});
       }, "", "1100*АС-35", "ТМ-250/10/0.4"},
      // the head read by the one head reader: a title with a date or an approval block beside it over the
      // figures is no heading of them, the units row under the headings is theirs, the columns' numbers
      // are none
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Фидер 5", "", "", "", "", "Дата: 30.11.2026"});
         Row(w, 4, {"ТП-1", "ТП-2", "#1.1", "АС-35", "", "#250"});
       }, "", "1100*АС-35", "ТМ-250/10/0.4"},
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Фидер 5", "", "", "", "", "", "", "", "УТВЕРЖДАЮ"});
         Row(w, 3, {"", "", "", "", "", "", "", "", "«30» ноября 2026 г."});
         Row(w, 4, {"ТП-1", "ТП-2", "#1.1", "АС-35", "", "#250"});
       }, "", "1100*АС-35", "ТМ-250/10/0.4"},
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Начало", "Конец", "Длина", "Марка", "", "Sном"});
         Row(w, 3, {"", "", "м", "", "", "МВА"});
         Row(w, 4, {"ТП-1", "ТП-2", "#1100", "АС-35", "", "#0.25"});
       }, "", "1100*АС-35", "ТМ-250/10/0.4"},
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Начало", "Конец", "L, км", "Марка", "", "Sном, кВА"});
         Row(w, 3, {"#1", "#2", "#3", "#4", "#5", "#6", "#7", "#8", "#9"});
         Row(w, 4, {"ТП-1", "ТП-2", "#1.1", "АС-35", "", "#250"});
       }, "", "1100*АС-35", "ТМ-250/10/0.4"},
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"Начало", "Конец", "L, км", "Марка", "", "Мощность"});
         Row(w, 3, {"", "", "", "", "", "кВт"});
         Row(w, 4, {"ТП-1", "ТП-2", "#1.1", "АС-35", "", "#250"});
       }, "заголовок \"Мощность, кВт\" в ячейке F2 - не заголовок мощности трансформатора 1: \"кВт\" - активная мощность"},
      // a lone heading over a figure column is a heading, never a title
      {[](Worksheet& w) {
         w.SetNumber(1, 1, 10), Row(w, 2, {"", "", "Длина, м"});
         Row(w, 4, {"ТП-1", "ТП-2", "#1100", "АС-35", "", "#250"});
       }, "", "1100*АС-35", "ТМ-250/10/0.4"},
  };
  for (const TKindCase& c : kinds) {
    Workbook book;
    c.fill(book.sheets.emplace_back("Лист1"));
    const std::string file = dir / "Книга.xlsx";
    WriteXlsx(file, book);
    base = TBaseImport();
    std::string said;
    try {
      ImportNetWorkbooks({file}, dir / "Сеть", base);
    } catch (const Error& e) {
      said = e.what();
    }
    if (c.said.empty()) {
      EXPECT_EQ(said, "");
      EXPECT_EQ(base.Lines.RowCount, 1);
      if (!c.kodLine.empty()) {
        EXPECT_EQ(ColumnTexts(base.Lines, "KodLine"), std::vector<std::string>{c.kodLine});
      }
      if (!c.transform.empty()) {
        EXPECT_EQ(ColumnTexts(base.Stations, "Transform").front(), c.transform);
      }
    } else {
      EXPECT_EQ(said.rfind("Ошибка чтения файла \"" + file + "\": лист \"Лист1\": не является книгой сети: " + c.said, 0), 0u)
          << said;
    }
  }
}

// A small file of many rows, each a branch whose four transformer cells are empty: every row would
// make four station rows, far more memory than its cells. What the import builds is held to the bound
// of the file's cells, and past it the workbook is refused by name, before the rows take gigabytes.
TEST_F(NetWorkbooksImport, RowsBeyondWhatTheFileSizeAllowsRefuseTheWorkbook) {
  Workbook book;
  Worksheet& sheet = book.sheets.emplace_back("Фидер");
  sheet.SetNumber(1, 1, 10);
  for (int r = 4; r < 64000; ++r) Row(sheet, r, {"ТП-1", "ТП-2"});
  const std::string file = dir / "Фидер.xlsx";
  WriteXlsx(file, book);
  TBaseImport base;
  try {
    ImportNetWorkbooks({file}, dir / "Сеть", base);
    FAIL() << "imported " << base.Lines.RowCount << " rows";
  } catch (const Error& e) {
    const std::string text = e.what();
    EXPECT_EQ(text.rfind("Ошибка чтения файла \"" + file + "\": строки таблиц из этого файла занимают в памяти больше ",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("байт на каждый байт файла размером"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace ld::test
