// A legacy workbook built record by record: texts, numbers and dates come back with their kinds.
#include <gtest/gtest.h>

#include <string>

#include "core/base/error.h"
#include "core/office/workbook.h"
#include "core/office/xls_file.h"
#include "support/test_env.h"
#include "support/xls_builder.h"

namespace ld::test {
namespace {

TEST(Xls, ReadsTextsNumbersAndDatesOfALegacyWorkbook) {
  TempDir dir;
  const std::string path = dir / "old.xls";
  const std::string bytes = BuildXls({{XlsCell::Text, 1, 1, 0, "Фидер"},
                                      {XlsCell::Text, 1, 2, 0, "Дата"},
                                      {XlsCell::Number, 2, 1, 12.75, ""},
                                      {XlsCell::Date, 2, 2, DateSerial(2024, 2, 29), ""},
                                      {XlsCell::Text, 3, 3, 0, "Фидер"}});
  WriteBytes(path, bytes);
  const Workbook book = ReadWorkbook(path);
  ASSERT_EQ(book.sheets.size(), 1u);
  const Worksheet& s = book.sheets[0];
  EXPECT_EQ(s.Name(), "Лист1");
  EXPECT_EQ(s.CellText(1, 1), "Фидер");
  EXPECT_EQ(s.CellText(1, 2), "Дата");
  EXPECT_EQ(s.Cell(2, 1).kind, CellKind::Number);
  EXPECT_EQ(s.Cell(2, 1).number, 12.75);
  EXPECT_EQ(s.Cell(2, 2).kind, CellKind::Date);
  EXPECT_EQ(s.CellText(2, 2), "29.02.2024");
  EXPECT_EQ(s.CellText(3, 3), "Фидер");
  EXPECT_TRUE(s.IsEmpty(3, 1));

  WriteBytes(path, bytes.substr(0, 700));
  EXPECT_THROW(ReadWorkbook(path), Error);
}

}  // namespace
}  // namespace ld::test
