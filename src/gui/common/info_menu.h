#pragma once
// The context menu of a work window's message list.
class QAction;
class QMenu;
class QTextEdit;

namespace ld::gui {

// "Скрыть" and "Печать" (CloseItem and PrnInfoItem) in a menu (InfoMenu) that the right button opens over
// the list; the window binds the two commands.
QMenu* AddInfoMenu(QTextEdit* info, QAction*& closeItem, QAction*& printItem);

}  // namespace ld::gui
