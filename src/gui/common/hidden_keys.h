#pragma once
// Qt ignores the hot key of an invisible menu item, while this program hides finished commands and
// still starts them by their keys. The window takes such a key itself for as long as its item is
// hidden and starts the item's command, as long as the item and the menus above it are enabled.
class QMenuBar;
class QWidget;

namespace ld::gui {

// Covers every item with a hot key in the bar's menus, now and whenever an item is hidden later;
// calling it again for the same bar adds nothing.
void KeepHiddenItemKeys(QWidget& window, QMenuBar& bar);

}  // namespace ld::gui
