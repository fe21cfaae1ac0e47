#include "gui/grid/report_print_device.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

#include "gui/common/modal.h"
#include "gui/grid/grid_exchange.h"

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

TPdfFallback::TPdfFallback(QPrinter& printer, const std::string& suggestedFile, QWidget* parent) : printer_(printer) {
  if (PrinterInstalled(printer)) return;
  QFileDialog dialog(parent, "Печать в файл PDF", QString::fromStdString(suggestedFile), "Документ PDF (*.pdf)");
  dialog.setObjectName("PdfFileDialog");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("pdf");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  const std::string file = ExecFileDialog(dialog);
  if (file.empty()) {
    ready_ = false;
    return;
  }
  format_ = printer.outputFormat();
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(file));
  changed_ = true;
}

TPdfFallback::~TPdfFallback() {
  if (!changed_) return;
  printer_.setOutputFileName(QString());
  printer_.setOutputFormat(format_);
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
