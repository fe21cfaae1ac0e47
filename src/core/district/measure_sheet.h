#pragma once
// What the district's workbook imports share of a sheet: the first sheet seen as values that a reader
// takes only through the rules of outside values, the name column read down to the end of the data, the
// reading of one name or number, and the naming of a cell or a row that an import does not take.
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/column_headings.h"
#include "core/base/error.h"
#include "core/base/import_messages.h"
#include "core/base/outside_value.h"
#include "core/base/sheet_head.h"
#include "core/office/sheet_reader.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

class TSheetReader;

// The cells of the workbook open in the reader (or opened later) as the imports read them: each cell's
// value (TSheetReader::Value), which the readers take only through its rules.
TSheetCells ReaderCells(const TSheetReader& sheet);
// The number that cell (row, col) reads as (TOutsideValue::Number: a text read whole, empty is 0, a date
// refused), when a table may hold it; nothing otherwise. No exception: a sheet may hold a million cells
// that are no numbers.
std::optional<double> SheetImportNumber(const TSheetCells& cells, int row, int col);
// " (<reason>)" to follow the message of a cell that gave no number (SheetImportNumber): why the cell
// holds no value, why its number is one no column holds, or the cell's text and why it is no number;
// empty for a cell that gives one.
std::string SheetCellFault(const TSheetCells& cells, int row, int col);

// A sheet of another kind than its reader's (SheetKindFault): the workbook is refused by the sheet, saying
// for which command it is none and what it lacks, as a cell would refuse it (CellRefusal), never as a
// book that holds nothing.
class TSheetKindError : public TCellTextError {
public:
  explicit TSheetKindError(std::string reason) : TCellTextError(std::move(reason)) {}
};

// The longest text a field of these layouts' tables holds, in characters: the widest of their text
// columns, as the layouts give it.
int LongestTextField(const std::vector<const char*>& layouts);

// The bound for an import whose readers judge each text they store against its own field, where a text
// they never store (a title above the data) is no reason to refuse: a text of more bytes than a kilobyte
// and than a field of `longest` characters holds is no name of the tables however its ends are cut, and
// each read of a cell naming it would copy it whole; it refuses the workbook by the cell read first.
TSheetTextCheck ImportTextBound(int longest);
// The cells of the workbook open in the reader (or opened later), for a reader that fills or measures the
// layouts' tables (by default those of the station, input and feeder measurements). A text is judged for
// its length where a reader stores it, against its own field, and a text no reader stores (a title above
// the data, a name that matches none of the base's) is no reason to refuse the workbook, however long;
// only a text past the bound of every field (ImportTextBound) refuses it when its cell is read, since
// each read of a cell naming it would copy it whole: ld::Error 'Ошибка чтения файла "<path>": лист
// "<sheet>", ячейка <B5>: <reason>'. The check is the reader's own (SetTextCheck), which looks at each
// text once.
TSheetCells SheetCells(TSheetReader& sheet,
                       const std::vector<const char*>& layouts = {LayoutTransTP, LayoutSubstInputs, LayoutSubstFeeders});

// Whether a block of its own begins at `row`, below a sheet's data and an empty row (last month's table
// kept under this month's): rows without a value (its title) down to a row of headings (RowOfHeadings).
bool BlockBelow(const TSheetCells& cells, int row, const std::vector<int>& numbers);

// The first row below the titles at the top of a sheet whose key column (`key`) they leave empty (an
// approval block beside the columns, SheetTitleRow): 1 for a sheet without them.
int RowBelowTitles(const TSheetCells& cells, int key, const std::vector<int>& numbers, int last);

// The row of the headings of a format that has them at `row`, under its title, as a sheet gives them: the
// row of headings (RowOfHeadings) below the labels with their values that stand where they would
// (LabelRow); `row` where none stands there.
int HeadingRowBelowLabels(const TSheetCells& cells, int row, const std::vector<int>& numbers, int last);

// Where a sheet whose headings stand in its first rows has them: below its titles (SheetTitleRow, at
// most kMostTitleRows of them from `from`), the row of headings (0: the sheet has none, its data begin
// where its titles end) and the first row of its data, below the rows that continue the headings
// (HeadingRowBelow).
struct TSheetHead {
  int Heading = 0;
  int First = 1;
};
TSheetHead SheetHeadRows(const TSheetCells& cells, int from, int key, const std::vector<int>& numbers, int last);

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

// Whether cell (row, col) ends the data of a column that ends at its first empty cell: a blank cell does,
// but not the cell of a merged range in a row that holds nothing else (TOutsideValue::RangeOnly), whose
// row the readers pass over; one that may be a formula never calculated (TOutsideValue::EndFault) throws TCellTextError naming the
// cell with the advice to recalculate, as a cell that cannot be read does.
bool EndsData(const TSheetCells& cells, int row, int col);

// The names of stations, inputs or feeders in the column, entry i for sheet row i (entry 0 unused), down
// to the last row before the first run of 100 empty cells; size() - 1 is the number of rows. A cell that
// may be a formula never calculated is no empty cell: its name is that fault (TOutsideValue::EndFault);
// a name NamesUnit does not take is its fault too.
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

// Whether a name read from a sheet may name a station, an input or a feeder: an empty one (which names
// nothing, and which each reader names as a key left out) and any other but zeros alone ("0", "00"), by
// which no one numbers them and which is what a text formula shows where its book kept no text of it.
bool NamesUnit(std::string_view name);
// Why a name NamesUnit does not take names none, for a message naming its cell.
std::string UnitNameFault(std::string_view name);
// The same for another text a name column holds (`what`: "номер договора"): zeros alone are what a text
// formula shows where its book kept no text of it.
std::string LostTextFault(std::string_view text, std::string_view what);
// TakeJoinedName of a cell whose text names something (a contract, a subscriber; a meter's number may be
// 0): zeros alone throw TCellTextError naming the cell (LostTextFault), as a station's do.
std::string TakeNamingText(const TSheetCells& cells, int row, int col, std::string_view what);
// TakeName of a cell that names a station, an input or a feeder: a name NamesUnit does not take throws
// TCellTextError naming the cell, as one that cannot be read does.
std::string TakeUnitName(const TSheetCells& cells, int row, int col);

// The number of cell (row, col), read whole (SheetImportNumber; empty and "-" read 0). A text that is no
// number, or a number that no table column can hold, adds "Ошибка чтения. Строка <row>, столбец <col>"
// with the text and why it is none (SheetCellFault) to messages, leaves value as it was and gives false.
bool ReadSheetValue(const TSheetCells& cells, int col, int row, double& value, std::vector<std::string>& messages);
bool ReadSheetValue(const TSheetCells& cells, int col, int row, double& value, TImportMessages& messages);
// The same for a single-precision value.
bool ReadSheetValue(const TSheetCells& cells, int col, int row, float& value, TImportMessages& messages);

// The message of a cell that could not be read.
std::string SheetReadError(int row, int col);

// A sheet row that names something and is not taken is named by NameRowNotTaken (file_import.h), the one
// text of every measurement import.
// A name cell that gave no name (an error value, a formula without its result, a control character
// inside): 'Ошибка чтения. Строка <row>, столбец <col> (<why>)' in the messages and as the row's reason.
// Such a cell is never an empty one, a heading or a row to pass over.
void NameCellFault(int row, int col, const std::string& fault, TImportMessages& messages, TImportTaken& taken);

}  // namespace ld
