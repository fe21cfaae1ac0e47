#pragma once
// The buttons at the foot of the small dialogs: "OKBtn" and "CancelBtn", the latter rejecting the dialog.
// "OKBtn" does nothing while a date field of the dialog holds a refused date (DatesTaken).
#include <functional>

class QDialog;
class QHBoxLayout;

namespace ld::gui {

// A row of the two buttons, "OKBtn" accepting the dialog.
QHBoxLayout* OkCancelButtons(QDialog& dialog, const char* okCaption, const char* cancelCaption);

// "Применить" as the dialog's default button, running onApply, and "Отменить", both at the right end
// of the row; whatever goes at its left end is inserted at 0.
QHBoxLayout* ApplyCancelButtons(QDialog& dialog, const std::function<void()>& onApply);

}  // namespace ld::gui
