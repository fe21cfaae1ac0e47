#pragma once
// The grid's exchange with the spreadsheet application: the table written as a workbook and opened
// with the desktop's default application, and a workbook read into the table.
#include <functional>
#include <string>

class QFileDialog;

namespace ld::gui {

class TDataGrid5;

// Opens a written file in the application the desktop associates with it; true when it could.
using TDocumentOpener = std::function<bool(const std::string& path)>;
// Installs an opener (tests record instead of starting programs); returns the one before.
TDocumentOpener SetDocumentOpener(TDocumentOpener opener);

// Opens a file just written with the desktop's application; when none can, tells where the file lies:
// written + " в файл \"path\"", and that no program shows kinds ("таблиц", "документов") of its kind.
void OpenWrittenFile(const std::string& path, const std::string& written, const std::string& kinds);

// Runs a file dialog through ExecModal; the chosen file, or empty when none was chosen.
std::string ExecFileDialog(QFileDialog& dialog);

// Writes "textfile.txt" and "textfile.xlsx" in the start folder and opens the workbook.
void ExportSpreadsheet(TDataGrid5& grid);
// Asks for a workbook and reads its first sheet into the table by column titles.
void ImportSpreadsheet(TDataGrid5& grid);

}  // namespace ld::gui
