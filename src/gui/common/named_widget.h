#pragma once
// Every control carries its component name as its object name: tests and saved settings find it by that.
#include <utility>

namespace ld::gui {

// A new control of type W made from args (its parent last, as Qt takes it), named name.
template <class W, class... Args>
W* Named(const char* name, Args&&... args) {
  auto* widget = new W(std::forward<Args>(args)...);  // owned by its parent
  widget->setObjectName(name);
  return widget;
}

}  // namespace ld::gui
