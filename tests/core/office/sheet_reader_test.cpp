// The district commands' sheet reader: the same cells read the same from a new and a legacy workbook,
// several workbooks one after another, and a workbook that cannot be read refused with its name.
#include "core/office/sheet_raw_cells.h"
#include "core/office/sheet_reader.h"

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/base/classic_numbers.h"
#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/numfmt.h"
#include "support/test_env.h"
#include "support/xls_builder.h"
#include "support/zip_builder.h"

namespace ld::test {
namespace {

// Row 2 of the first sheet: 0.25, 250, -1, an empty cell and a Cyrillic text; a second sheet that
// must not be read.
void WriteNewWorkbook(const std::string& path) {
  const TClassicNumbers classic;  // as a spreadsheet program writes them, whatever the locale here
  lxw_workbook* book = workbook_new(path.c_str());
  ASSERT_NE(book, nullptr);
  lxw_worksheet* first = workbook_add_worksheet(book, "Фидер");
  worksheet_write_string(first, 0, 0, "10", nullptr);
  worksheet_write_number(first, 1, 0, 0.25, nullptr);
  worksheet_write_number(first, 1, 1, 250, nullptr);
  worksheet_write_number(first, 1, 2, -1, nullptr);
  worksheet_write_string(first, 1, 4, "ТП-7 Лесная", nullptr);
  lxw_worksheet* second = workbook_add_worksheet(book, "Другой");
  worksheet_write_string(second, 1, 0, "не тот лист", nullptr);
  ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
}

void ExpectRowTwo(const TSheetReader& sheet) {
  EXPECT_EQ(office::TRawCells(sheet).Cell(2, 1), "0.25");
  EXPECT_EQ(office::TRawCells(sheet).Cell(2, 2), "250");
  EXPECT_EQ(office::TRawCells(sheet).Cell(2, 3), "-1");
  EXPECT_EQ(office::TRawCells(sheet).Cell(2, 4), "");
  EXPECT_EQ(office::TRawCells(sheet).Cell(2, 5), "ТП-7 Лесная");
  EXPECT_EQ(office::TRawCells(sheet).Cell(500, 60), "") << "beyond the used range";
  EXPECT_EQ(office::TRawCells(sheet).Cell(0, 1), "") << "rows count from 1";
}

TEST(SheetReader, NewAndLegacyWorkbooksReadAlikeOneAfterAnother) {
  TempDir dir;
  const std::string xlsx = dir / "фидер.xlsx";
  WriteNewWorkbook(xlsx);
  // a legacy workbook under the extension of a new one: the contents decide
  const std::string xls = dir / "старый.xlsx";
  WriteBytes(xls, BuildXls({{XlsCell::Text, 1, 1, 0, "6"},
                            {XlsCell::Number, 2, 1, 0.25, ""},
                            {XlsCell::Number, 2, 2, 250, ""},
                            {XlsCell::Number, 2, 3, -1, ""},
                            {XlsCell::Text, 2, 5, 0, "ТП-7 Лесная"}}));

  TSheetReader sheet;
  EXPECT_FALSE(sheet.IsOpen());
  EXPECT_EQ(office::TRawCells(sheet).Cell(1, 1), "");
  sheet.Open(xlsx);
  ASSERT_TRUE(sheet.IsOpen());
  EXPECT_EQ(sheet.FileName(), xlsx);
  EXPECT_EQ(sheet.SheetName(), "Фидер");
  EXPECT_EQ(office::TRawCells(sheet).Cell(1, 1), "10");
  ExpectRowTwo(sheet);
  sheet.Close();
  EXPECT_FALSE(sheet.IsOpen());
  EXPECT_EQ(office::TRawCells(sheet).Cell(2, 2), "") << "a closed workbook shows nothing";

  sheet.Open(xls);
  EXPECT_EQ(office::TRawCells(sheet).Cell(1, 1), "6");
  ExpectRowTwo(sheet);
  // opening the next one replaces the one open
  sheet.Open(xlsx);
  EXPECT_EQ(office::TRawCells(sheet).Cell(1, 1), "10");
}

TEST(SheetReader, AWorkbookThatCannotBeReadIsRefusedWithItsName) {
  TempDir dir;
  TSheetReader sheet;
  sheet.Open([&] {
    const std::string path = dir / "есть.xlsx";
    WriteNewWorkbook(path);
    return path;
  }());
  const std::string missing = dir / "нет.xls";
  try {
    sheet.Open(missing);
    FAIL() << "a missing workbook was opened";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Ошибка чтения файла \"" + missing + "\"", 0), 0u) << e.what();
  }
  EXPECT_FALSE(sheet.IsOpen()) << "the workbook open before is closed, the missing one not opened";
  EXPECT_EQ(office::TRawCells(sheet).Cell(1, 1), "");

  const std::string text = dir / "текст.xls";
  WriteBytes(text, "Фидер;10\n");
  EXPECT_THROW(sheet.Open(text), Error);

  // A workbook without a worksheet (new: a chart sheet only; legacy: no sheet) holds no data at all:
  // refused as the regime window refuses it, not read as an empty sheet.
  const std::string charts = dir / "диаграмма.xlsx";
  WriteBytes(charts, BuildZip({{"_rels/.rels", R"(<Relationships><Relationship Id="r" Type="a/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
                               {"xl/workbook.xml", R"(<workbook xmlns:r="r"><sheets><sheet name="Д" r:id="rId1"/></sheets></workbook>)"},
                               {"xl/_rels/workbook.xml.rels", R"(<Relationships><Relationship Id="rId1" Type="x/chartsheet" Target="c.xml"/></Relationships>)"}}));
  const std::string legacy = dir / "пустая.xls";
  WriteBytes(legacy, XlsWithoutSheet());
  for (const std::string& path : {charts, legacy}) {
    try {
      sheet.Open(path);
      ADD_FAILURE() << path << " was opened";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + path + "\": в книге нет листов");
    }
    EXPECT_FALSE(sheet.IsOpen());
    EXPECT_TRUE(ReadSheetNames(path).empty());
  }

  // A household book whose first sheet's relationship id is damaged is refused, not read from its second
  // sheet's station; a cell naming the text one past the table's last is refused, not read as empty.
  const std::string household = dir / "абоненты.xlsx";
  const auto write = [&](const std::string& firstId, const std::string& firstCell) {
    WriteBytes(household,
               BuildZip({{"_rels/.rels", R"(<Relationships><Relationship Id="r" Type="a/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
                         {"xl/workbook.xml", R"(<workbook xmlns:r="r"><sheets><sheet name="Абоненты" r:id=")" + firstId +
                                                 R"("/><sheet name="Справка" r:id="rId2"/></sheets></workbook>)"},
                         {"xl/_rels/workbook.xml.rels",
                          R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="a.xml"/><Relationship Id="rId2" Type="x/worksheet" Target="b.xml"/>)"
                          R"(<Relationship Id="rId3" Type="x/sharedStrings" Target="s.xml"/></Relationships>)"},
                         {"xl/s.xml", "<sst><si><t>ТП-1</t></si><si><t>ТП-2</t></si></sst>"},
                         {"xl/a.xml", "<worksheet><sheetData><row r=\"1\">" + firstCell + "</row></sheetData></worksheet>"},
                         {"xl/b.xml", R"(<worksheet><sheetData><row r="1"><c r="A1" t="s"><v>1</v></c></row></sheetData></worksheet>)"}}));
  };
  const auto refusal = [&] {
    try {
      sheet.Open(household);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return "read: A1 \"" + office::TRawCells(sheet).Cell(1, 1) + "\"";
  };
  const std::string prefix = "Ошибка чтения файла \"" + household + "\": ";
  write("rId1", R"(<c r="A1" t="s"><v>1</v></c>)");
  ASSERT_EQ(refusal(), "read: A1 \"ТП-2\"");
  EXPECT_EQ(sheet.SheetName(), "Абоненты");
  write("rId1", R"(<c r="A1" t="s"><v>2</v></c>)");
  EXPECT_EQ(refusal(), prefix + "лист \"Абоненты\": ячейка A1 ссылается на строку \"2\", которой нет в таблице строк");
  write("rld1", R"(<c r="A1" t="s"><v>0</v></c>)");
  EXPECT_EQ(refusal(), prefix + "файл поврежден (у листа \"Абоненты\" нет связи \"rld1\" с его частью)");
  EXPECT_FALSE(sheet.IsOpen());
}

// Cells as some programs write them: rows and cells out of order, shared and inline texts; the reader's
// compact sheet shows what the whole workbook does. (A cell written twice is damage, refused.)
TEST(SheetReader, CellsInAnyOrderReadAsTheWholeWorkbookReadsThem) {
  TempDir dir;
  const std::string path = dir / "порядок.xlsx";
  WriteBytes(path, BuildZip({{"_rels/.rels", R"(<Relationships><Relationship Id="r" Type="a/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
                             {"xl/workbook.xml", R"(<workbook xmlns:r="r"><sheets><sheet name="Д" r:id="rId2"/><sheet name="Первый" r:id="rId1"/><sheet name="Второй" r:id="rId3"/></sheets></workbook>)"},
                             {"xl/_rels/workbook.xml.rels",
                              R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="a.xml"/><Relationship Id="rId2" Type="x/chartsheet" Target="c.xml"/>)"
                              R"(<Relationship Id="rId3" Type="x/worksheet" Target="b.xml"/><Relationship Id="rId4" Type="x/sharedStrings" Target="s.xml"/></Relationships>)"},
                             {"xl/s.xml", "<sst><si><t>ТП-1</t></si><si><t>ТП-2</t></si></sst>"},
                             {"xl/a.xml", R"(<worksheet><sheetData><row r="3"><c r="C3"><v>3.5</v></c><c r="A3" t="s"><v>1</v></c></row>)"
                                          R"(<row r="1"><c r="B1" t="inlineStr"><is><t>Лес</t></is></c><c r="A1" t="s"><v>0</v></c></row>)"
                                          R"(<row r="2"><c r="D2"><v>-2</v></c></row></sheetData></worksheet>)"},
                             {"xl/b.xml", R"(<worksheet><sheetData><row r="1"><c r="A1"><v>99</v></c></row></sheetData></worksheet>)"}}));
  const auto book = ReadWorkbook(path);
  ASSERT_EQ(book.sheets.size(), 2u);
  EXPECT_EQ(ReadSheetNames(path), (std::vector<std::string>{"Первый", "Второй"}));
  TSheetReader sheet;
  sheet.Open(path);
  EXPECT_EQ(sheet.SheetName(), "Первый");
  std::vector<std::string> cells, whole;
  for (int row = 0; row <= 4; ++row)
    for (int col = 0; col <= 5; ++col) {
      cells.push_back(office::TRawCells(sheet).Cell(row, col));
      whole.push_back(book.sheets[0].CellText(row, col));
    }
  EXPECT_EQ(cells, whole);
  EXPECT_EQ((std::vector<std::string>{office::TRawCells(sheet).Cell(1, 1), office::TRawCells(sheet).Cell(1, 2), office::TRawCells(sheet).Cell(2, 4), office::TRawCells(sheet).Cell(3, 1),
                                      office::TRawCells(sheet).Cell(3, 3), office::TRawCells(sheet).Cell(3, 2)}),
            (std::vector<std::string>{"ТП-1", "Лес", "-2", "ТП-2", "3.5", ""}));
}

// A check put on the reader sees each text of the workbook once, however many cells name it and
// however often they are read; a refusal names the cell read; the next workbook's texts are its own.
TEST(SheetReader, EachTextIsCheckedOnceAndARefusalNamesTheCellRead) {
  TempDir dir;
  const std::string first = dir / "первая.xls", second = dir / "вторая.xls";
  WriteBytes(first, BuildXls({{XlsCell::Text, 1, 1, 0, "ТП-1"},
                              {XlsCell::Text, 2, 1, 0, "ТП-1"},
                              {XlsCell::Text, 3, 1, 0, "ТП-1"},
                              {XlsCell::Text, 1, 2, 0, "плохо"},
                              {XlsCell::Text, 3, 2, 0, "плохо"},
                              {XlsCell::Number, 1, 3, 5, ""}}));
  // the same two texts, each in the other's entry of the table
  WriteBytes(second, BuildXls({{XlsCell::Text, 1, 1, 0, "плохо"}, {XlsCell::Text, 1, 2, 0, "ТП-1"}}));

  std::vector<std::string> seen;
  TSheetReader sheet;
  sheet.SetTextCheck([&seen](std::string_view text) {
    seen.emplace_back(text);
    return text == "плохо" ? std::string("не годится") : std::string();
  });
  const auto read = [&sheet](int row, int col) {
    try {
      return office::TRawCells(sheet).Cell(row, col);
    } catch (const Error& e) {
      return std::string(e.what());
    }
  };
  sheet.Open(first);
  const auto refusal = [&](const std::string& path, const std::string& cell) {
    return "Ошибка чтения файла \"" + path + "\": лист \"Лист1\", ячейка " + cell + ": не годится";
  };
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ((std::vector<std::string>{read(1, 1), read(2, 1), read(3, 1), read(1, 3)}),
              (std::vector<std::string>{"ТП-1", "ТП-1", "ТП-1", "5"}));
    EXPECT_EQ(read(3, 2), refusal(first, "B3"));
    EXPECT_EQ(read(1, 2), refusal(first, "B1")) << "the cell read is named, not the first one refused";
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"ТП-1", "плохо"})) << "each text once";

  sheet.Open(second);
  EXPECT_EQ(read(1, 1), refusal(second, "A1"));
  EXPECT_EQ(read(1, 2), "ТП-1");
  EXPECT_EQ(seen.size(), 4u) << "checked again in the next workbook";
  sheet.SetTextCheck({});
  EXPECT_EQ(read(1, 1), "плохо") << "without a check every text is taken";
  // a check put on the open workbook holds at once, with no verdict of the one before it
  sheet.SetTextCheck([](std::string_view text) { return text == "ТП-1" ? std::string("не годится") : std::string(); });
  EXPECT_EQ(read(1, 2), refusal(second, "B1"));
  EXPECT_EQ(read(1, 1), "плохо");
}

// Workbooks that real programs wrote (tests/data/sheets): a formula whose result the file holds reads
// as that result, one whose result it does not hold (openpyxl, xlwt, gnumeric's copy of xlwt's book) and
// an error value are named by their cell, alike by the first-sheet reader and the whole workbook's, in
// .xlsx and .xls. A formula whose stored result is the empty text reads as an empty cell, each cell for
// itself, also in a sheet where every formula gives "" (LibreOffice's .xls of a book it calculated); a
// book that asks to be calculated when it is opened (openpyxl, XlsxWriter's placeholder 0) holds no
// result. gnumeric writes a formula that gives "" without a value, as it writes one never calculated: a
// sheet of its book where some formula holds a value reads those as empty cells. A boolean is named as
// an error value is; a time of no date reads as the time.
TEST(SheetReader, FormulasWithoutResultsAndErrorValuesAreNamedByTheirCell) {
  const std::string formula = "формула без вычисленного значения: откройте книгу в табличной программе, пересчитайте ее (в LibreOffice "
      "\"Данные → Содержимое ячейки → Пересчитать безусловно\", Ctrl+Shift+F9) и сохраните";
  const std::string divided = "значение ошибки \"#DIV/0!\"", missing = "значение ошибки \"#N/A\"";
  // C2 H2 R2 H3 R3 H4 L4 R4: a name, an input's P, its Q, two errors, a meter's W, the empty text, a number
  const std::vector<std::pair<int, int>> at = {{2, 3}, {2, 8}, {2, 18}, {3, 8}, {3, 18}, {4, 8}, {4, 12}, {4, 18}};
  const std::vector<std::string> uncalculated = {"Ввод 1", formula, "600", formula, formula, formula, formula, "10"};
  const std::vector<std::string> calculated = {"Ввод 1", "1825200", "600", divided, missing, "5500.5", "", "10"};
  for (const auto& [file, expected] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"inputs_openpyxl.xlsx", uncalculated},
           {"inputs_xlwt.xls", uncalculated},
           {"inputs_libreoffice.xls", calculated},
           {"inputs_libreoffice.xlsx", calculated},
           {"inputs_gnumeric.xls", calculated},
           {"inputs_gnumeric.xlsx", calculated},
           {"inputs_gnumeric_resaved.xlsx", calculated},
           // gnumeric's copy of xlwt's book: none of its formulas was ever calculated; the .xlsx tells
           // it by no formula of the sheet holding a value, the .xls by a formula of numbers alone
           // holding the empty result
           {"uncalculated_gnumeric.xls", uncalculated},
           {"uncalculated_gnumeric.xlsx", uncalculated}}) {
    const std::string path = (TestDataDir() / "sheets" / file).string();
    const auto book = ReadWorkbook(path);
    TSheetReader sheet;
    sheet.Open(path);
    ASSERT_EQ(sheet.SheetName(), "Замеры") << file;
    // each cell's text, or its refusal's reason once the refusal was checked to name the file and the cell
    const auto read = [&](const std::function<std::string()>& cell, int row, int col) {
      try {
        return cell();
      } catch (const Error& e) {
        const std::string named = "Ошибка чтения файла \"" + path + "\": лист \"Замеры\", ячейка " + SheetCellName(row, col) + ": ";
        const std::string what = e.what();
        EXPECT_EQ(what.rfind(named, 0), 0u) << what;
        return what.substr(std::min(named.size(), what.size()));
      }
    };
    std::vector<std::string> first, whole;
    for (const auto& [row, col] : at) {
      first.push_back(read([&, row = row, col = col] { return office::TRawCells(sheet).Cell(row, col); }, row, col));
      whole.push_back(read([&, row = row, col = col] { return book.sheets.at(0).CellText(row, col); }, row, col));
    }
    EXPECT_EQ(first, expected) << file;
    EXPECT_EQ(whole, expected) << file;
    // an import that takes a number cell's number without its text never takes an unreadable one for 0
    double number = 0;
    EXPECT_EQ(office::TRawCells(sheet).CellNumber(2, 8, number), expected != uncalculated) << file;
  }

  // The households sheet of make_calc_sheets.py: C2, C3 and the template row's A4 give "", D2 and D3 are
  // booleans (typed and =TRUE()), E2 and E3 times typed as 8:00 and 17:30.
  const std::string truth = "логическое значение \"ИСТИНА\"";
  const std::string recalculate = "книга требует пересчитать формулы при открытии, и записанное в ней значение формулы "
                                  "может быть не тем, что покажет табличная программа: откройте книгу в табличной "
                                  "программе, пересчитайте ее (в LibreOffice \"Данные → Содержимое ячейки → "
                                  "Пересчитать безусловно\", Ctrl+Shift+F9) и сохраните";
  const std::vector<std::pair<int, int>> households = {{2, 2}, {2, 3}, {3, 3}, {4, 1}, {2, 4}, {3, 4}, {2, 5}, {3, 5}};
  const std::vector<std::string> calculatedHouseholds = {"500", "", "", "", truth, truth, "08:00", "17:30"};
  for (const auto& [file, expected] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"calc_libreoffice.xls", calculatedHouseholds},
           {"calc_libreoffice.xlsx", calculatedHouseholds},
           {"calc_gnumeric.xls", calculatedHouseholds},
           {"calc_gnumeric.xlsx", calculatedHouseholds},
           {"calc_openpyxl.xlsx", {"500", formula, formula, formula, truth, formula, "08:00", "17:30"}},
           {"households_xlsxwriter.xlsx", {recalculate, recalculate, "120.5", "5", "", "", "", ""}},
           // its formulas written with their values: the book still asks to be calculated, and shows what
           // the formulas give, which the file does not hold
           {"valued_xlsxwriter.xlsx", {recalculate, recalculate, "", "", "", "", "", ""}},
           // LibreOffice's .xls as gnumeric saves it, once and again: every formula gives "", stored as
           // the empty result with no engine named, which is what gnumeric shows
           {"empty_gnumeric.xls", {"500", "", "", "", "", "", "", ""}},
           // its .xlsx writes each such formula without a value, none of numbers alone among them
           {"empty_gnumeric.xlsx", {"500", "", "", "", "", "", "", ""}},
           {"empty_gnumeric_resaved.xls", {"500", "", "", "", "", "", "", ""}}}) {
    const std::string path = (TestDataDir() / "sheets" / file).string();
    const auto book = ReadWorkbook(path);
    TSheetReader sheet;
    sheet.Open(path);
    ASSERT_EQ(sheet.SheetName(), "Абоненты") << file;
    std::vector<std::string> first, whole;
    // XlsxWriter's sheet: W and the count of row 2 by formula, of row 3 typed
    const bool xlsxWriter = file.find("xlsxwriter") != std::string::npos;
    const std::vector<std::pair<int, int>> cells =
        xlsxWriter ? std::vector<std::pair<int, int>>{{2, 2}, {2, 3}, {3, 2}, {3, 3}, {2, 4}, {3, 4}, {2, 5}, {3, 5}}
                   : households;
    for (const auto& [row, col] : cells) {
      const auto read = [&, row = row, col = col](const std::function<std::string()>& cell) {
        try {
          return cell();
        } catch (const Error& e) {
          const std::string named = "Ошибка чтения файла \"" + path + "\": лист \"Абоненты\", ячейка " +
                                    SheetCellName(row, col) + ": ";
          const std::string what = e.what();
          EXPECT_EQ(what.rfind(named, 0), 0u) << what;
          return what.substr(std::min(named.size(), what.size()));
        }
      };
      first.push_back(read([&, row = row, col = col] { return office::TRawCells(sheet).Cell(row, col); }));
      whole.push_back(read([&, row = row, col = col] { return book.sheets.at(0).CellText(row, col); }));
    }
    EXPECT_EQ(first, expected) << file;
    // the whole workbook keeps no number format: a time of day as the text of its serial day
    std::vector<std::string> wholeExpected = expected;
    for (std::string& text : wholeExpected)
      if (text.size() == 5 && text[2] == ':') text += ":00";
    EXPECT_EQ(whole, wholeExpected) << file;
  }
  // gnumeric's copy of xlwt's households book, its feeder numbers after the first =A2+1 and on: an
  // addition gives a number whatever it adds, so its empty result was never calculated (a formula whose
  // result may be "" tells nothing of the sheet), and every such formula is named by its cell
  for (const std::string file : {"households_formulas_gnumeric.xls", "households_formulas_gnumeric.xlsx"}) {
    const std::string path = (TestDataDir() / "subscriber_sheets" / file).string();
    TSheetReader sheet;
    sheet.Open(path);
    std::vector<std::string> column;
    for (int row = 2; row <= 6; ++row) {
      try {
        column.push_back(office::TRawCells(sheet).Cell(row, 1) + "|" + office::TRawCells(sheet).Cell(row, 2));
      } catch (const Error& e) {
        column.push_back(std::string(e.what()).find("ячейка A" + std::to_string(row) + ": " + formula) != std::string::npos
                             ? "формула"
                             : e.what());
      }
    }
    EXPECT_EQ(column, (std::vector<std::string>{"1|8", "формула", "формула", "формула", "формула"})) << file;
  }
  // numbered by =IF(B3="","",A2+1), which may give "": gnumeric's kept empty result shows nothing, but
  // says that it may be a formula never calculated, for a column whose first empty cell ends the data
  for (const std::string file : {"households_numbered_gnumeric.xls", "households_numbered_gnumeric.xlsx"}) {
    TSheetReader sheet;
    sheet.Open((TestDataDir() / "subscriber_sheets" / file).string());
    EXPECT_TRUE(sheet.Value(3, 1).Blank()) << file;
    EXPECT_TRUE(sheet.Blank(3, 1)) << file;
    EXPECT_EQ(sheet.Value(3, 1).EndFault(), formula) << file;
    EXPECT_EQ(office::TRawCells(sheet).Cell(3, 1), "") << file;
    EXPECT_EQ(sheet.Value(3, 2).EndFault(), "") << file << ": a value that is there";
    EXPECT_EQ(sheet.Value(9, 1).EndFault(), "") << file << ": an empty cell";
  }

  // an OpenDocument book says what it is and how to save it
  const std::string ods = (TestDataDir() / "sheets" / "calc_libreoffice.ods").string();
  try {
    TSheetReader().Open(ods);
    ADD_FAILURE() << "an .ods book was read";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + ods +
                                         "\": книга в формате OpenDocument (.ods) не читается: сохраните ее в "
                                         "формате .xlsx или .xls");
  }
}

}  // namespace
}  // namespace ld::test

namespace ld::test {
namespace {

// Workbooks of make_shown_sheets.py, as each program wrote them: a meter kept with its leading zeros by
// its format and the hours of work (36:30, and 24:00) are read as the sheet shows them, by the first-sheet
// reader (Cell and Value alike); a duration is no number. A book whose first sheet is hidden is refused
// naming that sheet, by the first-sheet reader and by the whole workbook's first sheet alike; gnumeric's
// .xlsx keeps no sheet hidden, so its first sheet is shown and read.
TEST(SheetReader, CellsAreReadAsTheSheetShowsThem) {
  const auto data = [](const std::string& file) { return (TestDataDir() / "sheets" / file).string(); };
  for (const auto& [file, hours] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"shown_openpyxl.xlsx", {"36:30", "24:00"}},
           {"shown_libreoffice.xls", {"36:30", "24:00"}},
           {"shown_libreoffice.xlsx", {"36:30", "24:00"}},
           {"shown_gnumeric.xls", {"36:30", "24:00"}},
           {"shown_gnumeric.xlsx", {"36:30", "24:00"}},
           {"typed_libreoffice.xls", {"36:30:00", "24:00:00"}},
           {"typed_libreoffice.xlsx", {"36:30:00", "24:00:00"}},
           {"typed_gnumeric.xls", {"36:30", "24:00"}},
           {"typed_gnumeric.xlsx", {"36:30", "24:00"}}}) {
    TSheetReader sheet;
    sheet.Open(data(file));
    const bool typed = file.rfind("typed", 0) == 0;
    const int col = typed ? 1 : 5;
    std::vector<std::string> read;
    for (const int row : {2, 3}) {
      read.push_back(office::TRawCells(sheet).Cell(row, col));
      read.push_back(*sheet.Value(row, col).Name());
      EXPECT_FALSE(sheet.Value(row, col).Number()) << file << ": a duration read as a number";
    }
    EXPECT_EQ(read, (std::vector<std::string>{hours[0], hours[0], hours[1], hours[1]})) << file;
    if (typed) continue;
    EXPECT_EQ(*sheet.Value(2, 4).Name(), "011070123456789") << file;
    EXPECT_EQ(office::TRawCells(sheet).Cell(3, 4), "000000000000042") << file;
    EXPECT_EQ(*sheet.Value(2, 4).Number(), 11070123456789.0) << file;
    EXPECT_EQ(office::TRawCells(sheet).Cell(2, 3), "2750.25") << file << ": a number in the general format stays as it was";
  }
  // Contracts: the number under "Д-"0000, the hours of work summed past a day under hh:mm, days counted
  // in hours under [h], and a formula whose binary result is a few units off the 3 it shows
  for (const std::string file : {"contracts_openpyxl.xlsx", "contracts_libreoffice.xls", "contracts_libreoffice.xlsx",
                                 "contracts_gnumeric.xls", "contracts_gnumeric.xlsx"}) {
    TSheetReader sheet;
    sheet.Open(data(file));
    std::vector<std::string> read;
    for (const int row : {2, 3}) {
      read.push_back(*sheet.Value(row, 2).Name());
      read.push_back(*sheet.Value(row, 3).Name());
      const TValueRead<int> hours = sheet.Value(row, 4).Integer(0, 1000);
      read.push_back(hours ? std::to_string(*hours) : hours.Fault);
      const TValueRead<int> points = sheet.Value(row, 5).Integer(0, 1000);
      read.push_back(points ? std::to_string(*points) : points.Fault.substr(0, points.Fault.find(':')));
    }
    EXPECT_EQ(read, (std::vector<std::string>{"Д-0077", "12:30", "48",
                                              file == "contracts_openpyxl.xlsx" ? "формула без вычисленного значения" : "3",
                                              "Д-1234", "18:00", "24", "5"}))
        << file;
    EXPECT_EQ(*sheet.Value(2, 2).Integer(0, 1000), 77) << file << ": the contract's number is the number";
  }
  // A prefix before #, General and #0000, a text under "Д-"@, tenths of a second under [h]:mm:ss.0 and a
  // meter under [$-419]000000 (make_prefixed_sheets.py): every cell as LibreOffice shows it (its .csv)
  const auto shownByLibreOffice = [&](const std::string& file) {
    std::vector<std::vector<std::string>> rows;
    std::ifstream csv(data(file));
    for (std::string line; std::getline(csv, line);) {
      std::vector<std::string> fields(1);
      bool quoted = false;
      for (const char c : line) {
        if (c == '"') quoted = !quoted;
        else if (c == ',' && !quoted) fields.emplace_back();
        else fields.back() += c;
      }
      rows.push_back(fields);
    }
    return rows;
  };
  std::vector<std::vector<std::string>> libreOffice = shownByLibreOffice("prefixed_libreoffice.csv");
  ASSERT_EQ(libreOffice.size(), 3u);
  for (const std::string file : {"prefixed_openpyxl.xlsx", "prefixed_libreoffice.xls", "prefixed_libreoffice.xlsx",
                                 "prefixed_gnumeric.xls", "prefixed_gnumeric.xlsx"}) {
    TSheetReader sheet;
    sheet.Open(data(file));
    for (int row = 1; row <= 3; ++row) {
      std::vector<std::string> read;
      for (int col = 1; col <= 8; ++col) read.push_back(*sheet.Value(row, col).Name());
      EXPECT_EQ(read, libreOffice[static_cast<std::size_t>(row - 1)]) << file << " row " << row;
    }
    EXPECT_EQ(*sheet.Value(2, 2).Number(), 77.0) << file << ": the contract's number is the number";
  }
  // Meters set among texts by conditions, a fraction, days without their year and numbers shown with other
  // digits than their own (make_shown_sheets.py): every cell as LibreOffice shows it to a Russian user,
  // with the separators the program then shows numbers with; the meter's number is the number, the day is
  // no number
  libreOffice = shownByLibreOffice("formats_libreoffice.csv");
  ASSERT_EQ(libreOffice.size(), 7u);
  const TFormatSettings saved = FormatSettings;
  SetFormatSeparators(",", "\u00A0");
  for (const std::string file : {"formats_openpyxl.xlsx", "formats_xlsxwriter.xlsx", "formats_xlwt.xls", "formats_libreoffice.xls",
                                 "formats_libreoffice.xlsx", "formats_gnumeric.xls", "formats_gnumeric.xlsx"}) {
    TSheetReader sheet;
    sheet.Open(data(file));
    for (int row = 1; row <= 7; ++row) {
      std::vector<std::string> read, shown;
      for (int col = 1; col <= 3; ++col) {
        // a whole number shown without some of its digits (1234 shown "1,23E+03") is named, not taken
        const std::string& libre = libreOffice[static_cast<std::size_t>(row - 1)].at(static_cast<std::size_t>(col - 1));
        const TValueRead<std::string> name = sheet.Value(row, col).Name();
        read.push_back(name ? *name.Value : name.Fault);
        // as a name takes a text: a no-break space (the thousands') a blank
        shown.push_back(row == 6 && col == 3 ? CutNumberReason(1234, libre) : *TOutsideValue::Text(libre).Name());
      }
      EXPECT_EQ(read, shown) << file << " row " << row;
    }
    EXPECT_EQ(std::tuple(*sheet.Value(3, 2).Number(), *sheet.Value(2, 3).Date(), sheet.Value(2, 3).Number().Fault,
                         sheet.Value(4, 3).Integer(0, 100).Fault),
              std::tuple(805.0, 46327.0, std::string("текст \"01.11\" не является числом: это дата"),
                         std::string("текст \"28 фев\" не является целым числом: это дата")))
        << file;
    EXPECT_NEAR(*sheet.Value(5, 2).Number(), 2750 + 1.0 / 3, 1e-9) << file << ": the number is the number stored";
  }
  FormatSettings = saved;
  // A duration or a time of 10^11 days and more, and a value that is no number under a time format,
  // shows no text: named by its cell, never an empty name
  TempDir dir;
  const std::string styles =
      R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts count="2">)"
      R"(<numFmt numFmtId="164" formatCode="[h]:mm"/><numFmt numFmtId="165" formatCode="hh:mm"/></numFmts>)"
      R"(<cellXfs count="3"><xf numFmtId="0"/><xf numFmtId="164"/><xf numFmtId="165"/></cellXfs></styleSheet>)";
  const std::string beyond = dir / "сутки.xlsx";
  WriteBytes(beyond, BuildZip(OneSheetWorkbookParts(
                         {"Лист1",
                          R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)"
                          R"(<row r="1"><c r="A1" s="1"><v>1E11</v></c><c r="B1" s="2"><v>-2E11</v></c>)"
                          R"(<c r="C1" s="1"><v>99999999999.9</v></c></row></sheetData></worksheet>)",
                          "", styles})));
  TSheetReader sheet;
  sheet.Open(beyond);
  for (const auto& [col, number] : std::vector<std::pair<int, std::string>>{{1, "100000000000"}, {2, "-200000000000"}}) {
    const TValueRead<std::string> name = sheet.Value(1, col).Name();
    EXPECT_FALSE(name) << col;
    EXPECT_EQ(name.Fault, "число \"" + number + "\" не показывается форматом ячейки: формат показывает только конечное "
                          "число, время и длительность — меньше 100000000000 суток, а дробь — с целой частью и числителем "
                          "меньше 1000000000000000 и знаменателем не длиннее 15 цифр; выберите для ячейки формат, "
                          "который ее показывает (в LibreOffice \"Формат → Ячейки…\", вкладка \"Числа\"), и сохраните книгу");
  }
  EXPECT_EQ(*sheet.Value(1, 3).Name(), "2399999999997:35") << "just under 10^11 days";
  // Sections left empty or of texts alone, a whole number shown without some of its digits, a fraction
  // past what a double holds and a denominator past an int, a text repeated past what a cell shows: each
  // as the sheet shows it or named by its cell
  const std::string repeats = std::string(252, '@') + "\\-";
  const std::string shownStyles =
      R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts count="7">)"
      R"(<numFmt numFmtId="164" formatCode="0.0;;"/><numFmt numFmtId="165" formatCode="#,##0.00;-#,##0.00;&quot;-&quot;"/>)"
      R"(<numFmt numFmtId="166" formatCode="0.00E+00"/><numFmt numFmtId="167" formatCode="?/?"/>)"
      R"(<numFmt numFmtId="168" formatCode="# ?/2147483648"/><numFmt numFmtId="169" formatCode=")" + repeats + R"("/>)"
      R"(<numFmt numFmtId="170" formatCode="0"/></numFmts><cellXfs count="9"><xf numFmtId="0"/><xf numFmtId="164"/>)"
      R"(<xf numFmtId="165"/><xf numFmtId="166"/><xf numFmtId="167"/><xf numFmtId="168"/><xf numFmtId="169"/>)"
      R"(<xf numFmtId="170"/><xf numFmtId="49"/></cellXfs></styleSheet>)";
  const auto shownBook = [&](const std::string& name, const std::string& rows) {
    const std::string path = dir / name;
    WriteBytes(path, BuildZip(OneSheetWorkbookParts(
                         {"Лист1", R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)" +
                                       rows + "</sheetData></worksheet>",
                          "", shownStyles})));
    return path;
  };
  const std::string longText(131, 'x');
  TSheetReader shown;
  shown.Open(shownBook("разделы.xlsx", R"(<row r="1"><c r="A1" s="1"><v>8.17</v></c><c r="B1" s="1"><v>0</v></c>)"
                                        R"(<c r="C1" s="2"><v>0</v></c><c r="D1" s="3"><v>123456789012</v></c>)"
                                        R"(<c r="E1" s="4"><v>3E19</v></c><c r="F1" s="5"><v>0.5</v></c>)"
                                        R"(<c r="G1" s="6" t="inlineStr"><is><t>)" + longText + R"(</t></is></c>)"
                                        R"(<c r="H1" s="6" t="inlineStr"><is><t>ab</t></is></c><c r="I1" s="7"><v>2.5</v></c>)"
                                        R"(<c r="J1"><v>1234567890123456</v></c><c r="K1" s="7"><v>12345678901234500000</v></c>)"
                                        R"(<c r="L1"><v>12345678901234500000</v></c><c r="M1" s="8"><v>1234567890123456</v></c>)"
                                        R"(<c r="N1" s="7"><v>12345678901234567</v></c></row>)"));
  std::vector<std::string> names;
  for (int col = 1; col <= 14; ++col) {
    const TValueRead<std::string> name = shown.Value(1, col).Name();
    names.push_back(name ? *name.Value : name.Fault);
  }
  std::string abs;
  for (int i = 0; i < 252; ++i) abs += "ab";
  abs += "-";
  EXPECT_EQ(names, (std::vector<std::string>{
                       "8.2", "", "-",
                       "число \"123456789012\" показано форматом ячейки как \"1.23E+11\", без части своих цифр: покажите "
                       "его целиком (в LibreOffice \"Формат → Ячейки…\", вкладка \"Числа\", категория \"Числовой\", формат "
                       "\"0\") и сохраните книгу",
                       "число \"3E19\" не показывается форматом ячейки: формат показывает только конечное число, время и "
                       "длительность — меньше 100000000000 суток, а дробь — с целой частью и числителем меньше "
                       "1000000000000000 и знаменателем не длиннее 15 цифр; выберите для ячейки формат, который ее показывает (в LibreOffice "
                       "\"Формат → Ячейки…\", вкладка \"Числа\"), и сохраните книгу",
                       "1073741824/2147483648",
                       "формат чисел 169 повторяет текст ячейки так, что он длиннее 32767 символов, а таких текстов ячейка "
                       "не показывает; выберите для ячейки формат, который ее показывает (в LibreOffice \"Формат → "
                       "Ячейки…\", вкладка \"Числа\"), и сохраните книгу",
                       abs, "3",
                       // sixteen digits in the general form, twenty under 0 as the sheet shows them; twenty in the
                       // general form, which shows a power of ten, named; sixteen under @ whole; seventeen under 0,
                       // shown with other digits than those held (12345678901234600), named
                       "1234567890123456", "12345678901234500000",
                       "число \"12345678901234500000\" показано форматом ячейки как \"1.23456789012345E19\", без части "
                       "своих цифр: в числе табличная программа хранит не больше 15 значащих цифр; впишите его текстом "
                       "(в LibreOffice с апострофом перед цифрами) и сохраните книгу",
                       "1234567890123456",
                       "число \"12345678901234568\" показано форматом ячейки как \"12345678901234600\", без части своих "
                       "цифр: в числе табличная программа хранит не больше 15 значащих цифр; впишите его текстом (в "
                       "LibreOffice с апострофом перед цифрами) и сохраните книгу"}));
  // the numbers stay the numbers the cells hold, and a rounded one is named by what it holds
  EXPECT_EQ(std::tuple(*shown.Value(1, 2).Number(), *shown.Value(1, 3).Number(), *shown.Value(1, 4).Number(),
                       shown.Value(1, 9).QuotedHeld(), shown.Blank(1, 2)),
            std::tuple(0.0, 0.0, 123456789012.0, std::string("\"2.5\" (показано \"3\")"), false));
  // texts a format repeats are bounded for the whole book too: thousands of texts each shown 252 times
  std::string many;
  for (int i = 0; i < 4400; ++i)
    many += "<row r=\"" + std::to_string(i + 1) + "\"><c r=\"A" + std::to_string(i + 1) +
            R"(" s="6" t="inlineStr"><is><t>)" + std::to_string(100000 + i) + std::string(120, 'y') + "</t></is></c></row>";
  const std::string flood = shownBook("повторы.xlsx", many);
  try {
    TSheetReader book;
    book.Open(flood);
    ADD_FAILURE() << "a book whose format repeats its texts past 128 MB was read";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + flood +
                                         "\": формат чисел 169 повторяет тексты ячеек так, что они заняли бы больше 128 МБ; "
                                         "выберите для ячеек с текстом формат \"@\" (в LibreOffice \"Формат → Ячейки…\", "
                                         "вкладка \"Числа\", категория \"Текст\") и сохраните книгу");
  }
  // Days as the book counts them and texts as the format escapes them: a number of the 1904 date system is
  // a day four years and a day later than the same number of the usual one, a time of day the same; a
  // cell of the date type is the day it names (ISO 8601) whatever the system, shown by its format, and a
  // text naming no day is named by its cell; "_x005F_" escapes an underscore, "_x000D_" a carriage return
  // (a control character: named, never stored without a word), in the table of texts and inline alike
  const std::string dayStyles =
      R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts count="6">)"
      R"(<numFmt numFmtId="164" formatCode="DD.MM.YYYY"/><numFmt numFmtId="165" formatCode="DD.MM.YYYY\ HH:MM"/>)"
      R"(<numFmt numFmtId="166" formatCode="[h]:mm"/><numFmt numFmtId="167" formatCode="[$-419]MMMM\ YYYY;@"/>)"
      R"(<numFmt numFmtId="168" formatCode="[$-F400]h:mm:ss\ AM/PM"/><numFmt numFmtId="169" formatCode="[$-419]hh:mm:ss"/>)"
      R"(</numFmts><cellXfs count="8"><xf numFmtId="0"/><xf numFmtId="164"/><xf numFmtId="165"/><xf numFmtId="20"/>)"
      R"(<xf numFmtId="166"/><xf numFmtId="167"/><xf numFmtId="168"/><xf numFmtId="169"/></cellXfs></styleSheet>)";
  const std::string notADay = "\" ячейки типа \"дата\" не называет дня календаря (ГГГГ-ММ-ДД, со временем "
                              "ГГГГ-ММ-ДДTЧЧ:ММ:СС, с 1900 по 9999 год)";
  struct TDayCase {
    std::string system;  // the workbookPr's date1904, none when empty
    std::string cell;    // the cell A1
    std::string shown;   // its name, or why it has none
  };
  for (const TDayCase& c : std::vector<TDayCase>{
           {"1", R"(<c r="A1" s="1"><v>44865</v></c>)", "01.11.2026"},
           {"true", R"(<c r="A1" s="2"><v>44895.3541666667</v></c>)", "01.12.2026 08:30"},
           {"0", R"(<c r="A1" s="1"><v>46327</v></c>)", "01.11.2026"},
           {"1", R"(<c r="A1" s="3"><v>0.3541666667</v></c>)", "8:30"},
           {"", R"(<c r="A1" s="1" t="d"><v>2026-11-01T00:00:00</v></c>)", "01.11.2026"},
           {"", R"(<c r="A1" s="2" t="d"><v>2026-11-02T08:30:00</v></c>)", "02.11.2026 08:30"},
           {"1", R"(<c r="A1" s="1" t="d"><v>2026-11-01</v></c>)", "01.11.2026"},
           {"", R"(<c r="A1" s="2" t="d"><v>2024-02-29T08:30:00.000Z</v></c>)", "29.02.2024 08:30"},
           {"", R"(<c r="A1" t="d"><v>2026-11-02T08:30:00</v></c>)", "02.11.2026 08:30:00"},
           // under a format of times the time of the day it names, under hours however many the hours
           // since the calendar's start, under a month alone the month with a capital (LibreOffice's texts)
           {"", R"(<c r="A1" s="3" t="d"><v>2026-11-02T20:30:00</v></c>)", "20:30"},
           {"1", R"(<c r="A1" s="7" t="d"><v>2026-11-02T08:30:15</v></c>)", "08:30:15"},
           {"", R"(<c r="A1" s="4" t="d"><v>2026-11-02T08:30:00</v></c>)", "1111880:30"},
           {"", R"(<c r="A1" s="5" t="d"><v>2026-11-01</v></c>)", "Ноябрь 2026"},
           {"", R"(<c r="A1" s="5"><v>46327</v></c>)", "Ноябрь 2026"},
           // the system's time is the Russian system's, of the whole day's hours
           {"", R"(<c r="A1" s="6"><v>0.8541666666666667</v></c>)", "20:30:00"},
           {"", R"(<c r="A1" s="6" t="d"><v>2026-11-02T20:30:00</v></c>)", "20:30:00"},
           {"", R"(<c r="A1" s="1" t="d"><v>2026</v></c>)", "текст \"2026" + notADay},
           {"", R"(<c r="A1" s="1" t="d"><v>2026-02-29</v></c>)", "текст \"2026-02-29" + notADay},
           {"", R"(<c r="A1" t="d"><v>2024-02-29T25:00:00</v></c>)", "текст \"2024-02-29T25:00:00" + notADay},
           {"", R"(<c r="A1" t="d"><v>1899-12-31</v></c>)", "текст \"1899-12-31" + notADay},
           {"", R"(<c r="A1" t="s"><v>0</v></c>)", "Магазин_x0041_"},
           {"", R"(<c r="A1" t="inlineStr"><is><t>Магазин_x005f_x0041_ _x0041__x004a_</t></is></c>)", "Магазин_x0041_ AJ"},
           // a character past the first plane is its two halves joined, a half alone no character
           {"", R"(<c r="A1" t="inlineStr"><is><t>ТП_xD83D__xDE00_ _xD83D_ _x41_</t></is></c>)",
            "текст \"ТП\xF0\x9F\x98\x80 _xD83D_ _x41_\" нельзя записать в таблицу: у символа \"\xF0\x9F\x98\x80\" "
            "(U+1F600) нет кода в кодировке Windows-1251"},
           {"", R"(<c r="A1" t="s"><v>1</v></c>)", "текст \"ИП??Щукин\" не принят: в нем управляющий символ U+000D"}}) {
    auto parts = OneSheetWorkbookParts(
        {"Лист1",
         R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1">)" + c.cell +
             "</row></sheetData></worksheet>",
         R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>Магазин_x005F_x0041_</t></si>)"
         "<si><t>ИП_x000D_\nЩукин</t></si></sst>",
         dayStyles});
    if (!c.system.empty())
      for (auto& [name, part] : parts)
        if (name == "xl/workbook.xml") part.insert(part.find("<sheets>"), "<workbookPr date1904=\"" + c.system + "\"/>");
    const std::string path = dir / "дни.xlsx";
    WriteBytes(path, BuildZip(parts));
    TSheetReader days;
    days.Open(path);
    const TValueRead<std::string> name = days.Value(1, 1).Name();
    EXPECT_EQ(name ? *name.Value : name.Fault, c.shown) << c.system << " " << c.cell;
  }
  // very hidden (shown to a macro alone) is hidden: openpyxl's state "veryHidden", xlwt's flag 2
  for (const std::string file : {"hidden_openpyxl.xlsx", "hidden_libreoffice.xls", "hidden_libreoffice.xlsx",
                                 "hidden_gnumeric.xls", "hidden_xlsxwriter.xlsx", "hidden_gnumeric.xlsx",
                                 "veryhidden_openpyxl.xlsx", "veryhidden_xlwt.xls"}) {
    const std::string path = data(file);
    const std::string refusal = file == "hidden_gnumeric.xlsx" ? "" : HiddenFirstSheetMessage(path, "Октябрь");
    for (const auto& read : std::vector<std::function<std::string()>>{
             [&] {
               TSheetReader sheet;
               sheet.Open(path);
               return sheet.SheetName() + " " + office::TRawCells(sheet).Cell(2, 3);
             },
             [&] {
               const auto book = ReadWorkbook(path);
               const office::TRawSheet& first = office::FirstSheet(book, path);
               return first.Name() + " " + first.CellText(2, 3);
             }}) {
      try {
        EXPECT_EQ(read(), "Октябрь 1111.11") << file;
        EXPECT_EQ(refusal, "") << file << ": a hidden first sheet was read";
      } catch (const Error& e) {
        EXPECT_EQ(e.what(), refusal) << file;
      }
    }
  }
  // a first sheet without a row of a table (empty, a title, a column of notes) in front of a table is
  // refused naming the first visible sheet that holds one; a first sheet with a row of two cells is read,
  // and so is one in front of no table
  struct TSheetOf {
    const char* name;
    bool hidden;
    std::vector<std::tuple<int, int, const char*>> texts;  // row and column from 0, the text
  };
  struct TFrontCase {
    std::vector<TSheetOf> sheets;
    const char* refusedFor;  // the sheet the refusal names; nullptr: the first sheet read
  };
  const std::vector<std::tuple<int, int, const char*>> table = {{0, 0, "Фидер"}, {0, 1, "W"}, {1, 0, "Ф-1"}, {1, 1, "125"}};
  for (const TFrontCase& c : std::vector<TFrontCase>{
           {{{"Титул", false, {}}, {"Лист1", false, table}}, "Лист1"},
           {{{"Прошлый месяц", false, {{0, 0, "Данные за октябрь"}, {1, 1, "   "}, {1, 0, "сверены"}}}, {"Данные", false, table}},
            "Данные"},
           {{{"Титул", false, {{0, 0, "Ведомость"}}}, {"Скрытый", true, table}, {"Пусто", false, {}}, {"Март", false, table}},
            "Март"},
           {{{"Титул", false, {}}, {"Скрытый", true, table}}, nullptr},
           {{{"Титул", false, {{2, 0, "Итого"}}}, {"Лист2", false, {{0, 0, "x"}, {1, 0, "y"}, {1, 2, "z"}}}}, nullptr},
           {{{"Фидер", false, {{1, 0, "Ф-1"}, {1, 1, "125"}}}, {"Лист2", false, table}}, nullptr}}) {
    const std::string path = dir / "перед данными.xlsx";
    lxw_workbook* book = workbook_new(path.c_str());
    ASSERT_NE(book, nullptr);
    for (const TSheetOf& sheet : c.sheets) {
      lxw_worksheet* w = workbook_add_worksheet(book, sheet.name);
      for (const auto& [row, col, text] : sheet.texts) worksheet_write_string(w, row, static_cast<lxw_col_t>(col), text, nullptr);
      if (sheet.hidden) worksheet_hide(w);
    }
    ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
    try {
      TSheetReader front;
      front.Open(path);
      EXPECT_EQ(c.refusedFor, nullptr) << c.sheets.size() << ": read " << front.SheetName();
      EXPECT_EQ(front.SheetName(), c.sheets.front().name);
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), c.refusedFor ? FirstSheetWithoutTableMessage(path, c.sheets.front().name, c.refusedFor) : "")
          << c.sheets.size();
    }
  }
  EXPECT_EQ(FirstSheetWithoutTableMessage("к.xlsx", "Титул", "Данные"),
            "Ошибка чтения файла \"к.xlsx\": лист \"Титул\", первый в книге, читается, но таблицы на нем нет; "
            "таблица есть на листе \"Данные\": поставьте его первым (в LibreOffice \"Лист → Переместить/скопировать "
            "лист…\", вставить перед \"Титул\") и сохраните книгу");
  // the advice names the menu item as LibreOffice 7.4 shows it in Russian
  EXPECT_EQ(HiddenFirstSheetMessage("к.xlsx", "Октябрь"),
            "Ошибка чтения файла \"к.xlsx\": первый лист книги \"Октябрь\" скрыт, а читается первый лист: поставьте "
            "первым лист с данными (в LibreOffice \"Лист → Переместить/скопировать лист…\", вставить перед \"Октябрь\") "
            "и сохраните книгу");
}

// Merged ranges of any size, as the sheet shows them: a range's value on every row below its first (a
// name, never a figure), nothing beside its first cell in its first row, whatever the file keeps hidden
// there; a cell outside every range as it is. Ranges that overlap, or a range that names no cells, are
// refused naming the file.
TEST(SheetReader, MergedRangesShowTheirValueOnTheRowsTheyCover) {
  TempDir dir;
  const std::string path = dir / "объединения.xlsx";
  const auto write = [&](const std::string& merges) {
    WriteBytes(path, BuildZip(OneSheetWorkbookParts(
                         {"Лист", R"(<worksheet><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>ТП-42</t></is></c>)"
                                  R"(<c r="B1"><v>5000</v></c><c r="C1" t="inlineStr"><is><t>скрыто</t></is></c></row>)"
                                  R"(<row r="2"><c r="A2" t="inlineStr"><is><t>скрыто</t></is></c><c r="D2"><v>7</v></c></row>)"
                                  R"(<row r="1048576"><c r="A1048576"><v>1</v></c><c r="D1048576"><v>2</v></c></row></sheetData>)" +
                                      merges + "</worksheet>",
                          "", ""})));
  };
  write(R"(<mergeCells><mergeCell ref="A1:A1048576"/><mergeCell ref="B1:XFD1"/><mergeCell ref="E2:E3"/>)"
        R"(<mergeCell ref="F2:XFD1048576"/></mergeCells>)");
  TSheetReader sheet;
  sheet.Open(path);
  // what a cell shows, and the range it shows as a covered cell; whether the reader calls it blank agrees
  const auto shownAt = [&sheet](int row, int col) {
    const TOutsideValue value = sheet.Value(row, col);
    const TValueRead<int> number = value.Integer(0, 100000);
    const bool covered = !number && number.Fault.find("объединенную") != std::string::npos;
    EXPECT_EQ(sheet.Blank(row, col), value.Blank()) << SheetCellName(row, col);
    return *value.Name() + (covered ? " (" + number.Fault.substr(0, number.Fault.find(" и лишь")) + ")" : "");
  };
  std::vector<std::string> shown;
  for (const auto& [row, col] : std::vector<std::pair<int, int>>{
           {1, 1}, {2, 1}, {1048576, 1}, {1, 2}, {1, 3}, {1, 16384}, {2, 2}, {2, 4}, {3, 5}, {1048576, 16384}})
    shown.push_back(shownAt(row, col));
  EXPECT_EQ(shown, (std::vector<std::string>{"ТП-42",
                                             "ТП-42 (ячейка входит в объединенную ячейку A1:A1048576)",
                                             "ТП-42 (ячейка входит в объединенную ячейку A1:A1048576)", "5000", "", "",
                                             "", "7", "", ""}));
  EXPECT_TRUE(sheet.Blank(1, 3));
  EXPECT_FALSE(sheet.Blank(2, 1));

  // A block over two columns and two rows (a point's name over its address) gives its value to its first
  // column alone: the address beside it shows nothing in either row. A range reaching into rows the sheet
  // holds nothing else in (a subscriber's name over an empty row, a figure over the rows below the data)
  // makes no row there, whatever the file keeps hidden in its cells; a figure covered in a row of data is
  // named with its range.
  WriteBytes(path, BuildZip(OneSheetWorkbookParts(
                       {"Лист", R"(<worksheet><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>Завод</t></is></c>)"
                                R"(<c r="B1" t="inlineStr"><is><t>Ввод 1</t></is></c><c r="D1"><v>5000</v></c>)"
                                R"(<c r="E1"><v>1</v></c></row>)"
                                R"(<row r="2"><c r="C2" t="inlineStr"><is><t>скрыто</t></is></c><c r="E2"><v>2</v></c></row>)"
                                R"(<row r="3"><c r="A3" t="inlineStr"><is><t>скрыто</t></is></c><c r="F3" t="inlineStr"><is><t> </t></is></c></row>)"
                                R"(</sheetData><mergeCells><mergeCell ref="A1:A4"/><mergeCell ref="B1:C2"/>)"
                                R"(<mergeCell ref="D1:D3"/></mergeCells></worksheet>)",
                        "", ""})));
  sheet.Open(path);
  shown.clear();
  for (int row = 1; row <= 5; ++row)
    for (int col = 1; col <= 4; ++col) shown.push_back(shownAt(row, col));
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "Завод", "Ввод 1", "", "5000",
                       "Завод (ячейка входит в объединенную ячейку A1:A4)", "Ввод 1 (ячейка входит в объединенную ячейку B1:C2)", "",
                       "5000 (ячейка входит в объединенную ячейку D1:D3)",
                       "", "", "", "",
                       "", "", "", "",
                       "", "", "", ""}));

  // The same shapes as each program writes them (make_prefixed_sheets.py): the subscriber C3:C5 reaching
  // into the empty row 5, the first point's name D3:E4 over its address and the second point's row
  for (const std::string file : {"industrial_blocks_openpyxl.xlsx", "industrial_blocks_xlsxwriter.xlsx",
                                 "industrial_blocks_libreoffice.xls", "industrial_blocks_libreoffice.xlsx",
                                 "industrial_blocks_gnumeric.xls", "industrial_blocks_gnumeric.xlsx"}) {
    sheet.Open((TestDataDir() / "sheets" / file).string());
    std::vector<std::string> rows;
    for (int row = 3; row <= 5; ++row) {
      std::string text;
      for (int col = 1; col <= 7; ++col) text += (col > 1 ? "|" : "") + *sheet.Value(row, col).Name();
      rows.push_back(text);
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"1|Д-17|Завод ЖБИ|Ввод 1||ТП-42.Т1|5000", "2|Д-17|Завод ЖБИ|Ввод 1||ТП-42.Т2|700",
                                              "||||||"}))
        << file;
    EXPECT_TRUE(sheet.Blank(5, 3)) << file;
    EXPECT_FALSE(sheet.Blank(4, 3)) << file;
  }

  for (const auto& [merges, why] : std::vector<std::pair<std::string, std::string>>{
           {R"(<mergeCells><mergeCell ref="A1:B3"/><mergeCell ref="C4:D5"/><mergeCell ref="B3:C4"/></mergeCells>)",
            "лист \"Лист\": объединенные ячейки A1:B3 и B3:C4 перекрываются"},
           {R"(<mergeCells><mergeCell ref="B1:B9"/><mergeCell ref="A5:C5"/></mergeCells>)",
            "лист \"Лист\": объединенные ячейки B1:B9 и A5:C5 перекрываются"},
           {R"(<mergeCells><mergeCell ref="A1:"/></mergeCells>)",
            "лист \"Лист\": неверный диапазон объединенных ячеек \"A1:\""}}) {
    write(merges);
    try {
      sheet.Open(path);
      ADD_FAILURE() << merges;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + path + "\": " + why);
    }
  }
}

}  // namespace
}  // namespace ld::test
