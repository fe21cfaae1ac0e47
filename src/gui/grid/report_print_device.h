#pragma once
// The printer that text reports go to, and the platform dialogs that set it up. Both dialogs run
// through ExecModal, so tests answer them like any other dialog.
#include <memory>

class QFont;
class QPrinter;
class QWidget;

namespace ld::gui {

// One printer per process; the print dialog keeps its orientation between reports.
QPrinter& ReportPrinter();

// A new high-resolution A4 printer whose margins are the caller's own, measured from the paper's edge.
std::unique_ptr<QPrinter> NewPagePrinter();

// A printer is there when the system knows one or output goes to a file.
bool PrinterInstalled(const QPrinter& printer);

// The platform's printer set-up; true when the person accepted it.
bool RunPrinterSetup(QPrinter& printer, QWidget* parent);

// The platform's font dialog; on acceptance the font becomes the chosen one.
bool ChooseFont(QFont& font, QWidget* parent);

}  // namespace ld::gui
