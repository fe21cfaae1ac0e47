#include "gui/common/info_menu.h"

#include <QAction>
#include <QMenu>
#include <QTextEdit>

namespace ld::gui {

QMenu* AddInfoMenu(QTextEdit* info, QAction*& closeItem, QAction*& printItem) {
  auto* menu = new QMenu(info);
  menu->setObjectName("InfoMenu");
  closeItem = menu->addAction("Скрыть");
  closeItem->setObjectName("CloseItem");
  printItem = menu->addAction("Печать");
  printItem->setObjectName("PrnInfoItem");
  info->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(info, &QWidget::customContextMenuRequested, menu,
                   [info, menu](const QPoint& at) { menu->popup(info->viewport()->mapToGlobal(at)); });
  return menu;
}

}  // namespace ld::gui
