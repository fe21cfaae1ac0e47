#include "gui/common/hidden_keys.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QWidget>
#include <vector>

namespace ld::gui {

namespace {

const char* const kCovered = "ldHiddenKeyCovered";

void Cover(QWidget& window, QAction* item, const std::vector<QMenu*>& menus) {
  if (item->shortcut().isEmpty() || item->property(kCovered).toBool()) return;
  item->setProperty(kCovered, true);
  auto* key = new QShortcut(item->shortcut(), &window);  // owned by the window
  key->setContext(Qt::WindowShortcut);
  // Only one of the two may be live: two shortcuts of one key would both stay silent as ambiguous.
  const auto follow = [key, item] { key->setEnabled(!item->isVisible()); };
  follow();
  QObject::connect(item, &QAction::visibleChanged, key, follow);
  QObject::connect(key, &QShortcut::activated, item, [item, menus] {
    // A hidden item always reads as disabled; trigger() itself refuses one that the window disabled.
    for (const QMenu* menu : menus)
      if (!menu->isEnabled() || !menu->menuAction()->isEnabled()) return;
    item->trigger();
  });
}

void CoverMenu(QWidget& window, const QList<QAction*>& items, std::vector<QMenu*>& menus) {
  for (QAction* item : items) {
    if (QMenu* sub = item->menu()) {
      menus.push_back(sub);
      CoverMenu(window, sub->actions(), menus);
      menus.pop_back();
    } else if (!item->isSeparator()) {
      Cover(window, item, menus);
    }
  }
}

}  // namespace

void KeepHiddenItemKeys(QWidget& window, QMenuBar& bar) {
  std::vector<QMenu*> menus;
  CoverMenu(window, bar.actions(), menus);
}

}  // namespace ld::gui
