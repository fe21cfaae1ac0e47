// Sheets of a printed diagram: the grid, the chosen sheets, turned margins and the fitted font.
#include <gtest/gtest.h>

#include <vector>

#include "core/diagram/page_grid.h"

namespace ld::diagram {
namespace {

// An A4 sheet at 600 dpi: 4960 × 7016 pixels.
const TSheetSize kA4{4960, 7016, 600, 600};
const TSheetMargins kDefault{1, 2, 1, 1};

std::vector<int> Members(const TPageSet& set) {
  std::vector<int> out;
  for (int n = 0; n < 256; ++n)
    if (set[static_cast<std::size_t>(n)]) out.push_back(n);
  return out;
}

TEST(PageGrid, SheetsAcrossAndDownFollowThePrintableRoom) {
  // 3 cm of margins across at 600 dpi are 708.66 pixels, rounded once: 709.
  const int w = PrintableWidth(kA4, kDefault);
  EXPECT_EQ(w, 4960 - 709);
  // Each margin rounds on its own: 472.44 and 236.22.
  const TMarginPixels px = MarginPixels(kA4, kDefault);
  EXPECT_EQ((std::vector<int>{px.Left, px.Right, px.Top}), (std::vector<int>{472, 236, 236}));

  // Margins that cover the sheet leave the counts as they were.
  int across = 0, down = 0;
  auto count = [&](const TSheetMargins& m, int width, int height) {
    UpdatePageCount(kA4, m, width, height, across, down);
    return std::vector<int>{across, down};
  };
  EXPECT_EQ(count(kDefault, 2 * w, 100), (std::vector<int>{2, 1}));
  EXPECT_EQ(PageCountText(across, down), "2 листов по горизонтали, 1 по вертикали");
  EXPECT_EQ(count(kDefault, 2 * w + 1, 100), (std::vector<int>{3, 1}));
  across = 4, down = 5;
  EXPECT_EQ(count({15, 10, 15, 11}, 99999, 99999), (std::vector<int>{4, 5}));
  EXPECT_TRUE(SheetHasRoom(kA4, kDefault));
  EXPECT_FALSE(SheetHasRoom(kA4, {14.85067f, 0, 14.85067f, 0})) << "the margins' sum covers the height exactly";
}

TEST(PageGrid, PageListsSelectSheetsOrNameTheBadList) {
  TPageSet set;
  EXPECT_TRUE(ParsePageList("1,3,5-10", set));
  EXPECT_EQ(Members(set), (std::vector<int>{1, 3, 5, 6, 7, 8, 9, 10}));
  for (const char* bad : {"1,,2", "", "-2", "1.5"}) {
    set.reset();
    EXPECT_FALSE(ParsePageList(bad, set)) << bad;
  }

  TPageSet across, down;
  EXPECT_EQ(ParsePageLists("1,,2", "1", across, down), "Неверно заданы номера страниц по горизонтали");
  across.reset(), down.reset();
  EXPECT_EQ(ParsePageLists("2-3", "1", across, down), "");
  EXPECT_EQ((std::vector<bool>{SheetChosen(true, across, down, 1, 1), SheetChosen(true, across, down, 1, 3),
                               SheetChosen(true, across, down, 2, 3), SheetChosen(false, across, down, 2, 9)}),
            (std::vector<bool>{false, true, false, true}));
}

// Sheets are numbered 0 to 255: a list reaching beyond selects only those, however far it reaches, and a
// range written backwards selects none.
TEST(PageGrid, PageListsStayWithinTheSheetNumbers) {
  TPageSet set;
  EXPECT_TRUE(ParsePageList(" 5 - 3 ", set));
  EXPECT_TRUE(set.none());
  EXPECT_TRUE(ParsePageList("256, 9999999999999, 300-400", set));
  EXPECT_TRUE(set.none());
  EXPECT_TRUE(ParsePageList("0", set));
  EXPECT_EQ(Members(set), std::vector<int>{0});
  set.reset();
  EXPECT_TRUE(ParsePageList("250-99999999999999999", set));
  EXPECT_EQ(Members(set), (std::vector<int>{250, 251, 252, 253, 254, 255}));
  for (const char* bad : {"1,", "a", "1-", "3-x", "+2"}) {
    set.reset();
    EXPECT_FALSE(ParsePageList(bad, set)) << bad;
  }
  // A sliver of paper between the margins can make a grid of more sheets than the lists can name: those
  // beyond are never chosen.
  set.set();
  EXPECT_EQ((std::vector<bool>{SheetChosen(true, set, set, 255, 255), SheetChosen(true, set, set, 256, 1),
                               SheetChosen(true, set, set, 1, 256), SheetChosen(false, set, set, 300, 300)}),
            (std::vector<bool>{true, false, false, true}));
}

TEST(PageGrid, MarginsTurnWithThePaperAndStayNonNegative) {
  const TSheetMargins m{1, 2, 3, 4};
  auto order = [](const TSheetMargins& s) { return std::vector<float>{s.Top, s.Left, s.Bottom, s.Right}; };
  const TSheetMargins land = TurnMargins(m, true);
  EXPECT_EQ(order(land), (std::vector<float>{2, 3, 4, 1}));

  float margin = 1.5f;
  EXPECT_EQ(EditToMargin("2,5", margin), std::nullopt);
  EXPECT_EQ(margin, 2.5f);
  EXPECT_EQ(EditToMargin("-1", margin), "0.0");
  EXPECT_EQ(StepMargin(margin, -0.1f), "0.0");
  EXPECT_EQ(margin, 0.0f);
}

TEST(PageGrid, FittedFontGrowsASmallDiagramAndGivesUpOnAHugeOne) {
  // The model's extent is proportional to the font height: 100 × 50 pixels per pixel of height.
  auto fitsIn = [](int room) { return [room](int h) { return -h * 100 <= room && -h * 50 <= room; }; };
  // Measured at -13: 1300 × 650; the room 4000 × 4000 scales by 3.08 to -40; a layout that does not
  // grow in proportion takes a few steps, one pixel each.
  EXPECT_EQ(FitFontHeight(-13, 1300, 650, 4000, 4000, fitsIn(4000)), -40);
  EXPECT_EQ(FitFontHeight(-13, 1300, 650, 4000, 4000, fitsIn(3800)), -38);
  EXPECT_EQ(FitFontHeight(-13, 1300, 650, 4000, 4000, [](int) { return false; }), 0);
}

}  // namespace
}  // namespace ld::diagram
