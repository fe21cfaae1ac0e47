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
  // edit mode took the lock; left with nothing changed, it gives the lock back and leaves nothing to save
  EXPECT_FALSE(grid_->Modified());
  EXPECT_FALSE(std::filesystem::exists(path_ + "~"));

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

}  // namespace
