#pragma once
// Workbooks as the district commands read them: one workbook at a time by its full path, its first
// sheet only, one cell at a time by row and column as text. A command that reads several workbooks
// opens them one after another with the same reader. Nothing outside the program is started, so the
// reader's end is the end of its work: there is no application to ask to quit.
#include <optional>
#include <string>

#include "core/office/workbook.h"

namespace ld {

class TSheetReader {
public:
  // Opens the workbook (.xlsx or legacy .xls, told by its contents), closing the one open before.
  // Fails with ReadWorkbook's error 'Ошибка чтения файла "<path>": <reason>'; no workbook is open then.
  void Open(const std::string& path);
  // Forgets the open workbook; nothing when none is open.
  void Close();
  bool IsOpen() const { return sheet_.has_value(); }

  // The text of cell (row, col) of the first sheet, both from 1: numbers as Worksheet::CellText gives
  // them ("0.25", "250", "-1"), texts as they are, "" for an empty cell, a cell outside the sheet, a
  // workbook without sheets and when no workbook is open.
  std::string Cell(int row, int col) const;

  // The path given to Open and the first sheet's name (empty without a workbook or a sheet), for the
  // messages that name a cell.
  const std::string& FileName() const { return path_; }
  const std::string& SheetName() const;

private:
  std::string path_;
  std::optional<Worksheet> sheet_;
};

}  // namespace ld
