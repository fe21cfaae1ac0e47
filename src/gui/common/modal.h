#pragma once
// Every modal run of a dialog goes through ExecModal, so that tests can fill a dialog's fields and press
// its buttons without an event loop waiting on a person.
#include <functional>

class QDialog;

namespace ld::gui {

// Receives the shown dialog, works it through its widgets and returns the dialog's result.
using ModalHandler = std::function<int(QDialog& dialog)>;

// Runs the dialog modally (QDialog::exec) or, when a handler is installed, shows it and hands it over.
// A dialog narrower than its title is widened first (FitTitle), so the frame never cuts the title.
int ExecModal(QDialog& dialog);
void FitTitle(QDialog& dialog);

// Installs a handler and returns the one installed before (empty: real modal runs).
ModalHandler SetModalHandler(ModalHandler handler);

}  // namespace ld::gui
