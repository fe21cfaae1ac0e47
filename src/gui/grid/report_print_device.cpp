#include "gui/grid/report_print_device.h"

#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

#include "gui/common/modal.h"

namespace ld::gui {

QPrinter& ReportPrinter() {
  static const std::unique_ptr<QPrinter> printer = NewPagePrinter();
  return *printer;
}

std::unique_ptr<QPrinter> NewPagePrinter() {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setFullPage(true);
  printer->setPageSize(QPageSize(QPageSize::A4));
  return printer;
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
