#include "gui/grid/report_print_device.h"

#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

#include "gui/common/modal.h"

namespace ld::gui {

QPrinter& ReportPrinter() {
  static const std::unique_ptr<QPrinter> printer = [] {
    auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // Margins are the report's own, measured from the paper's edge.
    p->setFullPage(true);
    p->setPageSize(QPageSize(QPageSize::A4));
    return p;
  }();
  return *printer;
}

bool PrinterInstalled(const QPrinter& printer) {
  return !printer.outputFileName().isEmpty() || !QPrinterInfo::availablePrinters().isEmpty();
}

bool RunPrinterSetup(QPrinter& printer, QWidget* parent) {
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle("Настройка принтера");
  return ExecModal(dialog) == QDialog::Accepted;
}

bool ChooseFont(QFont& font, QWidget* parent) {
  QFontDialog dialog(font, parent);
  if (ExecModal(dialog) != QDialog::Accepted) return false;
  font = dialog.currentFont();
  return true;
}

}  // namespace ld::gui
