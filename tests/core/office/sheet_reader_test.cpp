// The district commands' sheet reader: the same cells read the same from a new and a legacy workbook,
// several workbooks one after another, and a workbook that cannot be read refused with its name.
#include "core/office/sheet_reader.h"

#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <string>

#include "core/base/classic_numbers.h"
#include "core/base/error.h"
#include "support/test_env.h"
#include "support/xls_builder.h"

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
  EXPECT_EQ(sheet.Cell(2, 1), "0.25");
  EXPECT_EQ(sheet.Cell(2, 2), "250");
  EXPECT_EQ(sheet.Cell(2, 3), "-1");
  EXPECT_EQ(sheet.Cell(2, 4), "");
  EXPECT_EQ(sheet.Cell(2, 5), "ТП-7 Лесная");
  EXPECT_EQ(sheet.Cell(500, 60), "") << "beyond the used range";
  EXPECT_EQ(sheet.Cell(0, 1), "") << "rows count from 1";
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
  EXPECT_EQ(sheet.Cell(1, 1), "");
  sheet.Open(xlsx);
  ASSERT_TRUE(sheet.IsOpen());
  EXPECT_EQ(sheet.FileName(), xlsx);
  EXPECT_EQ(sheet.SheetName(), "Фидер");
  EXPECT_EQ(sheet.Cell(1, 1), "10");
  ExpectRowTwo(sheet);
  sheet.Close();
  EXPECT_FALSE(sheet.IsOpen());
  EXPECT_EQ(sheet.Cell(2, 2), "") << "a closed workbook shows nothing";

  sheet.Open(xls);
  EXPECT_EQ(sheet.Cell(1, 1), "6");
  ExpectRowTwo(sheet);
  // opening the next one replaces the one open
  sheet.Open(xlsx);
  EXPECT_EQ(sheet.Cell(1, 1), "10");
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
  EXPECT_EQ(sheet.Cell(1, 1), "");

  const std::string text = dir / "текст.xls";
  WriteBytes(text, "Фидер;10\n");
  EXPECT_THROW(sheet.Open(text), Error);
}

}  // namespace
}  // namespace ld::test
