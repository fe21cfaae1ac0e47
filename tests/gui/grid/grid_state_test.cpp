// The window over the table: scrolling formulas, the block on screen and the column widths, driven
// without a widget.
#include <gtest/gtest.h>

#include <numeric>

#include "core/base/dynarray.h"
#include "grid_fixture.h"
#include "gui/grid/grid_state.h"

namespace {

using ld::gui::TGridState;
using ld::gui::TScrollCode;

class GridState : public ld::test::GridFixture {
protected:
  // A table of the layout "Третья" whose Nr holds the row number.
  void ShowNumbers(TGridState& grid, int rows) {
    ld::TDataFile table;
    ld::ReadMaket("Третья", table);
    ld::CreateColumns(table, rows);
    auto* nr = static_cast<ld::DALongint*>(table.Columns[1].get());
    for (int r = 1; r <= rows; ++r) (*nr)[r] = r;
    grid.SetClientSize(300, 180);  // ten grid rows: the titles and nine table rows
    grid.AssignTable(table, 1, 1, 1);
    ld::FreeTable(table);
  }
};

TEST_F(GridState, MillionRowsScrollByFormulaNotByRowCount) {
  TGridState grid;
  ShowNumbers(grid, 1000000);
  ASSERT_EQ(grid.GridRowCount(), 10);
  EXPECT_EQ(grid.Scroll().Max, 1000000);
  EXPECT_EQ(grid.Scroll().LargeChange, 8);
  EXPECT_EQ(grid.ColWidths()[0], 7 * 7 + 6);  // wide enough for "1000000"

  grid.Last();
  EXPECT_EQ(grid.FirstRow(), 1000000 - 10 + 2);
  EXPECT_EQ(grid.CellText(1, 9), "1000000");
  EXPECT_EQ(grid.CellText(0, 9), "1000000");
  grid.PageUp();
  EXPECT_EQ(grid.FirstRow(), 999992 - 8);
  grid.First();
  EXPECT_EQ(grid.FirstRow(), 1);
  grid.PageDown();
  EXPECT_EQ(grid.FirstRow(), 9);
  grid.WheelScroll(-120);  // one notch down: three rows
  EXPECT_EQ(grid.FirstRow(), 12);
  grid.WheelScroll(240);
  EXPECT_EQ(grid.FirstRow(), 6);
  grid.GotoRow(500000);
  EXPECT_EQ(std::tuple(grid.FirstRow(), grid.CurrentTableRow(), grid.Scroll().Position),
            std::tuple(500000, 500000, 500000));
  grid.GotoRow(500004);  // inside the window: only the cursor moves
  EXPECT_EQ(grid.FirstRow(), 500000);
  EXPECT_EQ(grid.Row(), 5);
  grid.ScrollBarScroll(750000, TScrollCode::Track);
  EXPECT_EQ(grid.FirstRow(), 750000 - 4);
  EXPECT_EQ(grid.CurrentTableRow(), 750000);
  EXPECT_EQ(grid.CellText(1, 5), "750000");
  // Rows run on to the capacity of the narrowest column, a 4-byte number: $7FFFFFF div 4.
  EXPECT_EQ(grid.MaxRows(), 0x7FFFFFF / 4);
}

TEST_F(GridState, PagingStopsAtTheTableEndAndLinesRunOnToMaxRows) {
  TGridState grid;
  std::vector<int> moves;
  grid.OnMoveProc = [&](ld::PDataFile, int, int row) { moves.push_back(row); };
  ShowNumbers(grid, 20);
  grid.PageDown();
  EXPECT_EQ(grid.FirstRow(), 9);
  grid.PageDown();  // 9 + 16 passes the end: the last page
  EXPECT_EQ(grid.FirstRow(), 12);
  moves.clear();
  grid.PageDown();
  EXPECT_EQ(grid.FirstRow(), 12);
  EXPECT_TRUE(moves.empty());
  // page moves notify only with the cursor on the edge row they move away from
  grid.PageUp();
  EXPECT_EQ(grid.FirstRow(), 4);
  EXPECT_EQ(moves, std::vector<int>{4});

  // the cursor goes down to the window's edge, then the window follows past the end of the table
  grid.First();
  for (int i = 0; i < 8; ++i) grid.LineDown();
  EXPECT_EQ(grid.Row(), 9);
  EXPECT_EQ(grid.FirstRow(), 1);
  for (int i = 0; i < 15; ++i) grid.LineDown();
  EXPECT_EQ(grid.FirstRow(), 16);
  EXPECT_EQ(grid.CurrentTableRow(), 24);
  EXPECT_EQ(grid.CellText(1, 9), "");  // below the table
  grid.LineUp();
  EXPECT_EQ(grid.Row(), 8);
  grid.ScrollBy(-100);
  EXPECT_EQ(grid.FirstRow(), 1);
  grid.ScrollBy(grid.MaxRows() * 2);  // the wheel stops with the cursor row on the last possible row
  EXPECT_EQ(grid.CurrentTableRow(), grid.MaxRows());
  // near the top the scroll bar only moves the cursor
  grid.ScrollBarScroll(3, TScrollCode::Position);
  EXPECT_EQ(grid.FirstRow(), 1);
  EXPECT_EQ(grid.Row(), 3);

  // Across, the cursor column is brought in from the right: one that ends exactly at the right edge is
  // in view and moves nothing, one a pixel wider than the view moves the first shown column on.
  TGridState wide;
  ld::TDataFile table;
  FillTable(table, {{"1", "Один", "1", "1", ""}});
  wide.AssignTable(table, 1, 1, 1);
  ld::FreeTable(table);
  const std::vector<int> widths = wide.ColWidths();
  ASSERT_GE(widths.size(), 5u);
  const int thirdEnds = std::accumulate(widths.begin(), widths.begin() + 4, 0) + 4;  // with the grid lines
  wide.SetClientSize(thirdEnds, 180);
  wide.MoveColumn(2);
  EXPECT_EQ(std::pair(wide.Col(), wide.LeftCol()), std::pair(3, 1));
  wide.MoveColumn(-2);
  wide.SetClientSize(thirdEnds - 1, 180);
  wide.MoveColumn(2);
  EXPECT_EQ(std::pair(wide.Col(), wide.LeftCol()), std::pair(3, 2));
}

}  // namespace
