#pragma once
// The texts of a workbook's cells as the office layer keeps them, for the office layer and its tests
// only: a whole workbook read into Worksheets (ReadWorkbook), and the cells of the sheet reader. No
// import reads through this: an import takes a cell as a value (TSheetReader::Value), through the
// rules of names, numbers and dates, shown as the sheet shows it.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/office/sheet_reader.h"
#include "core/office/workbook.h"

namespace ld::office {

class TRawCells {
public:
  explicit TRawCells(const TSheetReader& sheet) : sheet_(sheet) {}
  std::string Cell(int row, int col) const { return sheet_.Cell(row, col); }
  bool CellNumber(int row, int col, double& value) const { return sheet_.CellNumber(row, col, value); }
  std::string UnreadableReason(int row, int col) const { return sheet_.UnreadableReason(row, col); }

private:
  const TSheetReader& sheet_;
};

// A sheet with what it holds in view: the cells as stored, without number formats or merged ranges.
class TRawSheet : public Worksheet {
public:
  using Worksheet::Worksheet;
  TRawSheet(Worksheet sheet) : Worksheet(std::move(sheet)) {}  // NOLINT: a sheet is viewed as it is

  using Worksheet::Cell;
  using Worksheet::CellText;
  using Worksheet::Cells;
  using Worksheet::IsEmpty;
  using Worksheet::UnreadableCells;
  using Worksheet::Value;

  // The stored cells of any sheet, for the writer of .xlsx files.
  static const std::map<std::pair<int, int>, SheetCell>& CellsOf(const Worksheet& sheet) { return sheet.Cells(); }
};

struct TRawBook {
  std::vector<TRawSheet> sheets;
};

// The book's first sheet; fails with HiddenFirstSheetMessage when it is hidden, and with 'Ошибка чтения
// файла "<file>": в книге нет листов' for a book of none.
const TRawSheet& FirstSheet(const TRawBook& book, const std::string& file);

}  // namespace ld::office

namespace ld {

// Reads a workbook from a file: .xlsx by its zip signature, legacy .xls by its compound-document
// signature, whatever the file's extension. Fails with ld::Error 'Ошибка чтения файла "<path>": <reason>',
// also when the cells kept whole would take more memory than 32 MB and 200 bytes for each byte of the
// file (a small file of a great many cells, or of many cells naming one long text). A cell holding a
// formula without its stored result, or an error value, is kept as unreadable (Worksheet::SetUnreadable):
// the workbook is read, and whatever reads that cell is refused naming it.
office::TRawBook ReadWorkbook(const std::string& path);
// The same of an .xlsx file (as WriteXlsx writes and other programs save them), and of a legacy .xls
// (BIFF5/BIFF8) file. Their rules: xlsx_file.h, xls_file.h.
office::TRawBook ReadXlsx(const std::string& path);
office::TRawBook ReadXls(const std::string& path);

}  // namespace ld
