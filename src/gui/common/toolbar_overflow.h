#pragma once
// A tool bar narrower than its buttons hides the ones that do not fit behind its extension button
// ("»"). Outside a main window Qt opens a menu of the hidden items there, but a button placed on the
// bar as a widget shows in it as an empty line; this fills the menu with the hidden buttons instead.
class QToolBar;

namespace ld::gui {

// Each time the extension button opens its menu, the menu holds one item per hidden button, with the
// button's caption, hint, enabling and check state; choosing the item clicks the button.
void OfferHiddenButtonsInOverflow(QToolBar& bar);

}  // namespace ld::gui
