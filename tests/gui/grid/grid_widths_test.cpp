// Column widths at the grid's own font: the layouts' pixel widths were measured with another font, so
// a column is widened to its caption and to the widest value on the screen.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QApplication>
#include <QTest>

#include "core/base/codepage.h"
#include "core/base/strings.h"
#include "gui/grid/data_grid.h"
#include "grid_fixture.h"
#include "support/test_env.h"

namespace {

using ld::gui::TDataGrid5;

std::vector<std::string> ShippedLayouts() {
  std::vector<std::string> names;
  const std::string text = ld::Cp1251ToUtf8(ld::test::ReadBytes(ld::test::DataDir() / "maket.zr"));
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(from, end - from);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("Name=", 0) == 0) names.push_back(line.substr(5));
    from = end + 1;
  }
  return names;
}

// Each caption whose text the grid's font draws wider than its column leaves (2 pixels each side).
std::vector<std::string> CutCaptions(const TDataGrid5& grid) {
  const QFontMetrics metrics(grid.font());
  std::vector<std::string> cut;
  for (int g = 1; g < grid.ColCount(); ++g) {
    const std::string& title = grid.table().ColTitle[static_cast<std::size_t>(grid.TableColumn(g))];
    if (metrics.horizontalAdvance(QString::fromStdString(title)) + 4 > grid.ColWidths()[static_cast<std::size_t>(g)])
      cut.push_back(grid.table().Name + ": " + title);
  }
  return cut;
}

TEST(GridWidths, EveryShippedCaptionFitsItsColumnAtTheGridsFont) {
  const std::string saved = ld::MaketFileName;
  ld::MaketFileName = (ld::test::DataDir() / "maket.zr").string();
  const std::vector<std::string> layouts = ShippedLayouts();
  ASSERT_GT(layouts.size(), 40u);
  for (const int width : {300, 3000}) {  // narrower than the layouts and wider than most
    TDataGrid5 grid;
    grid.resize(width, 200);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    int checked = 0;
    for (const std::string& layout : layouts) {
      grid.SetMaket(layout);
      grid.update();
  QApplication::processEvents();
      EXPECT_EQ(CutCaptions(grid), std::vector<std::string>{}) << width;
      checked += grid.ColCount() - 1;
    }
    EXPECT_GT(checked, 500);
  }
  ld::MaketFileName = saved;
}

class GridWidthsOfValues : public ld::test::GridFixture {};

TEST_F(GridWidthsOfValues, AWideValueOnTheScreenWidensItsColumnAndADraggedBorderStays) {
  const std::string path = MakeFile("w.tst", {{"1", "Фидер", "1", "2"}});
  TDataGrid5 grid;
  grid.resize(200, 120);  // narrower than the layout: the natural widths show
  grid.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
  grid.OpenFile(path, 1, 1, 1, true, false, false);
  grid.update();
  QApplication::processEvents();
  const auto width = [&](int g) { return grid.ColWidths()[static_cast<std::size_t>(g)]; };
  EXPECT_EQ(width(3), 80);  // the layout's width holds when the text is narrower
  const QFontMetrics metrics(grid.font());
  const double value = 12345678901.25;
  grid.SetFieldText("P", 1, &value);
  grid.update();
  QApplication::processEvents();
  EXPECT_GE(width(3), metrics.horizontalAdvance(QString::fromStdString(ld::GetCellText(grid.table(), 1, 3, false))) + 4);
  EXPECT_GT(width(3), 80);
  // a value far below the screen widens nothing until it is scrolled into view
  const float far = 1.234567e30f;
  grid.SetFieldText("Q", 40, &far);
  grid.update();
  QApplication::processEvents();
  const int before = width(4);
  grid.GotoRow(40);
  grid.update();
  QApplication::processEvents();
  EXPECT_GT(width(4), before);
  // what the person drags stays, narrower than the caption too, while the table is shown
  grid.SetColWidth(2, 10);
  grid.update();
  QApplication::processEvents();
  EXPECT_EQ(width(2), 10);
  EXPECT_EQ(grid.table().PixWidth[2], 10);
}

// A printed table is the table, not the screen: the cursor, the block and the edit mode colour
// nothing on paper; only the rows' own marks do.
TEST_F(GridWidthsOfValues, PrintedRowsDoNotFollowTheCursorOrTheBlock) {
  const std::string path = MakeFile("p.tst", {{"1", "А", "1", "2"}, {"2", "Б", "3", "4"}, {"3", "В", "5", "6"}});
  TDataGrid5 grid;
  grid.resize(400, 150);
  grid.show();
  grid.OpenFile(path, 1, 1, 1, true, false, false);
  std::vector<std::string> still;
  grid.GetPrintLines(still);
  QTest::keyClick(&grid, Qt::Key_Down);
  QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);  // a block over two rows
  std::vector<std::string> moved;
  grid.GetPrintLines(moved);
  QTest::keyClick(&grid, Qt::Key_F4);
  std::vector<std::string> editing;
  grid.GetPrintLines(editing);
  EXPECT_EQ(moved, still);
  EXPECT_EQ(editing, still);
  ASSERT_EQ(still.size(), 4u);
  EXPECT_EQ(still[2], "Table2&0~2&0~Б&0~3.00&0~4.0&0~ &");
}

}  // namespace
