// Measured loads of substation inputs and feeders: the pairs summed into P and Q, the kind in T, the
// uppermost sheet row of a name, rows that must not be filled, names not found, cells that are no
// number, the end of the names, and the same through new and legacy workbook files, under headings that
// say what the columns hold or refused by the heading that does not.
#include "core/district/feeder_measure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/import_text.h"
#include "core/base/strings.h"
#include "core/tables/table_ops.h"
#include "core/district/sheet_imports.h"
#include "core/office/sheet_reader.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "support/table_rows.h"
#include "support/test_env.h"
#include "support/xls_builder.h"
#include "fake_sheet.h"

namespace ld::test {
namespace {

class FeederMeasurements : public ::testing::Test {
protected:
  FeederMeasurements() { MaketFileName = (DataDir() / "maket.zr").string(); }
  static double Num(const TDataFile& t, const std::string& field, int row) {
    return StrToFloatZ(CellText(t, field, row));
  }
  // Inputs: Subst, NamePS, LinkPS, Uzam, T, B, ComPS, P, Q.
  void Inputs(const Rows& rows) { FillRows(inputs, LayoutSubstInputs, rows); }
  // Feeders: Name1, Name2, Line, Nl, NK, T, B, P, Q.
  void Feeders(const Rows& rows) { FillRows(feeders, LayoutSubstFeeders, rows); }
  TDataFile inputs, feeders;
  std::vector<std::string> messages;
};

TEST_F(FeederMeasurements, PairsAreSummedIntoTheUppermostRowOfEachName) {
  Inputs({{"ПС-1", "Ввод 1", "", "", "", "", "", "7", "7"},
          {"ПС-1", "ввод 2"},
          {"ПС-1", "Ввод 3", "", "", "-4", "", "", "6", "6"},
          {"ПС-2", "ВВОД 1"}});
  Feeders({{"ПС-1.1", "Ф-2", "", "", "", "", "", "99", "99"},
           {"ПС-1.1", "ф-3", "", "", "", "2", "", "1", "1"},
           {"ПС-1.2", "Ф-4", "", "", "", "", "", "7"},
           {"ПС-2.1", "ПC-2 KЛ-10"}});  // Latin C and K in the table
  FakeSheet sheet;
  sheet.Row(1, {{3, "Наименование"}, {8, "P1"}});
  sheet.Row(2, {{3, "  ввод 1 "}, {8, "1.5"}, {12, "0,5"}, {18, "0.25"}, {22, "0.25"}});
  sheet.Row(3, {{3, "ВВОД 1"}, {8, "9"}, {18, "9"}});
  sheet.Row(4, {{3, "Ввод 2"}, {8, "3"}, {22, "0"}});
  sheet.Row(5, {{3, "Ввод 3"}, {8, "5"}});
  sheet.Row(6, {{3, "ПС-2 КЛ-10"}, {8, "-"}, {18, "2"}});
  // the second active cell is no number: the value read just before must not stand in for it
  sheet.Row(7, {{3, "Ф-2"}, {8, "4"}, {12, "abc"}, {18, "1"}, {22, "1"}});
  sheet.Row(8, {{3, "Ф-4"}, {8, "нет"}, {12, "1"}});
  std::vector<std::string> stages;
  const TImportTaken taken =
      ImportFeederMeasurements(inputs, feeders, sheet.Cells(), messages, [&](const std::string& s) { stages.push_back(s); });
  EXPECT_EQ(taken.Items, 4) << "three inputs and a feeder measured whole; two feeders took a cell that is no number";
  EXPECT_EQ(taken.FirstReason, "Ввод ВВОД 3 не найден");

  EXPECT_EQ(stages, (std::vector<std::string>{"  Чтение замеров по вводам 10(6) кВ ... ",
                                              "  Чтение замеров по фидерам 10(6) кВ ... "}));
  // two inputs of one name take the same (upper) row
  for (const int r : {1, 4}) {
    EXPECT_DOUBLE_EQ(Num(inputs, "P", r), 2.0) << r;
    EXPECT_DOUBLE_EQ(Num(inputs, "Q", r), 0.5) << r;
    EXPECT_EQ(CellText(inputs, "T", r), "4") << r;
  }
  EXPECT_DOUBLE_EQ(Num(inputs, "P", 2), 3.0);
  EXPECT_DOUBLE_EQ(Num(inputs, "Q", 2), 0.0);
  EXPECT_EQ(CellText(inputs, "T", 2), "5");
  // a negative kind is never filled
  EXPECT_EQ(CellText(inputs, "T", 3), "-4");
  EXPECT_DOUBLE_EQ(Num(inputs, "P", 3), 6.0);

  EXPECT_DOUBLE_EQ(Num(feeders, "P", 1), 4.0) << "a failed read adds nothing";
  EXPECT_DOUBLE_EQ(Num(feeders, "Q", 1), 2.0);
  EXPECT_EQ(CellText(feeders, "T", 1), "4");
  EXPECT_EQ(CellText(feeders, "T", 2), "2") << "not found: kept";
  EXPECT_DOUBLE_EQ(Num(feeders, "P", 2), 1.0);
  EXPECT_DOUBLE_EQ(Num(feeders, "P", 3), 8.0) << "the first cell no number: the old value and the second cell";
  EXPECT_EQ(CellText(feeders, "T", 3), "5");
  EXPECT_DOUBLE_EQ(Num(feeders, "Q", 4), 2.0) << "feeder names compare Latin look-alikes as Cyrillic";
  EXPECT_DOUBLE_EQ(Num(feeders, "P", 4), 0.0);

  EXPECT_EQ(messages, (std::vector<std::string>{"Ввод ВВОД 3 не найден",
                                                "Ошибка чтения. Строка 7, столбец 12 (текст \"abc\" не является числом)",
                                                "Фидер ПС-1.1 - Ф-3 не найден",
                                                "Ошибка чтения. Строка 8, столбец 8 (текст \"нет\" не является числом)",
                                                // the rows that no input or feeder took: the upper row of a name
                                                // is taken, the heading holds no values
                                                "ВВОД 1 - дублирование данных"}));
}

TEST_F(FeederMeasurements, NamesEndAtAHundredEmptyCells) {
  Inputs({});
  Feeders({{"ПС-1.1", "Ф-5"}, {"ПС-1.1", "Ф-6"}, {"ПС-9", ""}});
  FakeSheet sheet;
  sheet.Row(1, {{3, "Ф-1"}, {8, "1"}});
  sheet.Row(101, {{3, "Ф-5"}, {8, "5"}});  // 99 empty cells above it
  sheet.Row(202, {{3, "Ф-6"}, {8, "6"}});  // 100 empty cells above it
  ImportFeederMeasurements(inputs, feeders, sheet.Cells(), messages);
  EXPECT_DOUBLE_EQ(Num(feeders, "P", 1), 5.0);
  EXPECT_EQ(CellText(feeders, "T", 2), "");
  // an empty name takes the first empty cell above the last name
  EXPECT_EQ(CellText(feeders, "T", 3), "5");
  EXPECT_EQ(messages, (std::vector<std::string>{"Фидер ПС-1.1 - Ф-6 не найден", "Ф-1 - не найден в базе РЭС"}));
}

// A sheet that matches nothing of a large base gives a line per feeder: the import keeps its first
// thousand, counts the rest in one line, and leaves the lines it found in the list alone.
TEST_F(FeederMeasurements, AnImportKeepsItsFirstThousandMessages) {
  Inputs({});
  Rows rows;
  for (int k = 1; k <= 1200; ++k) rows.push_back({"ПС-1", "Ф-" + std::to_string(k)});
  Feeders(rows);
  FakeSheet sheet;
  sheet.Row(1, {{3, "Ф-0"}, {8, "1"}});
  messages = {"строка до импорта"};
  EXPECT_EQ(ImportFeederMeasurements(inputs, feeders, sheet.Cells(), messages).Items, 0);
  ASSERT_EQ(messages.size(), 1002u);
  EXPECT_EQ(messages[0], "строка до импорта");
  EXPECT_EQ(messages[1000], "Фидер ПС-1 - Ф-1000 не найден");
  // the sheet's row of Ф-0, which no feeder took, is among them
  EXPECT_EQ(messages[1001], "Еще сообщений не показано: 201");
}

TEST_F(FeederMeasurements, NewAndLegacyWorkbooksReadAlike) {
  TempDir dir;
  Workbook book;
  Worksheet& s = book.sheets.emplace_back("Замеры");
  s.SetText(2, 3, "Ввод 1");
  s.SetNumber(2, 8, 1.25);
  s.SetNumber(2, 12, 0.75);
  s.SetNumber(2, 22, 0.5);
  s.SetText(3, 3, "Ф-1");
  s.SetNumber(3, 8, 3);
  s.SetText(3, 18, "abc");
  WriteXlsx(dir / "новый.xlsx", book);
  WriteBytes(dir / "старый.xls", BuildXls({{XlsCell::Text, 2, 3, 0, "Ввод 1"},
                                          {XlsCell::Number, 2, 8, 1.25, ""},
                                          {XlsCell::Number, 2, 12, 0.75, ""},
                                          {XlsCell::Number, 2, 22, 0.5, ""},
                                          {XlsCell::Text, 3, 3, 0, "Ф-1"},
                                          {XlsCell::Number, 3, 8, 3, ""},
                                          {XlsCell::Text, 3, 18, 0, "abc"}}));
  for (const char* file : {"новый.xlsx", "старый.xls"}) {
    Inputs({{"ПС-1", "Ввод 1"}});
    Feeders({{"ПС-1.1", "Ф-1"}});
    messages.clear();
    TSheetReader reader;
    reader.Open(dir / file);
    ImportFeederMeasurements(inputs, feeders, SheetCells(reader), messages);
    EXPECT_DOUBLE_EQ(Num(inputs, "P", 1), 2.0) << file;
    EXPECT_DOUBLE_EQ(Num(inputs, "Q", 1), 0.5) << file;
    EXPECT_EQ(CellText(inputs, "T", 1), "4") << file;
    EXPECT_DOUBLE_EQ(Num(feeders, "P", 1), 3.0) << file;
    EXPECT_EQ(CellText(feeders, "T", 1), "5") << file;
    EXPECT_EQ(messages, std::vector<std::string>{"Ошибка чтения. Строка 3, столбец 18 (текст \"abc\" не является числом)"})
        << file;
  }

  // Through the command's reader, under a row of headings: what people write over the values is read as
  // before; the titles of the grid's export of the inputs (a column hidden, so that column 8 holds their
  // P) refuse the book by the cell of the heading that says otherwise, before anything is reset.
  const TSheetImport& command = FindSheetImport(kFeederMeasureSheet);
  const std::vector<std::vector<std::string>> headings = {{"Наименование", "P1", "P2", "Q1", "Q2"},
                                                          {"Фидер", "Wp, кВт*ч", "Акт.", "Q, квар", "Реакт."},
                                                          {"Ввод (шины)", "P, по виду", "Wп отп., кВт*ч", "Гр. P", "Гр. Q обр."}};
  for (const auto& heading : headings) {
    const int cols[] = {3, 8, 12, 18, 22};
    std::vector<XlsCell> legacy = {{XlsCell::Text, 2, 3, 0, "Ввод 1"}, {XlsCell::Number, 2, 8, 1.25, ""},
                                   {XlsCell::Number, 2, 12, 0.75, ""}, {XlsCell::Number, 2, 22, 0.5, ""}};
    Workbook headed;
    Worksheet& h = headed.sheets.emplace_back("Замеры");
    h.SetText(2, 3, "Ввод 1"), h.SetNumber(2, 8, 1.25), h.SetNumber(2, 12, 0.75), h.SetNumber(2, 22, 0.5);
    for (int k = 0; k < 5; ++k) {
      h.SetText(1, cols[k], heading[static_cast<std::size_t>(k)]);
      legacy.push_back({XlsCell::Text, 1, cols[k], 0, heading[static_cast<std::size_t>(k)]});
    }
    WriteXlsx(dir / "новый.xlsx", headed);
    WriteBytes(dir / "старый.xls", BuildXls(legacy));
    for (const char* file : {"новый.xlsx", "старый.xls"}) {
      Inputs({{"ПС-1", "Ввод 1", "", "", "", "", "", "7", "7"}});
      Feeders({});
      std::vector<TDataFile> tables(2);
      CopyTable(inputs, tables[0]), CopyTable(feeders, tables[1]);
      messages.clear();
      TSheetReader reader;
      reader.Open(dir / file);
      std::string refusal;
      try {
        command.Read(tables, SheetCells(reader), {&messages, 0, {}, {}, nullptr});
      } catch (const TSheetKindError& e) {
        refusal = e.Reason;
      }
      if (heading[0] == "Ввод (шины)") {
        EXPECT_EQ(refusal, "не подходит для команды \"Импорт замеров 10(6) кВ (Тальмиры)\": ячейка R1: заголовок \"Гр. P\" - "
                           "не заголовок столбца 18 (реактивное значение): \"P\" - активная мощность или энергия, а "
                           "заголовок столбца - \"Q\", \"Wq\", \"кВАр\", \"квар*ч\" или \"реактивная\"; ячейка V1: "
                           "заголовок \"Гр. Q обр.\" - не заголовок столбца 22 (реактивное значение): \"Гр\" - номер, а "
                           "заголовок столбца - \"Q\", \"Wq\", \"кВАр\", \"квар*ч\" или \"реактивная\"") << file;
        EXPECT_EQ(CellText(tables[0], "P", 1), "7") << file;
        continue;
      }
      EXPECT_EQ(refusal, "") << file << " " << heading[1];
      EXPECT_EQ((std::vector<std::string>{CellText(tables[0], "P", 1), CellText(tables[0], "Q", 1), CellText(tables[0], "T", 1)}),
                (std::vector<std::string>{"2", "0.5", "4"})) << file << " " << heading[1];
      EXPECT_EQ(messages, std::vector<std::string>{}) << file;
    }
  }

  // A text is judged for its length only where it is stored, and a measurement stores none: a name longer
  // than the widest text field of the measured tables (80 characters) matches none and is named, a title
  // of any length above the data is passed by, a long text where a value stands is named as no number.
  // Only a text past the bound of every field, which each read would copy whole, refuses the workbook by
  // the cell read, a number's cell too.
  const std::string longest = "Ф-" + std::string(78, '1');
  s.SetText(3, 3, longest);
  WriteXlsx(dir / "новый.xlsx", book);
  TSheetReader reader;
  reader.Open(dir / "новый.xlsx");
  Feeders({{"ПС-1.1", "Ф-1"}});
  EXPECT_NO_THROW(ImportFeederMeasurements(inputs, feeders, SheetCells(reader), messages));
  const auto refusal = [&](int row, int col, const std::string& text) {
    s.SetText(row, col, text);
    WriteXlsx(dir / "новый.xlsx", book);
    reader.Open(dir / "новый.xlsx");
    messages.clear();
    try {
      const TImportTaken taken = ImportFeederMeasurements(inputs, feeders, SheetCells(reader), messages);
      std::string said = "imported " + std::to_string(taken.Items);
      for (const std::string& m : messages) said += " | " + m;
      return said;
    } catch (const Error& e) {
      return std::string(e.what());
    }
  };
  const std::string tail = " не поместится ни в одно поле таблиц: в поле не больше 80 символов";
  const std::string notFound = " | Фидер ПС-1.1 - Ф-1 не найден";
  EXPECT_EQ(refusal(3, 3, longest + "1").rfind("imported 1 | ", 0), 0u);
  EXPECT_NE(refusal(3, 3, longest + "1").find(notFound), std::string::npos);
  const std::string past(kMostCellBytes + 1, '1');
  EXPECT_EQ(refusal(3, 3, past), "Ошибка чтения файла \"" + (dir / "новый.xlsx") + "\": лист \"Замеры\", ячейка C3: текст \"" +
                                     std::string(40, '1') + "...\"" + tail);
  const std::string clean = refusal(3, 3, "Ф-1");
  EXPECT_EQ(refusal(1, 3, "Замеры нагрузок вводов и фидеров 10(6) кВ подстанций района за зимний контрольный день "
                          "декабря 2026 года"), clean);
  EXPECT_NE(refusal(2, 8, std::string(81, '2')).find(" | Ошибка чтения. Строка 2, столбец 8 (число 2.22222222222222E80 "),
            std::string::npos);
  EXPECT_EQ(refusal(2, 8, past), "Ошибка чтения файла \"" + (dir / "новый.xlsx") + "\": лист \"Замеры\", ячейка H2: текст \"" +
                                     std::string(40, '1') + "...\"" + tail);
}

}  // namespace
}  // namespace ld::test
