#pragma once
// The printer that text reports go to, and the platform dialogs that set it up. Both dialogs run
// through ExecModal, so tests answer them like any other dialog.
#include <memory>
#include <string>

#include <QPrinter>

class QFont;
class QWidget;

namespace ld {
class TFileReplacement;
}

namespace ld::gui {

// One printer per process; the print dialog keeps its orientation between reports.
QPrinter& ReportPrinter();

// A new high-resolution A4 printer whose margins are the caller's own, measured from the paper's edge.
std::unique_ptr<QPrinter> NewPagePrinter();

// A printer is there when the system knows one or output goes to a file.
bool PrinterInstalled(const QPrinter& printer);

// Without an installed printer a printing goes to a PDF file that the person names in a file dialog
// ("Печать в файл PDF"); the printer writes that file for this one printing and is given back as it
// was afterwards. The printing goes to a temporary file that replaces the named one when the object
// goes, so a printing that fails leaves an earlier file as it was. With a printer, or with an output
// file already set, nothing is asked.
class TPdfFallback {
public:
  TPdfFallback(QPrinter& printer, const std::string& suggestedFile, QWidget* parent);
  ~TPdfFallback();
  TPdfFallback(const TPdfFallback&) = delete;
  TPdfFallback& operator=(const TPdfFallback&) = delete;

  // There is somewhere to print to: false when the person cancelled the file dialog.
  bool Ready() const { return ready_; }

private:
  QPrinter& printer_;
  bool ready_ = true;
  bool changed_ = false;
  QPrinter::OutputFormat format_ = QPrinter::NativeFormat;
  std::unique_ptr<TFileReplacement> file_;
};

// The platform's printer set-up; true when the person accepted it.
bool RunPrinterSetup(QPrinter& printer, QWidget* parent);

// The platform's font dialog; on acceptance the font becomes the chosen one.
bool ChooseFont(QFont& font, QWidget* parent);

}  // namespace ld::gui
