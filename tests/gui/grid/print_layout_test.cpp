// Pages of a marked-up report: where rows, cells, indents and page numbers land.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
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

// A table wider than the page goes on in bands of its columns, each band on pages of its own and led by
// the row number column, with the header row again; no column is left out or printed twice, and nothing
// reaches over the right margin. A table that fits, indented or not, stays one band.
TEST(PrintLayout, WideTableGoesOnInBandsOfColumnsLedByTheRowNumber) {
  struct Case {
    int columns, rows, shiftCm;
    std::size_t pages;
  };
  // 1 cm right margin: the right edge at Round(100 x (8.27 - 1 / 2.54)) = 788 px. A column "Колонка
  // kk" is 108 px wide, the row number column 28: 1 + 27 + 6 x 107 = 670 fits from 50, a seventh does
  // not (777 + 50 > 788); with a 2 cm indent (79 px) five fit.
  for (const Case c : {Case{20, 3, 0, 4}, Case{20, 60, 0, 8}, Case{20, 3, 2, 4}, Case{6, 3, 0, 1}}) {
    std::vector<std::string> doc{"Ведомость", "Shift " + std::to_string(c.shiftCm)};
    std::string header = "StartTable№&";
    for (int k = 1; k <= c.columns; ++k) header += "0~Колонка " + std::to_string(10 + k) + "&";
    doc.push_back(header);
    for (int r = 1; r <= c.rows; ++r) {
      std::string row = "Table" + std::to_string(r) + "&";
      for (int k = 1; k <= c.columns; ++k) row += "0~" + std::to_string(r * 100 + 10 + k) + "&";
      doc.push_back(row);
    }
    doc.push_back("Итог");
    PrintPaginator pages(doc, TestPage(), Width);
    std::map<std::string, int> captions, cells;
    std::vector<PrintPage> printed;
    while (!pages.AtEnd() && printed.size() < 20) printed.push_back(pages.NextPage());
    const std::string what = std::to_string(c.columns) + " x " + std::to_string(c.rows) + " at " +
                             std::to_string(c.shiftCm) + " cm";
    ASSERT_EQ(printed.size(), c.pages) << what;
    EXPECT_EQ(printed.back().linesDone, pages.LineCount()) << what;
    for (const PrintPage& page : printed) {
      int first = -1;
      for (const auto& op : page.ops) {
        EXPECT_LE(std::max(op.x1, op.x2), 788) << what << " page " << page.number << " " << op.text;
        if (op.kind != PrintOp::Text) continue;
        if (op.text.rfind("Колонка", 0) == 0) ++captions[op.text];
        if (op.text.size() >= 3 && op.text.find_first_not_of("0123456789") == std::string::npos) ++cells[op.text];
        // every line of a band begins with its row number or the header's "№"
        if (first < 0 && op.text != "Ведомость" && op.text != "Итог") {
          first = 1;
          const int key = c.rows >= 10 ? 28 : 18;  // the row number column's width
          const int x0 = 50 + 79 * c.shiftCm / 2;
          EXPECT_TRUE(op.text == "№" || (op.text.size() <= 2 && std::isdigit(static_cast<unsigned char>(op.text[0]))))
              << what << " page " << page.number << " " << op.text;
          EXPECT_EQ(op.x1, op.text == "№" ? x0 + key / 2 - 5 : x0 + 4) << what << " page " << page.number;
        }
      }
    }
    EXPECT_EQ(captions.size(), static_cast<std::size_t>(c.columns)) << what;
    EXPECT_EQ(cells.size(), static_cast<std::size_t>(c.columns * c.rows)) << what;
    for (const auto& [text, count] : captions) EXPECT_EQ(count, 1) << what << " " << text;
    for (const auto& [text, count] : cells) EXPECT_EQ(count, 1) << what << " " << text;
  }
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
