// The text export, and the spreadsheet export and import through real .xlsx files.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <tuple>

#include "core/base/numfmt.h"
#include "core/office/sheet_raw_cells.h"
#include "core/office/xlsx_file.h"
#include "grid_fixture.h"
#include "support/xls_builder.h"
#include "support/zip_builder.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/grid_exchange.h"

namespace {

using ld::gui::TDataGrid5;

class GridExchange : public ld::test::GridFixture {
protected:
  GridExchange() : previousOpener_(ld::gui::SetDocumentOpener([this](const std::string& path) {
                     opened_.push_back(path);
                     return true;
                   })) {
    grid_.resize(500, 200);
  }
  ~GridExchange() override { ld::gui::SetDocumentOpener(previousOpener_); }

  std::string Cell(int row, int col) const { return ld::GetCellText(grid_.table(), row, col, true); }

  ld::gui::TDocumentOpener previousOpener_;
  std::vector<std::string> opened_;
  TDataGrid5 grid_;
};

TEST_F(GridExchange, TextExportWritesTheVisibleColumnsByteForByte) {
  const std::string path = MakeFile("t.TST", {{"1", "Фидер 1", "1500", "2.5", "7", "9"}, {"2", "ТП", "", "1234.5"}, {}});
  grid_.OpenFile(path, 1, 1, 1, true, true, true);
  grid_.RunCommand(ld::gui::mtTextExport);
  // the empty last row is trimmed; the hidden column is left out; d and f lose their thousand separators
  const std::string expected = ld::Utf8ToCp1251(
      "№ п/п\tНомер\tНазвание\tМощность\tРеактив\tЗащищ.\r\n"
      "1\t1\tФидер 1\t1\u00A0500.00\t2.5\t7\r\n"
      "2\t2\tТП\t\t1234.5\t\r\n");
  EXPECT_EQ(ld::test::ReadBytes(dir_ / "textfile.txt"), expected);
  EXPECT_EQ(grid_.table().RowCount, 2);
}

TEST_F(GridExchange, SpreadsheetExportAndImportRoundTrip) {
  const std::string source = MakeFile("t.TST", {{"1", "Фидер 1", "1500.25", "2.5", "7"},
                                                {"2", "ТП \"Южная\"", "-0.001", "", "3"},
                                                {"3", "", "123456789.5", "1"}});
  grid_.OpenFile(source, 1, 1, 1, true, true, true);
  grid_.RunCommand(ld::gui::mtSheetExport);
  ASSERT_EQ(opened_, std::vector<std::string>{dir_ / "textfile.xlsx"});
  EXPECT_FALSE(ld::test::ReadBytes(dir_ / "textfile.txt").empty());
  const auto book = ld::ReadWorkbook(dir_ / "textfile.xlsx");
  ASSERT_EQ(book.sheets.size(), 1u);
  const ld::office::TRawSheet& sheet = book.sheets[0];
  EXPECT_EQ(std::tuple(sheet.CellText(1, 1), sheet.CellText(1, 4), sheet.CellText(3, 3), sheet.LastRow()),
            std::tuple("№ п/п", "Мощность", "ТП \"Южная\"", 4));
  EXPECT_EQ(sheet.Cell(2, 4).kind, ld::CellKind::Number);
  EXPECT_EQ(std::pair(sheet.Cell(2, 4).number, sheet.Cell(4, 4).number), std::pair(1500.25, 123456789.5));
  EXPECT_EQ(sheet.Cell(3, 5).kind, ld::CellKind::Empty);  // zero shows empty, as in the grid

  // into an empty table of the same layout: every editable column comes back, the read-only one not
  const std::string target = MakeFile("u.TST", {});
  grid_.OpenFile(target, 1, 1, 1, true, true, true);
  script_.Then([&](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Ввод данных Excel");
    ld::test::ChooseInFileDialog(dialog, dir_ / "textfile.xlsx");
  });
  grid_.RunCommand(ld::gui::mtSheetImport);
  ASSERT_EQ(box_.Calls().size(), 2u);
  EXPECT_EQ(box_.Calls()[0].text,
            "Данные из файла *.xls переписываются в таблицу по столбцам с одинаковыми заголовками. Запись начинается "
            "с первых строк таблицы поверх предыдущих данных. Запись продолжается до пустой ячейки в первой колонке "
            "файла *.xls");
  EXPECT_EQ(box_.Calls()[1].text, "Ввод данных закончен");
  ASSERT_EQ(grid_.table().RowCount, 3);
  EXPECT_TRUE(grid_.Modified());
  EXPECT_TRUE(grid_.LockedFiles());
  EXPECT_EQ(std::tuple(Cell(1, 2), Cell(2, 2), Cell(1, 3), Cell(2, 3), Cell(3, 3), Cell(1, 4)),
            std::tuple("Фидер 1", "ТП \"Южная\"", "1500.25", "-0.001", "123456789.5", "2.5"));
  EXPECT_EQ(Cell(1, 5), "");  // read-only column

  // texts that begin with blanks (a dBase field's "  12") come back as they were, every one of them
  const std::string padded = MakeFile("v.TST", {{"1", "  12", "5"}, {"2", " ТП 4", "6"}, {"3", "   ", "7"}});
  grid_.OpenFile(padded, 1, 1, 1, true, true, true);
  grid_.RunCommand(ld::gui::mtSheetExport);
  grid_.OpenFile(MakeFile("w.TST", {}), 1, 1, 1, true, false, true);
  script_.Then([&](QDialog& dialog) { ld::test::ChooseInFileDialog(dialog, dir_ / "textfile.xlsx"); });
  grid_.RunCommand(ld::gui::mtSheetImport);
  ASSERT_EQ(grid_.table().RowCount, 3);
  ld::TDataFile before;
  FillTable(before, {{"1", "  12", "5"}, {"2", " ТП 4", "6"}, {"3", "   ", "7"}});
  for (int row = 1; row <= 3; ++row)
    EXPECT_EQ(Cell(row, 2), ld::GetCellText(before, row, 2, true)) << row;
  EXPECT_EQ(Cell(1, 2), "  12");
}

TEST_F(GridExchange, SpreadsheetWrittenButNotOpenedSaysWhereItIs) {
  grid_.OpenFile(MakeFile("t.TST", {{"1", "Фидер 1", "1500.25"}}), 1, 1, 1, true, true, true);
  ld::gui::SetDocumentOpener([](const std::string&) { return false; });  // no program for .xlsx
  grid_.RunCommand(ld::gui::mtSheetExport);
  const std::string file = dir_ / "textfile.xlsx";
  ASSERT_EQ(box_.Calls().size(), 1u);
  EXPECT_EQ(box_.Calls()[0].text, "Таблица записана в файл \"" + file +
                                      "\".\nОткрыть его не удалось: нет программы для просмотра таблиц такого вида.");
  EXPECT_EQ(box_.Calls()[0].kind, ld::mkInfo);
  EXPECT_EQ(ld::ReadWorkbook(file).sheets.at(0).CellText(2, 3), "Фидер 1");
}

TEST_F(GridExchange, ImportStopsAtTheFirstEmptyCellOfColumnOne) {
  ld::Workbook book;
  book.sheets.emplace_back("Данные");
  ld::Worksheet& s = book.sheets.back();
  s.SetText(1, 1, "Номер");
  s.SetText(1, 2, "Чужая колонка");
  s.SetText(1, 3, "Мощность");
  s.SetDate(1, 5, 45351);  // past the first empty title: not read
  for (int r = 2; r <= 11; ++r) {
    s.SetNumber(r, 1, r * 10);
    s.SetNumber(r, 3, r + 0.5);
    s.SetText(r, 2, "x");
  }
  s.SetNumber(12, 3, 99);  // row 12 has no number in column 1: the end
  s.SetNumber(13, 1, 130);
  ld::WriteXlsx(dir_ / "in.xlsx", book);

  const std::string path = MakeFile("t.TST", {{"1", "один", "5"}, {"2", "два", "6"}});
  grid_.OpenFile(path, 1, 1, 1, true, true, true);
  script_.Then([&](QDialog& dialog) { ld::test::ChooseInFileDialog(dialog, dir_ / "in.xlsx"); });
  grid_.RunCommand(ld::gui::mtSheetImport);
  ASSERT_EQ(grid_.table().RowCount, 10);
  EXPECT_EQ(std::tuple(Cell(1, 1), Cell(10, 1), Cell(10, 3)), std::tuple("20", "110", "11.5"));
  EXPECT_EQ(Cell(1, 2), "один");  // no sheet column of that title

  // a cancelled file choice gives the lock back and changes nothing
  EXPECT_TRUE(grid_.SaveFile());
  box_.Clear();
  script_.Then([](QDialog& dialog) { dialog.reject(); });
  grid_.RunCommand(ld::gui::mtSheetImport);
  EXPECT_FALSE(grid_.Modified());
  EXPECT_FALSE(grid_.LockedFiles());
  EXPECT_FALSE(std::filesystem::exists(path + "~"));
}

// Names merged down column A and B past the data (to row 400, the sheet's data in rows 2 to 4, a note and
// a total beside the titled columns in rows 5 and 400): the rows that only show the ranges are no rows of the sheet, and the
// names are every data row's.
TEST_F(GridExchange, ImportTakesTheRowsTheSheetHolds) {
  const auto text = [](const std::string& ref, const std::string& t) {
    return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + t + "</t></is></c>";
  };
  const std::string sheet = "<worksheet><sheetData><row r=\"1\">" + text("A1", "ТП") + text("B1", "Счетчик") +
                            "</row><row r=\"2\">" + text("A2", "ТП-42") + text("B2", "001") + "</row><row r=\"3\">" +
                            text("B3", "002") + "</row><row r=\"4\">" + text("B4", "003") + "</row><row r=\"5\">" + text("D5", "без ТП") + "</row><row r=\"400\">" +
                            text("D400", "итого") + "</row></sheetData><mergeCells count=\"2\"><mergeCell ref=\"A2:A400\"/>"
                            "<mergeCell ref=\"B4:B400\"/></mergeCells></worksheet>";
  ld::test::WriteBytes(dir_ / "merged.xlsx", ld::test::BuildZip(ld::test::OneSheetWorkbookParts({"Лист1", sheet, "", ""})));
  grid_.OpenFile(MakeFile("m.MTR", {}, "Счетчики"), 1, 1, 1, true, false, true);
  script_.Then([&](QDialog& dialog) { ld::test::ChooseInFileDialog(dialog, dir_ / "merged.xlsx"); });
  grid_.RunCommand(ld::gui::mtSheetImport);
  ASSERT_EQ(grid_.table().RowCount, 3);
  EXPECT_EQ(std::tuple(Cell(1, 1), Cell(3, 1), Cell(3, 2)), std::tuple("ТП-42", "ТП-42", "003"));
}

// A number that is no number, or more than a column holds, in either kind of workbook, a row without its
// key, and a workbook that gives the table no row (an empty sheet, a heading row alone, titles that name
// no column the user may edit): the import is refused naming the file (the sheet and the cell) and
// saying that nothing changed; not one cell of the table changes, and it is neither marked changed nor
// locked.
TEST_F(GridExchange, ImportRefusesNumbersThatAreNoNumbersWithTheirCell) {
  const std::string path = MakeFile("t.TST", {{"1", "один", "5", "1.5"}, {"2", "два", "6", "2.5"}});
  const std::string before = ld::test::ReadBytes(path);
  struct Case {
    std::string file;
    std::string expected;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  using ld::test::XlsCell;
  ld::test::WriteBytes(dir_ / "nan.xls", ld::test::BuildXls({{XlsCell::Text, 1, 1, 0, "Номер"},
                                                              {XlsCell::Text, 1, 2, 0, "Мощность"},
                                                              {XlsCell::Number, 2, 1, 7, ""},
                                                              {XlsCell::Number, 2, 2, 1, ""},
                                                              {XlsCell::Number, 3, 1, 8, ""},
                                                              {XlsCell::Number, 3, 2, nan, ""}}));
  ld::Workbook book;
  book.sheets.emplace_back("Данные");
  book.sheets[0].SetText(1, 1, "Реактив");
  book.sheets[0].SetNumber(2, 1, 1e308);
  book.sheets[0].SetText(1, 2, "Номер");
  book.sheets[0].SetNumber(2, 2, 7);
  ld::WriteXlsx(dir_ / "big.xlsx", book);
  // Texts that the columns would cut or could not hold: a name over the column's 20 characters, one with a
  // character without a Windows-1251 code, a number of more digits than the integer column's 5, and for
  // a float column a text longer than the widest column, refused by its first characters.
  std::string pairs;
  for (int i = 0; i < 16000; ++i) pairs += "a,";
  const auto textBook = [&](const std::string& name, const std::string& title, auto&& put) {
    ld::Workbook b;
    b.sheets.emplace_back("Тексты");
    b.sheets[0].SetText(1, 1, "Номер");
    b.sheets[0].SetText(1, 2, title);
    b.sheets[0].SetNumber(2, 1, 7);
    put(b.sheets[0]);
    ld::WriteXlsx(dir_ / name, b);
    return "Ошибка чтения файла \"" + dir_ / name + "\": лист \"Тексты\", ячейка ";
  };
  const std::string tail = "\" не поместится ни в одно поле таблиц: в поле не больше ";
  const std::string kept = ", ничего не изменено", none = ": нет данных для импорта, ничего не изменено";
  // A sheet of titles, and a row below them when asked.
  const auto titled = [&](const std::string& name, const std::vector<std::string>& titles, bool row = false) {
    ld::Workbook b;
    b.sheets.emplace_back("Заголовки");
    for (std::size_t c = 0; c < titles.size(); ++c) b.sheets[0].SetText(1, static_cast<int>(c) + 1, titles[c]);
    if (row) b.sheets[0].SetNumber(2, 1, 1), b.sheets[0].SetText(2, 2, "Иванов"), b.sheets[0].SetNumber(2, 3, 1);
    ld::WriteXlsx(dir_ / name, b);
    return "Ошибка чтения файла \"" + dir_ / name + "\": ";
  };
  const std::vector<Case> cases = {
      {dir_ / "nan.xls", "Ошибка чтения файла \"" + dir_ / "nan.xls" +
                             "\": лист \"Лист1\", ячейка B3: значение не является числом" + kept},
      {dir_ / "big.xlsx", "Ошибка чтения файла \"" + dir_ / "big.xlsx" +
                              "\": лист \"Данные\", ячейка A2: число 1E308 больше по модулю, чем вмещает столбец "
                              "таблицы (3.4028235E38)" + kept},
      {dir_ / "long.xlsx", textBook("long.xlsx", "Название", [](ld::Worksheet& w) {
                                 w.SetNumber(3, 1, 8), w.SetText(3, 2, "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ");
                               }) +
                               "B3: текст \"ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ" + tail + "20 символов" + kept},
      {dir_ / "uncoded.xlsx", textBook("uncoded.xlsx", "Название", [](ld::Worksheet& w) { w.SetText(2, 2, "ТП\u2460"); }) +
                                  "B2: текст \"ТП\u2460\" нельзя записать в таблицу: у символа \"\u2460\" (U+2460) нет "
                                  "кода в кодировке Windows-1251" + kept},
      {dir_ / "digits.xlsx", textBook("digits.xlsx", "Название", [](ld::Worksheet& w) { w.SetNumber(3, 1, 123456); }) +
                                 "A3: текст \"123456" + tail + "5 символов" + kept},
      {dir_ / "pairs.xlsx", textBook("pairs.xlsx", "Реактив", [&](ld::Worksheet& w) { w.SetText(2, 2, pairs); }) +
                                "B2: текст \"a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,a,..." + tail + "20 символов" + kept},
      // a control character inside a name is named, and a date where a number is read is no number
      {dir_ / "controls.xlsx", textBook("controls.xlsx", "Название", [](ld::Worksheet& w) { w.SetText(2, 2, "ТП-4\r2"); }) +
                                   "B2: текст \"ТП-4?2\" не принят: в нем управляющий символ U+000D" + kept},
      {dir_ / "date.xlsx", textBook("date.xlsx", "Реактив", [](ld::Worksheet& w) { w.SetDate(2, 2, 46143); }) +
                               "B2: текст \"01.05.2026\" не является числом: это дата" + kept},
      {dir_ / "words.xlsx", textBook("words.xlsx", "Мощность", [](ld::Worksheet& w) { w.SetText(2, 2, "н/д"); }) +
                                "B2: текст \"н/д\" не является числом" + kept},
      {dir_ / "keyless.xlsx", textBook("keyless.xlsx", "Название", [](ld::Worksheet& w) {
                                  w.SetText(3, 1, " "), w.SetText(3, 2, "три");
                                }) +
                                  "A3: ячейка пуста, а столбец \"Номер\" - ключ таблицы" + kept},
      {dir_ / "empty.xlsx", titled("empty.xlsx", {}) + "лист \"Заголовки\" пуст" + none},
      {dir_ / "heading.xlsx", titled("heading.xlsx", {"Номер", "Название", "Мощность"}) +
                                  "на листе \"Заголовки\" под строкой заголовков нет данных: ячейка A2 пуста" + none},
      // another table's export, whose titles meet two of this table's: without the key its rows would
      // go over rows of other keys
      {dir_ / "export.xlsx", titled("export.xlsx", {"№ п/п", "Название", "Мощность"}, true) +
                                 "в строке 1 листа \"Заголовки\" нет заголовка \"Номер\", а этот столбец - ключ таблицы "
                                 "\"Тест\": строки листа без ключа не записываются (лист другой таблицы?)" + none},
      // one title over two columns: which of them would the table's column take?
      {dir_ / "twice.xlsx", titled("twice.xlsx", {"Номер", "Название", "Название"}, true) +
                                "в строке 1 листа \"Заголовки\" заголовок \"Название\" стоит в ячейках B1 и C1: "
                                "который из столбцов писать в столбец таблицы, неизвестно" + none},
      {dir_ / "columnB.xlsx", [&] {
                                ld::Workbook b;
                                b.sheets.emplace_back("Сдвинутый");
                                b.sheets[0].SetText(1, 2, "Номер"), b.sheets[0].SetNumber(2, 2, 1);
                                ld::WriteXlsx(dir_ / "columnB.xlsx", b);
                                return "Ошибка чтения файла \"" + dir_ / "columnB.xlsx" + "\": ";
                              }() + "на листе \"Сдвинутый\" пуста ячейка A1, а ввод идет от нее: заголовки столбцов - в "
                                    "строке 1 с ячейки A1, строки данных - до первой пустой ячейки столбца A" + none},
      {dir_ / "staff.xlsx", titled("staff.xlsx", {"№ п/п", "Фамилия", "Защищ."}, true) +
                                "ни один заголовок строки 1 листа \"Заголовки\" не совпадает с заголовком изменяемого "
                                "столбца таблицы \"Тест\"" + none}};
  for (const Case& c : cases) {
    grid_.OpenFile(path, 1, 1, 1, true, true, true);
    box_.Clear();
    script_.Then([&](QDialog& dialog) { ld::test::ChooseInFileDialog(dialog, c.file); });
    grid_.RunCommand(ld::gui::mtSheetImport);
    ASSERT_EQ(box_.Calls().size(), 2u) << c.file;
    EXPECT_EQ(box_.Calls()[1].text, c.expected);
    EXPECT_EQ(std::tuple(Cell(1, 1), Cell(2, 1), Cell(1, 3), Cell(2, 3), Cell(1, 4), Cell(2, 4)),
              std::tuple("1", "2", "5", "6", "1.5", "2.5"))
        << c.file;
    EXPECT_FALSE(grid_.Modified()) << c.file;
    EXPECT_FALSE(grid_.LockedFiles()) << c.file;
    EXPECT_EQ(ld::test::ReadBytes(path), before) << c.file;
  }

  // exactly as long as the columns hold: taken whole
  textBook("full.xlsx", "Название", [](ld::Worksheet& w) { w.SetNumber(2, 1, 12345), w.SetText(2, 2, std::string(20, 'z')); });
  grid_.OpenFile(path, 1, 1, 1, true, true, true);
  script_.Then([&](QDialog& dialog) { ld::test::ChooseInFileDialog(dialog, dir_ / "full.xlsx"); });
  grid_.RunCommand(ld::gui::mtSheetImport);
  EXPECT_EQ(std::tuple(Cell(1, 1), Cell(1, 2)), std::tuple("12345", std::string(20, 'z')));

  // names and numbers pasted from a web page or typed with Alt+Enter: taken without what is left at
  // their ends, as every import takes them
  ld::Workbook pasted;
  ld::Worksheet& w = pasted.sheets.emplace_back("Лист1");
  w.SetText(1, 1, "Номер"), w.SetText(1, 2, "Название"), w.SetText(1, 3, "Реактив");
  w.SetNumber(2, 1, 1), w.SetText(2, 2, "ТП-42\xC2\xA0"), w.SetText(2, 3, "12,5\xC2\xA0");
  w.SetNumber(3, 1, 2), w.SetText(3, 2, "Т1\t");
  w.SetNumber(4, 1, 3), w.SetText(4, 2, "КТП 7\n");
  ld::WriteXlsx(dir_ / "pasted.xlsx", pasted);
  // the rows taken above are let go unasked: this import starts from a table of its own
  grid_.OpenFile(MakeFile("p.TST", {{"1", "один", "5", "1.5"}}), 1, 1, 1, true, false, true);
  script_.Then([&](QDialog& dialog) { ld::test::ChooseInFileDialog(dialog, dir_ / "pasted.xlsx"); });
  grid_.RunCommand(ld::gui::mtSheetImport);
  EXPECT_EQ(std::tuple(Cell(1, 2), Cell(2, 2), Cell(3, 2), Cell(1, 4)), std::tuple("ТП-42", "Т1", "КТП 7", "12.5"));
}

// The sheets of tests/data/sheets/make_shown_sheets.py as each program wrote them: a meter kept with its
// leading zeros by its format, the hours of work over a day, and numbers shown by formats of conditions,
// fractions and days come into the grid as the sheet shows them;
// the first sheet is the one read, and a hidden one is named.
TEST_F(GridExchange, ImportTakesCellsAsTheSheetShowsThem) {
  for (const char* file : {"shown_openpyxl.xlsx", "shown_libreoffice.xls", "shown_libreoffice.xlsx",
                           "shown_gnumeric.xls", "shown_gnumeric.xlsx"}) {
    grid_.OpenFile(MakeFile(std::string(file) + ".MTR", {}, "Счетчики"), 1, 1, 1, true, false, true);
    box_.Clear();
    script_.Then([&](QDialog& dialog) { ld::test::ChooseInFileDialog(dialog, (ld::test::TestDataDir() / "sheets" / file).string()); });
    grid_.RunCommand(ld::gui::mtSheetImport);
    ASSERT_EQ(box_.Calls().size(), 2u) << file;
    EXPECT_EQ(box_.Calls()[1].text, "Ввод данных закончен") << file;
    ASSERT_EQ(grid_.table().RowCount, 2) << file;
    EXPECT_EQ(std::tuple(Cell(1, 1), Cell(1, 2), Cell(1, 3), Cell(2, 1), Cell(2, 2), Cell(2, 3)),
              std::tuple("ТП-42", "011070123456789", "36:30", "ТП-7", "000000000000042", "24:00"))
        << file;
  }
  // numbers that formats set among texts by conditions, as fractions and as days without their year are
  // taken as the sheets show them (the office reader's tests read every cell of these books); the meter
  // 1234 shown "1,23E+03" without its last digit is named by its cell, and nothing is taken
  for (const char* file : {"formats_openpyxl.xlsx", "formats_xlsxwriter.xlsx", "formats_xlwt.xls", "formats_libreoffice.xls",
                           "formats_libreoffice.xlsx", "formats_gnumeric.xls", "formats_gnumeric.xlsx"}) {
    grid_.OpenFile(MakeFile(std::string(file) + ".MTR", {}, "Счетчики"), 1, 1, 1, true, false, true);
    box_.Clear();
    const std::string path = (ld::test::TestDataDir() / "sheets" / file).string();
    script_.Then([&](QDialog& dialog) { ld::test::ChooseInFileDialog(dialog, path); });
    grid_.RunCommand(ld::gui::mtSheetImport);
    ASSERT_EQ(box_.Calls().size(), 2u) << file;
    const std::string& point = ld::FormatSettings.DecimalSeparator;
    EXPECT_EQ(box_.Calls()[1].text, "Ошибка чтения файла \"" + path + "\": лист \"Показания\", ячейка C6: число \"1234\" "
                                    "показано форматом ячейки как \"1" + point + "23E+03\", без части своих цифр: покажите его "
                                    "целиком (в LibreOffice \"Формат → Ячейки…\", вкладка \"Числа\", категория \"Числовой\", "
                                    "формат \"0\") и сохраните книгу, ничего не изменено")
        << file;
    EXPECT_EQ(grid_.table().RowCount, 0) << file;
  }
  // a book whose first sheet is hidden (last month's behind this month's) is named, not read
  const std::string hidden = (ld::test::TestDataDir() / "sheets" / "hidden_openpyxl.xlsx").string();
  grid_.OpenFile(MakeFile("hidden.MTR", {}, "Счетчики"), 1, 1, 1, true, false, true);
  box_.Clear();
  script_.Then([&](QDialog& dialog) { ld::test::ChooseInFileDialog(dialog, hidden); });
  grid_.RunCommand(ld::gui::mtSheetImport);
  ASSERT_EQ(box_.Calls().size(), 2u);
  EXPECT_EQ(box_.Calls()[1].text.rfind(ld::HiddenFirstSheetMessage(hidden, "Октябрь"), 0), 0u) << box_.Calls()[1].text;
  EXPECT_EQ(grid_.table().RowCount, 0);
}

}  // namespace
