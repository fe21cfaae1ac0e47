#pragma once
// A list or a box changes only when the person chooses it. The mouse wheel turned to scroll a window
// crosses whatever lies under the pointer: a closed list (QComboBox) or a number, date or time field
// (QAbstractSpinBox) would step its value, and a list's own handler then ticks boxes of its own, without
// the person ever choosing there. While the scope lives, the wheel over those and over a check box passes
// on to the window beneath them, which scrolls; an open list's entries still scroll under the wheel.
#include <memory>

class QObject;

namespace ld::gui {

class ChoiceWheelScope {
public:
  ChoiceWheelScope();
  ~ChoiceWheelScope();
  ChoiceWheelScope(const ChoiceWheelScope&) = delete;
  ChoiceWheelScope& operator=(const ChoiceWheelScope&) = delete;

private:
  std::unique_ptr<QObject> filter_;
};

}  // namespace ld::gui
