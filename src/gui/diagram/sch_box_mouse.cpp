// The mouse on the diagram control: presses select, mark, switch, paint and open the dialogs of the
// click modes or the pop-up menus; moves drag the picture or show the hints.
#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "core/diagram/hit_test.h"
#include "gui/diagram/find_nod_form.h"
#include "gui/diagram/sch_box.h"

namespace ld::gui {

using namespace diagram;

void TSchemBox::mousePressEvent(QMouseEvent* event) {
  if (OnMouseDown) OnMouseDown(event);
  const QPoint p = event->position().toPoint();
  MouseDown(event->button(), event->modifiers(), p.x(), p.y(), event->globalPosition().toPoint(), false);
}

void TSchemBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (OnMouseDown) OnMouseDown(event);
  const QPoint p = event->position().toPoint();
  MouseDown(event->button(), event->modifiers(), p.x(), p.y(), event->globalPosition().toPoint(), true);
}

void TSchemBox::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(event);
  const QPoint p = event->position().toPoint();
  MouseMove(event->buttons(), p.x(), p.y(), event->globalPosition().toPoint());
}

void TSchemBox::wheelEvent(QWheelEvent* event) {
  // The wheel moves the picture up and down, with Shift left and right (a wheel tilted sideways too);
  // a notch is the bars' small step, a tenth of the window, and a fine wheel's parts add up to it.
  const QPoint delta = event->angleDelta();
  const bool sideways = (event->modifiers() & Qt::ShiftModifier) || (delta.y() == 0 && delta.x() != 0);
  const int amount = delta.y() != 0 ? delta.y() : delta.x();
  QScrollBar* bar = sideways ? hBar_ : vBar_;
  if (bar == nullptr || amount == 0) {
    event->ignore();
    return;
  }
  if (sideways != wheelSideways_) wheelRest_ = 0;
  wheelSideways_ = sideways;
  wheelRest_ += amount;
  const int notches = wheelRest_ / 120;
  wheelRest_ -= notches * 120;
  if (notches != 0) bar->setValue(bar->value() - notches * bar->singleStep());
  event->accept();
}

void TSchemBox::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  HideNodeHint();
}

void TSchemBox::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y, QPoint global,
                          bool doubleClick) {
  lastX_ = x;
  lastY_ = y;
  if (button == Qt::LeftButton)
    RunCommand([&] { LeftDown(shift, x, y, global, doubleClick); });
  else if (button == Qt::RightButton)
    RunCommand([&] { RightDown(x, y, global); });
}

void TSchemBox::LeftDown(Qt::KeyboardModifiers shift, int x, int y, QPoint global, bool doubleClick) {
  const bool brush = (shift & (Qt::ControlModifier | Qt::AltModifier)) != 0;
  // A click on a device also goes on to mark its line.
  if (ComMode) ToggleSwitchAt(*this, x, y);
  PSElem elem = nullptr;
  if (HitTestLine(*this, x, y, elem)) {
    ClearLineMark(*this);
    if (brush && EditMode) {
      PaintElement(*this, elem, true);
      return;
    }
    MarkLine(*this, elem);
    Paint();
    if (RXMode)
      EditLineByCatalog(*this, dialogs_, elem, global.x(), global.y());
    else if (MeterMode)
      EditLineMeter(*this, dialogs_, elem);
    return;
  }
  bool inNested = false;
  if (HitTestNode(*this, x, y, inNested, elem)) {
    const PSElem prev = SelectedNode;
    ClearNodeSelection(*this);
    if (brush && EditMode) {
      PaintElement(*this, elem, false);
      return;
    }
    SelectNode(*this, elem);
    // A branch needs two nodes: a second Shift+click on the node just selected adds none.
    if (AddLineMode && (shift & Qt::ShiftModifier) && prev != nullptr && !prev->Has(efGroup) && !elem->Has(efGroup) &&
        prev->NodeNr != elem->NodeNr)
      AddLineBetween(*this, dialogs_, prev, elem);
    else if (!elem->Has(efGroup) && (LoadMode || MeterMode))
      EditNodeByClick(*this, dialogs_, elem, LoadMode);
    return;
  }
  if (doubleClick) {
    ClearNodeSelection(*this);
    ClearLineMark(*this);
    Paint();
  } else if ((shift & Qt::ControlModifier) && (shift & Qt::AltModifier) && Model->First != nullptr) {
    if (const PSElem found = FindNodeDialog(Model->First)) ScrollToElement(found);
  }
}

void TSchemBox::RightDown(int x, int y, QPoint global) {
  PSElem elem = nullptr;
  bool inNested = false;
  if (HitTestLine(*this, x, y, elem)) {
    ClearLineMark(*this);
    MarkLine(*this, elem);
    Paint();
    LineMenu->popup(global);
  } else if (HitTestNode(*this, x, y, inNested, elem)) {
    ClearNodeSelection(*this);
    SelectNode(*this, elem);
    const bool substation = elem->Has(efGroup);
    for (int tag = 8; tag <= 14; ++tag)
      if (QAction* item = MenuItem(NodeMenu, tag)) item->setEnabled(EditMode && !substation);
    NodeMenu->popup(global);
  } else {
    EmptyMenu->popup(global);
  }
}

void TSchemBox::MouseMove(Qt::MouseButtons buttons, int x, int y, QPoint global) {
  if (buttons & Qt::LeftButton) {
    DragOrigin(*this, lastX_ - x, lastY_ - y);
  } else if (HintMode) {
    const std::string text = HintTextAt(*this, x, y);
    if (!text.empty())
      ShowNodeHint(text, global);
    else
      HideNodeHint();
  }
  lastX_ = x;
  lastY_ = y;
}

void TSchemBox::ShowNodeHint(const std::string& text, QPoint global) {
  if (text == LastHintText) return;
  HintWin->hide();
  const QString shown = QString::fromStdString(text);
  const QFontMetrics metrics(HintWin->font());
  HintWin->setText(shown);
  HintWin->setGeometry(global.x() + 16, global.y() + 16, metrics.horizontalAdvance(shown) + 4, metrics.height() + 4);
  HintWin->show();
  LastHintText = text;
}

void TSchemBox::HideNodeHint() {
  HintWin->hide();
  LastHintText.clear();
}

}  // namespace ld::gui
