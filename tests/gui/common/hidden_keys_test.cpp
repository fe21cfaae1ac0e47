// Hot keys of hidden menu items: the window takes them while the item is hidden and leaves them to
// the item while it shows, so that one press starts the command once in either state.
#include <gtest/gtest.h>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "gui/common/hidden_keys.h"

namespace ld::gui {
namespace {

TEST(HiddenItemKeys, OnePressStartsTheCommandOnceWhetherTheItemShowsOrNot) {
  QMainWindow window;
  QMenu* data = window.menuBar()->addMenu("Данные");
  QMenu* sub = data->addMenu("Журнал");
  QAction* journal = sub->addAction("Журнал переключений");
  journal->setShortcut(QKeySequence("Ctrl+G"));
  int started = 0;
  QObject::connect(journal, &QAction::triggered, [&] { ++started; });
  journal->setVisible(false);
  KeepHiddenItemKeys(window, *window.menuBar());
  KeepHiddenItemKeys(window, *window.menuBar());  // a second call adds no second key
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  const auto press = [&] { QTest::keyClick(&window, Qt::Key_G, Qt::ControlModifier); };

  press();
  EXPECT_EQ(started, 1);
  journal->setVisible(true);  // its own key now, not both (that would be an ambiguous, silent key)
  press();
  EXPECT_EQ(started, 2);
  journal->setVisible(false);
  press();
  EXPECT_EQ(started, 3);
  // a disabled item, or one in a disabled menu, stays silent
  journal->setEnabled(false);
  press();
  journal->setEnabled(true);
  data->menuAction()->setEnabled(false);
  press();
  EXPECT_EQ(started, 3);
  data->menuAction()->setEnabled(true);
  press();
  EXPECT_EQ(started, 4);
}

}  // namespace
}  // namespace ld::gui
