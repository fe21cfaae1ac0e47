#pragma once
// The number fields of the regime settings dialogs.
#include <QString>

class QLineEdit;
class QWidget;

namespace ld::gui {

// A narrow line edit for one setting, named name.
QLineEdit* NumberEdit(const char* name, QWidget* parent);

// A single-precision setting as the fields show it: up to 7 significant digits.
QString SingleText(float v);

}  // namespace ld::gui
