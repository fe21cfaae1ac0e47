#include "gui/grid/report_print_device.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <sys/stat.h>

#include <memory>

#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/msgbox.h"
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
  std::string target = file;
  try {
    file_ = std::make_unique<TFileReplacement>(file);
    target = file_->TempName();
  } catch (const Error&) {
    // a folder that is not there: the printing itself fails and says so, as for any printer
  }
  printer.setOutputFileName(QString::fromStdString(target));
  changed_ = true;
}

TPdfFallback::~TPdfFallback() {
  if (!changed_) return;
  printer_.setOutputFileName(QString());
  printer_.setOutputFormat(format_);
  if (!file_) return;
  // An empty file is a printing that never began: the named file keeps what it had.
  struct stat written {};
  if (::stat(file_->TempName().c_str(), &written) != 0 || written.st_size == 0) return;
  try {
    if (!file_->Rewritten()) file_->Fail();
    file_->Commit();
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
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
