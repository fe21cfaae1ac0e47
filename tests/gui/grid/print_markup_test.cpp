// The report markup read line by line, the row selection and the text-file form.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/tables/layout.h"
#include "gui/grid/print_markup.h"
#include "gui/grid/print_markup_table.h"
#include "support/test_env.h"

namespace ld {
namespace {

TEST(PrintMarkup, LinesAreReadByTheirTags) {
  EXPECT_EQ(std::pair(ParsePrintLine("Shift 2").kind, ParsePrintLine("Shift 2").shiftCm), std::pair(PrintLineKind::Shift, 2));
  EXPECT_EQ(ParsePrintLine("Shift3").shiftCm, 3);
  // Without a number the word is ordinary text.
  EXPECT_EQ(ParsePrintLine("Shifted values").kind, PrintLineKind::Text);

  const PrintLine header = ParsePrintLine("StartTable№&0~Узел&96~Напряжение, кВ&");
  ASSERT_EQ(header.kind, PrintLineKind::TableHeader);
  ASSERT_EQ(header.cells.size(), 3u);
  EXPECT_EQ(std::tuple(header.cells[0].text, header.cells[1].text, header.cells[2].text, header.cells[2].mark),
            std::tuple("№", "Узел", "Напряжение, кВ", 96));

  // The first cell is plain text even when it holds a "~"; a later cell without a mark keeps its text.
  const PrintLine row = ParsePrintLine("Table5~x&abc&300~y& &");
  ASSERT_EQ(row.kind, PrintLineKind::TableRow);
  ASSERT_EQ(row.cells.size(), 4u);
  EXPECT_EQ(std::tuple(row.cells[0].text, row.cells[0].mark, row.cells[1].text, row.cells[1].mark, row.cells[2].mark,
                       row.cells[3].text),
            std::tuple("5~x", 0, "abc", 0, 300 & 0xFF, " "));

  const PrintLine styled = ParsePrintLine("BoldItalLineИтого");
  EXPECT_EQ(std::tuple(styled.kind, styled.styles, styled.text),
            std::tuple(PrintLineKind::Text, unsigned(psBold | psItalic | psUnderline), "Итого"));
  // Prefixes count only in their order.
  const PrintLine italBold = ParsePrintLine("ItalBold");
  EXPECT_EQ(std::pair(italBold.styles, italBold.text), std::pair(unsigned(psItalic), std::string("Bold")));

  EXPECT_EQ(std::tuple(MarkTextColor(0x60), MarkBackColor(0x60), MarkBackColor(0)), std::tuple(0, 9, 15));
}

TEST(PrintMarkup, RowSelectionKeepsTheHeaderAndTheGivenOrder) {
  const std::vector<std::string> doc{"StartTable№&0~A&", "Table1&0~a&", "Table2&0~b&", "Table3&0~c&"};
  auto selected = doc;
  ASSERT_TRUE(SelectPrintRows("3,1", selected));
  EXPECT_EQ(selected, (std::vector<std::string>{doc[0], doc[3], doc[1]}));

  selected = doc;
  ASSERT_TRUE(SelectPrintRows(" 2 - 3 , 0, 3-2, 1", selected));
  EXPECT_EQ(selected, (std::vector<std::string>{doc[0], doc[2], doc[3], doc[1]}));

  for (const char* bad : {"4", "1-4", "a", "1,,2", "2-", "-2", "1;2"}) {
    selected = doc;
    EXPECT_FALSE(SelectPrintRows(bad, selected)) << bad;
    EXPECT_EQ(selected, doc) << bad;
  }
}

TEST(PrintMarkup, TextFileHasTabbedCellsWithoutMarks) {
  std::string text;
  ASSERT_TRUE(PrintLineToText("Table7&0~abc&96~12&", text));
  EXPECT_EQ(text, "7\tabc\t12");
  ASSERT_TRUE(PrintLineToText("Table1&0~&", text));
  EXPECT_EQ(text, "1\t");
  ASSERT_TRUE(PrintLineToText("BoldИтого", text));
  EXPECT_EQ(text, "Итого");
  EXPECT_FALSE(PrintLineToText("Shift 2", text));
}

TEST(PrintMarkup, TableLinesCarryTitlesMarksAndBlanksForEmptyCells) {
  const std::string savedMaket = MaketFileName;
  MaketFileName = (test::DataDir() / "maket.zr").string();
  TDataFile table;
  ReadMaket(LayoutUsers, table);
  MaketFileName = savedMaket;
  CreateColumns(table, 2);
  table.Visible[2] = 0;  // passwords stay off the paper
  table.Colors[3] = 0x1C;
  for (auto [row, col, text] : {std::tuple{1, 1, "Иванов"}, {1, 4, "1"}, {2, 1, "Петров"}, {2, 3, "мастер"}}) {
    std::string value = text;
    SetCellText(table, row, col, value);
  }
  (*table.MarkRec)[2] = 0x60;
  std::vector<std::string> lines{"Отчет"};
  AppendTablePrintLines(table, lines);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Отчет",
                       "StartTable№&0~Пользователь&28~Должность, подразделение&0~Права&",
                       "Table1&0~Иванов&28~ &0~1&",
                       "Table2&96~Петров&96~мастер&96~ &",
                   }));
}

}  // namespace
}  // namespace ld
