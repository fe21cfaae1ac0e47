// Pages of a marked-up report: where rows, cells, indents and page numbers land.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "gui/grid/print_markup_layout.h"

namespace ld {
namespace {

// 100 pixels per inch and 10 pixels per character keep the expected numbers readable.
PrintPageSetup TestPage() {
  PrintPageSetup setup;
  setup.px = setup.py = 100;
  setup.topCm = 2.54;      // 100 px
  setup.leftCm = 1.27;     // 50 px
  setup.bottomCm = 2.54;   // bottom edge at 1169 - 100 = 1069 px
  setup.fontHeight = 20;   // extra 4, line step 23
  return setup;
}

int Width(const std::string& text, unsigned) { return 10 * static_cast<int>(Utf8Length(text)); }

std::vector<const PrintOp*> Texts(const PrintPage& page) {
  std::vector<const PrintOp*> texts;
  for (const auto& op : page.ops)
    if (op.kind == PrintOp::Text) texts.push_back(&op);
  return texts;
}

TEST(PrintLayout, LongTableGoesOnWithoutRepeatingItsHeader) {
  std::vector<std::string> doc{"Заголовок", "StartTable№&0~Имя&96~Значение&"};
  for (int r = 1; r <= 60; ++r) doc.push_back("Table" + std::to_string(r) + "&0~строка " + std::to_string(r) + "&0~1&");
  PrintPaginator pages(doc, TestPage(), Width);
  ASSERT_TRUE(pages.HasRoom());

  // Lines go at y = 100 + 23k while y + 23 < 1069: 42 lines on a page.
  const PrintPage first = pages.NextPage();
  EXPECT_EQ(first.linesDone, 42u);
  EXPECT_FALSE(pages.AtEnd());
  const auto firstTexts = Texts(first);
  EXPECT_EQ(firstTexts.front()->text, "Заголовок");
  EXPECT_EQ(firstTexts.front()->y1, 100 + 2);
  // Header cells are centred; the widest "Значение" (8 chars) + 2 x 4 px padding = 88 px.
  EXPECT_EQ(firstTexts[1]->text, "№");
  EXPECT_EQ(firstTexts[3]->text, "Значение");
  const int valueCellX = firstTexts[3]->x1 - (88 / 2 - 80 / 2);
  EXPECT_EQ(valueCellX, 50 + (2 * 10 + 8 - 1) + (9 * 10 + 8 - 1));  // "№" column 28 wide, "строка 60" 98
  // The header is drawn with 3-pixel rules, the rows with 1-pixel ones.
  int thick = 0;
  for (const auto& op : first.ops) thick += op.kind == PrintOp::Rule && op.width == 3;
  EXPECT_EQ(thick, 2);

  const PrintPage second = pages.NextPage();
  EXPECT_TRUE(pages.AtEnd());
  EXPECT_EQ(second.number, 2);
  EXPECT_EQ(second.linesDone, doc.size());
  const auto secondTexts = Texts(second);
  // Row 40 was the last one on the first page; the second page starts at the top with row 41.
  EXPECT_EQ(secondTexts.front()->text, "41");
  EXPECT_EQ(secondTexts.front()->y1, 100 + 2);
  for (const auto* op : secondTexts) EXPECT_NE(op->text, "Значение");
  // Left-aligned row cells start one padding right of their left edge.
  EXPECT_EQ(secondTexts.front()->x1, 50 + 4);
  // The page number sits half a page across, above the top margin.
  EXPECT_EQ(second.numberX, 414);  // Round(100 x 8.27 / 2)
  EXPECT_EQ(second.numberY, 100 - 20 - 8);
}

TEST(PrintLayout, MarginsWithoutRoomForALineAreRefused) {
  PrintPageSetup setup = TestPage();
  setup.topCm = 14.8;
  setup.bottomCm = 14.8;  // 583 px from either edge of a 1169 px page leaves 3 px
  EXPECT_FALSE(PrintPaginator({"a"}, setup, Width).HasRoom());
  setup.bottomCm = 14.0;
  EXPECT_TRUE(PrintPaginator({"a"}, setup, Width).HasRoom());
  // Landscape pages are 827 px high.
  setup.landscape = true;
  setup.topCm = setup.bottomCm = 10.5;
  EXPECT_FALSE(PrintPaginator({"a"}, setup, Width).HasRoom());
}

}  // namespace
}  // namespace ld
