#include "gui/common/toolbar_overflow.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QToolBar>
#include <QToolButton>

namespace ld::gui {

namespace {

void FillOverflowMenu(QToolBar& bar, QMenu& menu) {
  menu.clear();
  for (QAction* a : bar.actions()) {
    QWidget* widget = bar.widgetForAction(a);
    // what the bar put away for want of room: a shown item whose widget the bar's layout hid
    if (!a->isVisible() || !widget || !widget->isHidden()) continue;
    if (a->isSeparator()) {
      if (!menu.actions().isEmpty() && !menu.actions().last()->isSeparator()) menu.addSeparator();
      continue;
    }
    auto* button = qobject_cast<QToolButton*>(widget);
    if (!button) continue;
    QAction* item = menu.addAction(button->text());
    item->setObjectName(button->objectName());
    item->setToolTip(button->toolTip());
    item->setEnabled(button->isEnabled());
    item->setCheckable(button->isCheckable());
    item->setChecked(button->isChecked());
    QPointer<QToolButton> target(button);
    QObject::connect(item, &QAction::triggered, button, [target] {
      if (target) target->click();
    });
  }
  if (!menu.actions().isEmpty() && menu.actions().last()->isSeparator()) menu.removeAction(menu.actions().last());
}

// Qt's own handling is taken over: outside a main window it opens a menu whose widget items are empty
// lines, inside one it expands the bar over the window without showing the hidden buttons.
class TOverflowMenu : public QObject {
public:
  TOverflowMenu(QToolBar& bar, QToolButton& extension) : QObject(&extension), bar_(bar), extension_(extension) {
    menu_ = new QMenu(&extension);  // owned by the button
    menu_->setObjectName("OverflowMenu");
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
          FillOverflowMenu(bar_, *menu_);
          if (!menu_->actions().isEmpty()) menu_->popup(extension_.mapToGlobal(QPoint(0, extension_.height())));
        }
        return true;
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
        return true;
      default:
        return QObject::eventFilter(watched, event);
    }
  }

private:
  QToolBar& bar_;
  QToolButton& extension_;
  QMenu* menu_ = nullptr;
};

}  // namespace

void OfferHiddenButtonsInOverflow(QToolBar& bar) {
  auto* extension = bar.findChild<QToolButton*>("qt_toolbar_ext_button", Qt::FindDirectChildrenOnly);
  if (!extension) return;
  extension->installEventFilter(new TOverflowMenu(bar, *extension));  // owned by the button
}

}  // namespace ld::gui
