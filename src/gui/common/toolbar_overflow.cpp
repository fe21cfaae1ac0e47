#include "gui/common/toolbar_overflow.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
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

// The bar's layout sets up the extension's menu when it places the items; the menu is filled as the
// button is pressed, just before it opens.
class TOverflowFiller : public QObject {
public:
  TOverflowFiller(QToolBar& bar, QObject* parent) : QObject(parent), bar_(bar) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress)
      if (QMenu* menu = static_cast<QToolButton*>(watched)->menu()) FillOverflowMenu(bar_, *menu);
    return QObject::eventFilter(watched, event);
  }

private:
  QToolBar& bar_;
};

}  // namespace

void OfferHiddenButtonsInOverflow(QToolBar& bar) {
  auto* extension = bar.findChild<QToolButton*>("qt_toolbar_ext_button", Qt::FindDirectChildrenOnly);
  if (!extension) return;
  extension->installEventFilter(new TOverflowFiller(bar, extension));  // owned by the button
}

}  // namespace ld::gui
