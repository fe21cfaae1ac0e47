#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <functional>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/tables/switch_rec.h"
#include "gui/diagram/sch_box.h"
#include "support/diagram_fixture.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "support/held_file.h"

namespace ld::gui {
namespace {

using namespace diagram;
using test::DiagramScheme;

// The control in a small window with its two scroll bars, the scheme built with the default settings
// and painted once.
struct Host {
  QWidget window;
  TSchemBox* box;
  QScrollBar* vBar;
  QScrollBar* hBar;

  explicit Host(const DiagramScheme& scheme, const std::function<void(TSchemBox&)>& settings = {}, int width = 200,
                int height = 200) {
    window.resize(width + 16, height + 16);
    box = new TSchemBox(&window);
    box->setGeometry(0, 0, width, height);
    vBar = new QScrollBar(&window);
    vBar->move(width, 0);
    hBar = new QScrollBar(&window);
    hBar->move(0, height);
    box->SetVScrollBar(vBar);
    box->SetHScrollBar(hBar);
    test::LoadDefaultViewConfig(*box);
    if (settings) settings(*box);
    scheme.Load(*box);
    window.show();
    EXPECT_TRUE(box->BuildScheme(box->NodeSet, box->LineSet, 0, 0));
    Paint();
  }
  // Runs the paint event now, as the screen would.
  QImage Paint() {
    QApplication::processEvents();
    return box->grab().toImage();
  }
  PSElem E(const std::string& name) {
    for (PSElem e = box->Model->First; e != nullptr; e = e->Next)
      if (!e->Has(efReference) && e->Caption && *e->Caption == name) return e;
    ADD_FAILURE() << "no element " << name;
    return box->Model->First;
  }
  void Click(int x, int y, Qt::KeyboardModifiers mods = Qt::NoModifier, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(box, button, mods, QPoint(x, y));
    Paint();
  }
  void Send(QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(x, y), box->mapToGlobal(QPointF(x, y)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(box, &event);
  }
  // A move of the mouse with these buttons held.
  void Move(int x, int y, Qt::MouseButtons buttons = Qt::NoButton) {
    Send(QEvent::MouseMove, x, y, Qt::NoButton, buttons);
  }
  std::string Commut(int row) const {
    const char c = box->BranchCols.Commut->Get(row);
    return c == 0 ? "" : Cp1251ToUtf8(std::string(1, c));
  }
};

// The menu's items as "Tag caption", a separator as "-".
std::vector<std::string> Items(QMenu* menu) {
  std::vector<std::string> items;
  for (QAction* a : menu->actions())
    items.push_back(a->isSeparator() ? "-" : std::to_string(a->data().toInt()) + " " + a->text().toStdString());
  return items;
}

std::vector<int> Enabled(QMenu* menu) {
  std::vector<int> tags;
  for (QAction* a : menu->actions())
    if (!a->isSeparator() && a->isEnabled()) tags.push_back(a->data().toInt());
  return tags;
}

TEST(SchemBox, MenusAsBuiltAndTheEditMode) {
  TSchemBox box;
  EXPECT_TRUE(box.FlowTimer->isActive());
  const std::vector<std::string> node = Items(box.NodeMenu), line = Items(box.LineMenu);
  ASSERT_EQ(node.size(), 23u);
  EXPECT_EQ(node.front() + "|" + node[12] + "|" + node.back(),
            "0 Свойства|10 Удалить врезанный узел|16 Присоединенные абоненты по узлу");
  ASSERT_EQ(line.size(), 12u);
  EXPECT_EQ(line[4] + "|" + line.back(), "2 Врезать узел|17 Присоединенные абоненты по линии");
  EXPECT_EQ(Items(box.EmptyMenu), std::vector<std::string>{"1 Добавить новый узел"});

  // Constructed read-only; edit mode enables exactly the editing items.
  EXPECT_EQ(Enabled(box.LineMenu), (std::vector<int>{0, 1, 17}));
  box.SetEditMode(true);
  EXPECT_EQ(Enabled(box.NodeMenu), (std::vector<int>{0, 1, 2, 3, 4, 5, 7, 6, 8, 10, 11, 12, 13, 14, 18, 15, 16}));
  EXPECT_EQ(Enabled(box.LineMenu), (std::vector<int>{0, 1, 2, 3, 6, 5, 4, 17}));
  box.SetEditMode(false);
  EXPECT_TRUE(Enabled(box.EmptyMenu).empty());
}

TEST(SchemBox, RightClicksPopTheMenusAndHostItemsReachTheHost) {
  Host h(test::DistrictScheme());
  h.box->SetEditMode(true);
  PSElem ps1 = h.E("ПС-1");
  const int x = ps1->X1 + h.box->PixXe - h.box->OriginX + 2, y = ps1->Y + 2;
  h.Click(x, y, Qt::NoModifier, Qt::RightButton);
  EXPECT_TRUE(h.box->NodeMenu->isVisible());
  EXPECT_EQ(h.box->SelectedNode, ps1);
  h.box->NodeMenu->hide();

  // Host items reach the host with the item; without an item handler the Tag goes to the tag event.
  std::vector<int> items, tags;
  h.box->OnExtNodeMenuItem = [&](QAction* item) { items.push_back(item->data().toInt()); };
  h.box->OnExtNodeMenuClick = [&](int tag) { tags.push_back(tag); };
  for (int tag : {1, 16}) TSchemBox::MenuItem(h.box->NodeMenu, tag)->trigger();
  EXPECT_EQ(items, (std::vector<int>{1, 16}));
  h.box->OnExtNodeMenuItem = nullptr;
  TSchemBox::MenuItem(h.box->NodeMenu, 15)->trigger();
  EXPECT_EQ(tags, (std::vector<int>{15}));
}

TEST(SchemBox, CommandsAreGuardedAndTheirErrorsShown) {
  Host h(test::ForkScheme());
  h.box->SetEditMode(true);
  h.Click(23, 100);
  ASSERT_EQ(h.box->MarkedLine, h.E("C"));
  // While the branch dialog is open, a second command does nothing.
  test::ModalScript script;
  script.Then([&](QDialog& dialog) {
    TSchemBox::MenuItem(h.box->LineMenu, 4)->trigger();  // damage
    TSchemBox::MenuItem(h.box->NodeMenu, 5)->trigger();
    h.Click(20, 120);
    test::Press(dialog, "CancelBtn");
  });
  TSchemBox::MenuItem(h.box->LineMenu, 0)->trigger();
  EXPECT_EQ(script.Shown(), 1);
  EXPECT_FALSE(h.box->Busy);
  EXPECT_FALSE(h.box->Modified);

  // A refused first change: its text in the message box, and the control free again.
  test::TempDir dir;
  h.box->SchemeBase = dir / "scheme";
  test::HoldAsLiving(h.box->SchemeBase + h.box->BranchTable->Extention + "~", std::string("\x06") + "Petrov");
  test::ScriptedMsgBox messages;
  TSchemBox::MenuItem(h.box->LineMenu, 4)->trigger();
  ASSERT_EQ(messages.Calls().size(), 1u);
  EXPECT_NE(messages.Calls()[0].text.find("Petrov"), std::string::npos) << messages.Calls()[0].text;
  EXPECT_FALSE(h.box->Modified);
}

// Clicks reach the core's hit tests, which know every case of a hit; here they mark, select and switch.
TEST(SchemBox, ClicksMarkSelectAndSwitch) {
  Host h(test::ForkScheme());
  h.Click(23, 100);
  EXPECT_EQ(h.box->MarkedLine, h.E("C"));
  h.Click(20, 120);
  EXPECT_EQ(h.box->SelectedNode, h.E("C"));

  // Commutation: a click on a device switches that end.
  h.box->ComMode = true;
  h.box->Paint();  // the devices are registered by the next picture
  h.Paint();
  std::vector<std::string> before;
  h.box->OnChangeLine = [&](const std::string&, TDataFile*, int, const TRecSwt* rec) {
    before.push_back(rec->Commut == 0 ? "" : Cp1251ToUtf8(std::string(1, rec->Commut)));
    return true;
  };
  h.Click(21, 109);
  h.Click(21, 85);
  EXPECT_EQ(h.Commut(2), "О");
  EXPECT_EQ(before, (std::vector<std::string>{"", "К"}));

  // The model freed: the picture shows the empty panel, and a click meets nothing.
  h.box->FreeSchemeModel(*h.box->Model);
  h.box->Paint();
  const QImage empty = h.Paint();
  EXPECT_EQ(empty.pixel(21, 100), qRgb(255, 255, 255));
  h.Click(21, 85);
  EXPECT_EQ(h.box->MarkedLine, nullptr);
}

TEST(SchemBox, BrushAddedLinesAndSearch) {
  Host h(test::ForkScheme());
  PaintColor = 0x00FF00;
  h.box->SetEditMode(true);
  h.Click(23, 100, Qt::AltModifier);
  EXPECT_EQ(static_cast<DALongint*>(h.box->BranchCols.Color)->Get(2), 0x00FF00);
  EXPECT_TRUE(h.box->Modified);

  // Add-line mode: Shift+click with no node selected only selects; from a selected node it adds a branch.
  h.box->AddLineMode = true;
  h.Click(20, 120, Qt::ShiftModifier);
  EXPECT_EQ(h.box->SelectedNode, h.E("C"));
  h.Click(50, 120, Qt::ShiftModifier);  // D
  ASSERT_EQ(h.box->BranchTable->RowCount, 4);
  // Shift+click on the node just selected (or a double click on it) adds no branch to itself.
  PSElem d = h.E("D");
  h.Click(d->X1 + h.box->PixXe - h.box->OriginX + 2, d->Y + 2, Qt::ShiftModifier);
  EXPECT_EQ(h.box->BranchTable->RowCount, 4);
  EXPECT_EQ(h.box->SelectedNode, d);
  h.box->AddLineMode = false;

  // Ctrl+Alt+click on empty space: the node search, and the choice selected.
  test::ModalScript script;
  script.Then([](QDialog& dialog) {
    auto& list = test::Child<QListWidget>(dialog, "NodList");
    list.setCurrentRow(1);  // "B"
    test::Press(dialog, "OKBtn");
  });
  h.Click(150, 180, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(h.box->SelectedNode->NodeNr, 2);  // "B"
}

TEST(SchemBox, HintsFollowTheMouse) {
  Host h(test::ForkScheme(), [](TSchemBox& b) {
    b.hNumNode = b.hNameNode = b.hVoltage = true;
    b.HintMode = true;
  });
  (*h.box->NodeCols.Urez)[3] = 10.5;
  h.Move(20, 120);
  EXPECT_TRUE(h.box->HintWin->isVisible());
  EXPECT_EQ(h.box->HintWin->text().toStdString(), "3 C U=10.50 ");
  h.Move(150, 180);
  EXPECT_FALSE(h.box->HintWin->isVisible());
}

TEST(SchemBox, ScrollBarsAndDragging) {
  Host h(test::DistrictScheme(), {}, 80, 60);
  const int w = h.box->Model->Width, ht = h.box->Model->Height;
  EXPECT_EQ((std::vector<int>{h.hBar->maximum(), h.hBar->pageStep(), h.vBar->maximum()}),
            (std::vector<int>{w - 80, 40, ht - 60}));
  // A bar moves the origin.
  h.vBar->setValue(20);
  EXPECT_EQ(h.box->OriginY, 20);
  h.hBar->setValue(5);
  EXPECT_EQ(h.box->OriginX, 5);
  // Dragging with the left button moves the picture against the mouse, within the model.
  h.Send(QEvent::MouseButtonPress, 40, 40, Qt::LeftButton, Qt::LeftButton);
  h.Move(30, 35, Qt::LeftButton);
  EXPECT_EQ((std::vector<int>{h.box->OriginX, h.box->OriginY, h.hBar->value(), h.vBar->value()}),
            (std::vector<int>{15, 25, 15, 25}));
  h.Move(-5000, -5000, Qt::LeftButton);
  EXPECT_EQ((std::vector<int>{h.box->OriginX, h.box->OriginY}), (std::vector<int>{w - 80, ht - 60}));
  h.Send(QEvent::MouseButtonRelease, -5000, -5000, Qt::LeftButton, Qt::NoButton);
}

TEST(SchemBox, TheWheelScrollsDownAndWithShiftSideways) {
  Host h(test::DistrictScheme(), {}, 80, 60);
  // a notch is the small step, a tenth of the window: 6 pixels down, 8 pixels across
  const auto wheel = [&](QPoint angle, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWheelEvent event(QPointF(40, 30), h.box->mapToGlobal(QPointF(40, 30)), QPoint(), angle, Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(h.box, &event);
    return std::vector<int>{h.box->OriginX, h.box->OriginY};
  };
  EXPECT_EQ(wheel({0, -120}), (std::vector<int>{0, 6}));
  EXPECT_EQ(wheel({0, -240}), (std::vector<int>{0, 18}));
  EXPECT_EQ(wheel({0, 120}), (std::vector<int>{0, 12}));
  EXPECT_EQ(wheel({0, -120}, Qt::ShiftModifier), (std::vector<int>{8, 12}));
  EXPECT_EQ(wheel({-120, 0}), (std::vector<int>{16, 12}));  // a wheel tilted sideways
  EXPECT_EQ(wheel({120, 0}, Qt::ShiftModifier), (std::vector<int>{8, 12}));
  // a fine wheel's quarter notches add up to one step
  for (int i = 0; i < 3; ++i) EXPECT_EQ(wheel({0, -30}), (std::vector<int>{8, 12}));
  EXPECT_EQ(wheel({0, -30}), (std::vector<int>{8, 18}));
  // the picture stays within the model at both ends
  EXPECT_EQ(wheel({0, 120 * 100}), (std::vector<int>{8, 0}));
  EXPECT_EQ(wheel({0, -120 * 1000})[1], h.box->Model->Height - 60);
  EXPECT_EQ(h.vBar->value(), h.box->OriginY);
}

TEST(SchemBox, FlowsCreepBetweenTwoPictures) {
  // Only the ticks given here move the bands: the control's own timer stops before the first event is
  // processed, so that a slow start cannot slip a tick in while the scheme is built and painted.
  Host h(test::ForkScheme(), [](TSchemBox& b) {
    b.FlowTimer->stop();
    b.fMoveFlows = true;
    b.wFlowP = 2;
  });
  h.box->FlowP = {0, 1.5f, 0};
  h.box->FlowQ = {0, 0.5f, 0};
  h.Paint();
  const qint64 picture = h.box->Picture().cacheKey();
  auto column = [&](const QImage& image, int x) {
    std::string s;
    for (int y = 89; y < 106; ++y) {
      const QRgb c = image.pixel(x, y);
      s += c == qRgb(255, 0, 0) ? 'P' : c == qRgb(0, 0, 255) ? 'Q' : '.';
    }
    return s;
  };
  h.box->FlowTimerTick();
  const QImage first = h.Paint();
  h.box->FlowTimerTick();
  h.box->FlowTimerTick();
  const QImage third = h.Paint();
  // No drawing pass at a tick: the picture is the one drawn before.
  EXPECT_EQ(h.box->Picture().cacheKey(), picture);
  // Active dashes right of C's line, reactive left of it; two phases later they moved two pixels down.
  EXPECT_EQ(column(first, 23), "PPPPPPP...PPPPPPP");
  EXPECT_EQ(column(first, 19), "QQQQQQQ...QQQQQQQ");
  EXPECT_EQ(column(third, 23), "..PPPPPPP...PPPPP");
  // Switching the animation off stops the bands at the next tick; a repaint removes them.
  h.box->fMoveFlows = false;
  h.box->FlowTimerTick();
  h.box->Paint();
  EXPECT_EQ(column(h.Paint(), 23), ".................");
}

}  // namespace
}  // namespace ld::gui
