#pragma once
// A tool bar narrower than its buttons hides the ones that do not fit behind its extension button
// ("»"). Qt's own extension shows nothing of buttons placed on the bar as widgets (an empty menu
// outside a main window, an expanded bar without them inside one); this opens a menu of them instead.
class QToolBar;

namespace ld::gui {

// A press on the extension button opens the menu "OverflowMenu" (a child of the button) with one item
// per hidden button, with the button's caption, hint, enabling and check state; choosing the item
// clicks the button.
void OfferHiddenButtonsInOverflow(QToolBar& bar);

}  // namespace ld::gui
