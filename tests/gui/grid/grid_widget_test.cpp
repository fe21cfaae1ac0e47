// The widget around the window: status labels, the host's scroll bar, the wheel, host events and the
// print text.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <tuple>

#include "grid_fixture.h"
#include "gui/grid/data_grid.h"

namespace {

using ld::gui::TDataGrid5;

class GridWidget : public ld::test::GridFixture {
protected:
  GridWidget() {
    std::vector<std::vector<std::string>> rows;
    for (int r = 1; r <= 100; ++r) rows.push_back({std::to_string(r), "Узел " + std::to_string(r), "", ""});
    rows[1][2] = "1500";
    path_ = MakeFile("t.TST", rows);
    host_.resize(600, 300);
    grid_ = new TDataGrid5(&host_);  // owned by the host window
    grid_->setGeometry(0, 0, 584, 280);
    panel_ = new QWidget(&host_);
    panel_->setGeometry(0, 280, 600, 20);
    bar_ = new QScrollBar(&host_);
    bar_->setGeometry(584, 0, 16, 280);
    grid_->SetStatusPanel(panel_);
    grid_->SetScrollBar(bar_);
    host_.show();
    grid_->OpenFile(path_, 1, 1, 1, true, true, true);
  }

  QLabel* Label(int key) const { return panel_->findChild<QLabel*>(QStringLiteral("StatusF%1").arg(key)); }

  std::string path_;
  QWidget host_;
  TDataGrid5* grid_;
  QWidget* panel_;
  QScrollBar* bar_;
};

TEST_F(GridWidget, StatusLabelsFollowTheModesAndRunTheirCommands) {
  ASSERT_NE(Label(2), nullptr);
  EXPECT_EQ(Label(2)->text(), "F2 сохранить");
  EXPECT_EQ(Label(8)->text(), "F8 удал строки");
  EXPECT_EQ(Label(2)->x(), 5);
  EXPECT_EQ(Label(3)->x(), Label(2)->x() + Label(2)->width() + 10);
  EXPECT_FALSE(Label(9)->isVisibleTo(panel_));  // no parameters command yet
  EXPECT_TRUE(panel_->isEnabled());
  EXPECT_TRUE(Label(5)->isEnabled());

  QTest::mouseClick(Label(4), Qt::LeftButton);  // "F4 ред/просм"
  EXPECT_EQ(grid_->Mode(), ld::gui::gmEdit);
  EXPECT_FALSE(Label(5)->isEnabled());
  EXPECT_FALSE(Label(6)->isEnabled());
  EXPECT_FALSE(grid_->MenuItem(ld::gui::mtCopyBlock)->isEnabled());
  QTest::mouseClick(Label(4), Qt::LeftButton);
  EXPECT_EQ(grid_->Mode(), ld::gui::gmView);
  EXPECT_TRUE(Label(6)->isEnabled());
  EXPECT_TRUE(grid_->Modified());  // edit mode took the lock; only saving gives it back
  box_.Answer(0);
  EXPECT_TRUE(grid_->SaveFile());

  // F9: the host's parameters; a row it did not change gives the lock back
  bool changeRow = false;
  std::string folder;
  grid_->OnParamProc = [&](const std::string& path, ld::PDataFile, int index, bool& modify) {
    folder = path;
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(std::filesystem::exists(path_ + "~"));
    modify = changeRow;
  };
  grid_->ShowStatus(true);
  EXPECT_TRUE(Label(9)->isVisibleTo(panel_));
  QTest::keyClick(grid_, Qt::Key_F9);
  EXPECT_EQ(folder, dir_.Path().string() + "/");
  EXPECT_FALSE(grid_->Modified());
  EXPECT_FALSE(std::filesystem::exists(path_ + "~"));
  changeRow = true;
  QTest::mouseClick(Label(9), Qt::LeftButton);
  EXPECT_TRUE(grid_->Modified());
  EXPECT_TRUE(std::filesystem::exists(path_ + "~"));
}

TEST_F(GridWidget, ScrollBarAndWheelMoveTheWindow) {
  EXPECT_EQ(std::pair(bar_->minimum(), bar_->maximum()), std::pair(1, 100));
  EXPECT_TRUE(bar_->isVisible());
  const int rows = grid_->GridRowCount();
  EXPECT_EQ(rows, 280 / 18);
  EXPECT_EQ(bar_->pageStep(), rows - 2);

  QWheelEvent down(QPointF(50, 50), grid_->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -240), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(grid_, &down);
  EXPECT_EQ(std::pair(grid_->FirstRow(), bar_->value()), std::pair(7, 7));  // two notches, three rows each

  bar_->setSliderPosition(60);
  bar_->triggerAction(QAbstractSlider::SliderMove);
  EXPECT_EQ(grid_->FirstRow(), 60);
  bar_->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(grid_->CurrentTableRow(), 100);
  QTest::keyClick(grid_, Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(std::pair(grid_->FirstRow(), bar_->value()), std::pair(1, 1));
  QTest::keyClick(grid_, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(grid_->FirstRow(), 100 - rows + 2);
  // a click starts a block, Shift with the arrows stretches it over the rows passed
  const int top = grid_->FirstRow();
  QTest::mouseClick(grid_, Qt::LeftButton, Qt::NoModifier, grid_->CellRect(2, 5).center());
  QTest::keyClick(grid_, Qt::Key_Up, Qt::ShiftModifier);
  QTest::keyClick(grid_, Qt::Key_Up, Qt::ShiftModifier);
  QTest::keyClick(grid_, Qt::Key_Right, Qt::ShiftModifier);
  const auto& b = grid_->Block();
  EXPECT_EQ(std::tuple(b.Col1, b.Row1, b.Col2, b.Row2), std::tuple(2, top + 4, 3, top + 2));
  QTest::keyClick(grid_, Qt::Key_Down);  // without Shift the block is the cursor cell again
  EXPECT_EQ(std::pair(grid_->Block().Row1, grid_->Block().Row2), std::pair(top + 3, top + 3));
}

TEST_F(GridWidget, HostSeesKeysAndMenuClicksFirst) {
  std::vector<int> keys;
  grid_->OnExtKeyDown = [&](QObject*, int& key, Qt::KeyboardModifiers) {
    keys.push_back(key);
    if (key == Qt::Key_F4) key = 0;  // the host keeps F4 for itself
  };
  QTest::keyClick(grid_, Qt::Key_F4);
  EXPECT_EQ(keys, std::vector<int>{Qt::Key_F4});
  EXPECT_EQ(grid_->Mode(), ld::gui::gmView);

  std::vector<int> clicks;
  grid_->OnExtMenuClick = [&](QAction* item, ld::PDataFile, int index) {
    clicks.push_back(item->data().toInt());
    EXPECT_EQ(index, grid_->CurrentTableRow());
  };
  QAction* own = grid_->PopupMenu()->addAction("Своё");
  own->setData(-3);
  own->trigger();
  grid_->MenuItem(ld::gui::mtSort)->trigger();
  EXPECT_EQ(clicks, (std::vector<int>{-3, ld::gui::mtSort}));
}

TEST_F(GridWidget, PrintLinesCarryTitlesCellsAndMarks) {
  grid_->MoveTo(1, 2);
  QTest::keyClick(grid_, Qt::Key_Space, Qt::ControlModifier);
  std::vector<std::string> lines{"before"};
  grid_->GetPrintLines(lines);
  ASSERT_EQ(lines.size(), 102u);
  EXPECT_EQ(lines[1], "StartTable№&0~Номер&0~Название&0~Мощность&0~Реактив&0~Защищ.&");
  EXPECT_EQ(lines[2], "Table1&0~1&0~Узел 1&0~ &0~ &0~ &");
  EXPECT_EQ(lines[3], "Table2&96~2&96~Узел 2&96~1\u00A0500.00&96~ &96~ &");
}

}  // namespace
