#pragma once
// What the district's workbook imports share of a sheet: the first sheet seen as values that a reader
// takes only through the rules of outside values, the name column read down to the end of the data, and
// the reading of one name or number.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/import_messages.h"
#include "core/base/outside_value.h"

namespace ld {

class TSheetReader;

// The value of cell (row, col) of the workbook's first sheet, both from 1; an empty value for an empty
// cell. A reader takes a name, a number or a date from it by its rules, never the text as it stands.
using TSheetCells = std::function<TOutsideValue(int row, int col)>;

// The cells of the workbook open in the reader (or opened later). A text longer than the longest text
// field of the tables the measurements go to (the layouts' widths) refuses the workbook when its cell is
// read: ld::Error 'Ошибка чтения файла "<path>": лист "<sheet>", ячейка <B5>:
// <reason>'. The check is the reader's own (SetTextCheck), which looks at each text once.
TSheetCells SheetCells(TSheetReader& sheet);

// The position of a command's progress bar, 0..100.
using TMeasureProgress = std::function<void(int position)>;

// Progress by tenths of a count of rows: Advance with each row reached moves the bar 10 further each
// time the row has gone a tenth of the rows (all of them when fewer than ten) past the last move.
class TProgressTenths {
public:
  TProgressTenths(int rows, const TMeasureProgress& progress)
      : step_(rows / 10 == 0 ? rows : rows / 10), progress_(progress) {}
  void Advance(int row) {
    if (step_ <= 0 || row - mark_ < step_) return;
    mark_ = row;
    position_ = position_ + 10 > 100 ? 100 : position_ + 10;
    if (progress_) progress_(position_);
  }

private:
  int step_, mark_ = 0, position_ = 0;
  const TMeasureProgress& progress_;
};

// How a name column is read: each cell's name (TOutsideValue::Name) is normalised; with carryDown an
// empty name takes the name of the row above (it still counts as empty where the end of the data is
// sought).
struct TNameColumn {
  int Col = 1;
  std::function<std::string(std::string_view)> Normalise;
  bool CarryDown = false;
};

// A name of the column: the name, or why the cell gives none (a control character inside, a character
// without a Windows-1251 code, an unreadable cell), which matches no row of a table. A cell that gives no
// name is no empty one.
struct TSheetName {
  std::string Name;
  std::string Fault;
};

// The names of the column, entry i for sheet row i (entry 0 unused), down to the last row before the
// first run of 100 empty cells; size() - 1 is the number of rows.
std::vector<TSheetName> ScanNameColumn(const TSheetCells& cells, const TNameColumn& column);

// A name of the sheet as every import takes it (ImportName: blanks, no-break spaces, tabs and line breaks
// at its ends cut), upper-cased.
std::string UpperTrimmed(std::string_view text);

// The name of cell (row, col) as every import takes one (TOutsideValue::Name); a cell that gives none
// throws TCellTextError naming the cell and why, which the import turns into the workbook's refusal
// (CellRefusal).
std::string TakeName(const TSheetCells& cells, int row, int col);
// The same with a cell's lines joined (JoinCellLines), as the meter points' import takes its texts.
std::string TakeJoinedName(const TSheetCells& cells, int row, int col);

// The number of cell (row, col), read whole (SheetImportNumber; empty and "-" read 0). A text that is no
// number, or a number that no table column can hold, adds "Ошибка чтения. Строка <row>, столбец <col>"
// with the text and why it is none (SheetCellFault) to messages, leaves value as it was and gives false.
bool ReadSheetValue(const TSheetCells& cells, int col, int row, double& value, std::vector<std::string>& messages);
bool ReadSheetValue(const TSheetCells& cells, int col, int row, double& value, TImportMessages& messages);
// The same for a single-precision value.
bool ReadSheetValue(const TSheetCells& cells, int col, int row, float& value, TImportMessages& messages);

// The message of a cell that could not be read.
std::string SheetReadError(int row, int col);

}  // namespace ld
