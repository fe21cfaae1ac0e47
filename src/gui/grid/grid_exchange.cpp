#include "gui/grid/grid_exchange.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "core/base/error.h"
#include "core/base/msgbox.h"
#include "core/office/table_sheet.h"
#include "core/office/xlsx_file.h"
#include "gui/common/modal.h"
#include "gui/grid/data_grid.h"

namespace ld::gui {

namespace {

TDocumentOpener& Opener() {
  static TDocumentOpener opener = [](const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
  };
  return opener;
}

}  // namespace

TDocumentOpener SetDocumentOpener(TDocumentOpener opener) { return std::exchange(Opener(), std::move(opener)); }

std::string ExecFileDialog(QFileDialog& dialog) {
  QString chosen;
  const auto connection = QObject::connect(&dialog, &QFileDialog::fileSelected, [&](const QString& file) { chosen = file; });
  const int result = ExecModal(dialog);
  QObject::disconnect(connection);
  if (result != QDialog::Accepted) return {};
  if (chosen.isEmpty() && !dialog.selectedFiles().isEmpty()) chosen = dialog.selectedFiles().first();
  return chosen.toStdString();
}

void ExportSpreadsheet(TDataGrid5& grid) {
  grid.ExportText();
  Workbook book;
  book.sheets.push_back(TableToSheet(grid.table()));
  const std::string path = StartFolder() + "textfile.xlsx";
  WriteXlsx(path, book);
  OpenWrittenFile(path, "Таблица записана", "таблиц");
}

void OpenWrittenFile(const std::string& path, const std::string& written, const std::string& kinds) {
  // The file is there whether or not the desktop has a program for it: say where it lies.
  const TDocumentOpener& opener = Opener();
  if (!opener || !opener(path))
    ShowMsgForm(written + " в файл \"" + path + "\".\nОткрыть его не удалось: нет программы для просмотра " + kinds +
                    " такого вида.",
                mkInfo, mbOk);
}

void ImportSpreadsheet(TDataGrid5& grid) {
  if (grid.Modified() && !grid.SaveFile()) return;
  grid.Reload();
  grid.LockNoModify();
  bool changed = false;
  try {
    ShowMsgForm(
        "Данные из файла *.xls переписываются в таблицу по столбцам с одинаковыми заголовками. Запись начинается с "
        "первых строк таблицы поверх предыдущих данных. Запись продолжается до пустой ячейки в первой колонке файла "
        "*.xls",
        mkWarning, mbOk);
    std::string folder = std::filesystem::path(grid.FileName()).parent_path().string();
    if (folder.empty()) folder = std::filesystem::current_path().string();
    QFileDialog dialog(&grid, "Ввод данных Excel", QString::fromStdString(folder),
                       "Файлы Excel (*.xls *.xlsx)");
    dialog.setObjectName("ImportDialog");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix("xls");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const std::string file = ExecFileDialog(dialog);
    if (file.empty()) {
      grid.ReleaseNoModify();
      return;
    }
    // The workbook's first sheet is read whole, each cell as it shows, and every row checked before the
    // table changes: one that gives no row leaves the table, its changed mark and its lock as they were.
    ImportWorkbookIntoTable(file, *grid.GetTable(), [&] {
      changed = true;
      grid.LockOnce();  // already held: this only marks the table changed
      grid.Refresh();
      ShowMsgForm("Ввод данных закончен", mkInfo, mbOk);
    });
  } catch (...) {
    if (!changed) grid.ReleaseNoModify();
    throw;
  }
}

}  // namespace ld::gui
