#pragma once
// Every control carries its component name as its object name: tests and saved settings find it by that.
#include <QString>
#include <QToolButton>
#include <utility>

namespace ld::gui {

// A new control of type W made from args (its parent last, as Qt takes it), named name.
template <class W, class... Args>
W* Named(const char* name, Args&&... args) {
  auto* widget = new W(std::forward<Args>(args)...);  // owned by its parent
  widget->setObjectName(name);
  return widget;
}

// A flat text button of a window's tool row, with its hint; checkable for the buttons that stay pressed.
inline QToolButton* ToolButton(const char* name, const QString& text, const QString& hint, QWidget* parent,
                               bool checkable = false) {
  auto* button = Named<QToolButton>(name, parent);
  button->setText(text);
  button->setToolTip(hint);
  button->setCheckable(checkable);
  button->setAutoRaise(true);
  return button;
}

}  // namespace ld::gui
