// Windows and dialogs fit the screen's available area: the rectangle rule, and real windows larger than
// the test screen as they show.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <memory>
#include <string>

#include "gui/common/modal.h"
#include "gui/common/screen_fit.h"
#include "gui/common/work_form.h"

namespace ld::gui {
namespace {

// Left, top and size.
std::string Text(const QRect& r) {
  return QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

TEST(ScreenFit, AFrameIsMovedInAsLittleAsItTakesAndShrunkOnlyWhenLargerThanTheArea) {
  const QRect area(60, 30, 1000, 700);  // below a panel of 30 pixels and right of one of 60
  EXPECT_EQ(Text(FitRect(QRect(100, 100, 400, 300), area)), "100,100 400x300");
  EXPECT_EQ(Text(FitRect(QRect(900, 600, 400, 300), area)), "660,430 400x300");
  EXPECT_EQ(Text(FitRect(QRect(0, 0, 400, 300), area)), "60,30 400x300");
  EXPECT_EQ(Text(FitRect(QRect(60, 30, 1000, 700), area)), "60,30 1000x700");
  // Larger than the area: the area itself, one side at a time.
  EXPECT_EQ(Text(FitRect(QRect(500, 100, 2499, 1553), area)), "60,30 1000x700");
  EXPECT_EQ(Text(FitRect(QRect(500, 100, 1200, 300), area)), "60,100 1000x300");
}

// A window whose layout asks for more than the test screen holds.
class WideWindow : public TWorkForm {
public:
  WideWindow() {
    auto* content = new QLabel("содержимое", this);
    content->setMinimumSize(3000, 2000);
    setCentralWidget(content);
  }
  void FormCloseQuery(bool& canClose) override { canClose = true; }
};

bool FitsScreen(const QWidget& window) {
  return window.screen()->availableGeometry().contains(window.frameGeometry());
}

TEST(ScreenFit, WindowsAndDialogsLargerThanTheScreenFitItAsTheyShowWhileTheScopeLives) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  ASSERT_LT(area.width(), 3000);
  auto fitScope = std::make_unique<ScreenFitScope>();
  {
    // A dialog placed off the screen, larger than it: it takes the area.
    QDialog dialog;
    dialog.resize(area.width() + 700, area.height() + 500);
    dialog.move(area.right() - 100, area.bottom() - 100);
    dialog.show();
    QApplication::processEvents();
    EXPECT_TRUE(FitsScreen(dialog)) << Text(dialog.frameGeometry());
    // A title wider than the screen widens the dialog only to the screen.
    QDialog titled;
    titled.setWindowTitle(QString("Очень длинный заголовок ").repeated(40));
    FitTitle(titled);
    EXPECT_LE(titled.minimumWidth(), area.width());
    EXPECT_GT(titled.minimumWidth(), area.width() / 2);
    titled.show();
    QApplication::processEvents();
    EXPECT_TRUE(FitsScreen(titled)) << Text(titled.frameGeometry());
  }
  {
    // A work window with a layout wider and taller than the screen, maximised below a tool bar: it
    // opens below the tool bar and no larger than the rest of the area, whatever its layout asks.
    WideWindow work;
    work.setWindowState(Qt::WindowMaximized);
    work.SetTag(area.top() + 40);
    work.show();
    QApplication::processEvents();
    EXPECT_EQ(Text(work.frameGeometry()), Text(TWorkForm::MaximizedRect(area, area.top() + 40)));
    EXPECT_FALSE(work.windowState() & Qt::WindowMaximized);
    // Hidden, grown and shown again: it fits once more, still below the tool bar.
    work.hide();
    work.resize(area.width() + 300, area.height() + 300);
    work.show();
    QApplication::processEvents();
    EXPECT_EQ(Text(work.frameGeometry()), Text(TWorkForm::MaximizedRect(area, area.top() + 40)));
  }
  fitScope.reset();
  QDialog unfitted;
  unfitted.resize(area.width() + 700, area.height() + 500);
  unfitted.show();
  QApplication::processEvents();
  EXPECT_FALSE(FitsScreen(unfitted)) << "the windows are left alone once the scope ends";
}

}  // namespace
}  // namespace ld::gui
