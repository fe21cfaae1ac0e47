#pragma once
// Workbooks as every command reads them (the district's imports, the grid's input, the catalogue's
// metering books, the regime's measurements): one workbook at a time by its full path, its first sheet
// only, one cell at a time by row and column as a value shown as the sheet shows it. A command that
// reads several workbooks opens them one after another with the same reader. Nothing outside the
// program is started, so the reader's end is the end of its work: there is no application to ask to quit.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/base/outside_value.h"
#include "core/office/merged_ranges.h"
#include "core/office/number_formats.h"
#include "core/office/workbook.h"

namespace ld {

namespace office {
class TStringTable;
class TRawCells;
}

// Why a text of a workbook cannot be taken (Russian); empty when it can.
using TSheetTextCheck = std::function<std::string(std::string_view text)>;

class TSheetReader {
public:
  TSheetReader();
  ~TSheetReader();
  TSheetReader(const TSheetReader&) = delete;
  TSheetReader& operator=(const TSheetReader&) = delete;

  // Opens the workbook (.xlsx or legacy .xls, told by its contents), closing the one open before; only
  // the first sheet is read, and kept in compact form (a sheet of a million rows fits in memory).
  // Fails with ReadWorkbook's error 'Ошибка чтения файла "<path>": <reason>', and a workbook without
  // a worksheet with 'Ошибка чтения файла "<path>": в книге нет листов', and one whose first sheet is
  // hidden with HiddenFirstSheetMessage (no later sheet is read in its place), one whose first sheet holds
  // no row of a table (HoldsTableRow) while a later visible one holds a table with
  // FirstSheetWithoutTableMessage, one whose first sheet's
  // merged ranges overlap (which value would their shared cells show?) or are more than a file of its
  // size may hold with 'Ошибка чтения файла "<path>": лист "<sheet>": объединенные ячейки A1:B3 и B3:C4
  // перекрываются'; no workbook is open then.
  void Open(const std::string& path);
  // Forgets the open workbook; nothing when none is open.
  void Close();
  bool IsOpen() const { return open_; }

  // Texts that Value gives are passed by the check first: each text of the workbook once, however many
  // cells name it (a long text named by thousands of cells is looked at once, and a refused one is
  // never copied), its verdict kept while the workbook stays open. Value fails for a cell whose text is
  // refused, with ld::Error 'Ошибка чтения файла "<path>": лист "<sheet>", ячейка <B5>: <reason>'.
  // The check stays for the workbooks opened later and may be put on an open one; an empty one takes
  // every text.
  void SetTextCheck(TSheetTextCheck check);

  // The value of cell (row, col) as the sheet shows it, which a reader takes only through its rules (a
  // name, a number, an integer, a date, or the fault of each): an unreadable cell is a value every rule
  // refuses with its reason; a text the check refuses fails as Cell does. A cell of a merged range shows
  // the range's value in the range's first column, in the rows below its first that the sheet holds data
  // in (TOutsideValue::Covered: a name, never a figure); a cell beside that column, and one in a row the
  // sheet holds nothing else in, shows nothing.
  TOutsideValue Value(int row, int col) const;
  // Whether cell (row, col) shows nothing, as Value(row, col).Blank() tells, without a copy or a walk of
  // its text: each text's blankness is decided once when the workbook opens, so a scan for the rows that
  // hold data costs a few steps a cell however long the text a range merged down the column shows.
  bool Blank(int row, int col) const;
  // Whether row `row` holds a cell that shows something of its own among columns 1..lastCol, not what a
  // merged range shows in it (a range merged down to the sheet's end gives no rows the sheet does not
  // hold): as many steps as the row stores cells, however many columns the sheet is wide.
  bool HoldsOwnData(int row, int lastCol) const;
  // The last row of the first sheet that holds a cell; 0 for none and when no workbook is open.
  int LastRow() const { return rowFirst_.size() < 2 ? 0 : static_cast<int>(rowFirst_.size()) - 2; }

  // The path given to Open and the first sheet's name (empty without a workbook or a sheet), for the
  // messages that name a cell.
  const std::string& FileName() const { return path_; }
  const std::string& SheetName() const;

private:
  // The raw texts are the office layer's own (office::TRawCells, its tests): a reader of a user's file
  // takes a cell only as a value (Value), so that none takes a text past the rules.
  friend class office::TRawCells;

  // The text of cell (row, col) of the first sheet, both from 1: numbers as Worksheet::CellText gives
  // them ("0.25", "250", "-1") unless their format gives them their text (ShownNumberText: a meter
  // "011070123456789" padded with zeros, a duration "36:30"; a day of the calendar is the whole day
  // here, "01.11.2026", as the whole workbook gives it, and as its format shows it in Value), texts as
  // they are, "" for an empty cell, a cell outside the sheet and
  // when no workbook is open. A cell that holds no value the program can take (a formula without its
  // stored result, an error value) fails with ld::Error UnreadableCellMessage naming the file, the
  // sheet and the cell, as Worksheet::Cell does: every import that reads it says so by its cell.
  std::string Cell(int row, int col) const;
  // Why cell (row, col) holds no value the program can take (UnreadableCellReason); empty for any other
  // cell. An import that reads a number cell by cell names such a cell among its unreadable ones.
  std::string UnreadableReason(int row, int col) const;
  // The number of cell (row, col) when it holds one (not a date, not a text): Cell gives
  // FloatToStrGeneral(value, 15) for it. False for any other cell.
  bool CellNumber(int row, int col, double& value) const;

  // One stored cell: 16 bytes, the text as an entry of the texts table. Readers give rows up to
  // 1048576, well inside 24 bits.
  struct TCell {
    std::uint32_t row : 24;
    std::uint32_t kind : 8;  // a CellKind, or kUnreadableKind + an UnreadableCell
    std::uint32_t col : 17;     // a legacy book's column may be read as 65536
    std::uint32_t format : 15;  // a number's format that gives its text: formats_[format - 1]; 0 none
    union {
      double number;
      std::uint32_t text;
    };
  };
  static_assert(sizeof(TCell) == 16);
  // Past every CellKind: the kinds of unreadable cells (an error value's text kept as a text's is).
  static constexpr std::uint32_t kUnreadableKind = 16;
  // Before them: an empty cell that may be a formula never calculated (office::TSheetSink::UnsureEmpty).
  static constexpr std::uint32_t kUnsureEmptyKind = 15;
  class TFirstSheet;

  // The value the file stores at (row, col), merged ranges aside.
  TOutsideValue StoredValue(int row, int col) const;

  // Whether the cell shows nothing of its own: an empty cell, a text of blanks.
  bool BlankCell(const TCell& cell) const;
  // Whether the stored cell shows something of its own: not blank, and not a cell a range covers.
  bool ShowsOwn(const TCell& cell) const;
  // Whether row `row` holds a cell that shows something of its own, not through a merged range.
  bool HoldsData(int row) const;

  // The stored cell, nullptr for an empty cell or one outside the sheet.
  const TCell* Find(int row, int col) const;

  // Whether the first sheet holds a row of a table: two cells of one row that show something. A title,
  // a column of notes and an empty sheet hold none.
  bool HoldsTableRow() const;
  // The first visible sheet after the first that holds a table, read anew from the open file; empty for
  // none, and where a later sheet cannot be read.
  std::string LaterTableSheet() const;

  // Whether a date cell holds a day of the calendar, not a duration or a time of day.
  bool IsDay(const TCell& cell) const;
  // The text of a number or date cell: its format's where the format gives it one, else as
  // NumberCellText gives it; `dropsDigits` as ShownNumberText tells it.
  std::string ShownText(const TCell& cell, bool* dropsDigits = nullptr) const;

  // Passes the text of a text cell by the check, once for each text; throws the refusal naming the cell.
  void CheckText(const TCell& cell, int row, int col) const;

  bool open_ = false;
  std::string path_;
  std::string sheetName_;
  std::vector<TCell> cells_;            // in row order, then column order; one per cell
  std::vector<office::TNumberFormat> formats_;  // the formats that give numbers their texts
  office::TMergedRanges merged_;
  std::vector<std::uint32_t> rowFirst_;  // the first cell of each row (index: row), one past the last row
  std::vector<bool> rowHolds_;           // by row: HoldsData
  std::vector<bool> blankTexts_;         // by entry of texts_: whether the text is blanks alone
  std::unique_ptr<office::TStringTable> texts_;
  TSheetTextCheck check_;
  // Per entry of texts_: 0 not yet checked, 1 taken, 2 refused (its reason in refusals_).
  mutable std::vector<std::uint8_t> verdicts_;
  mutable std::unordered_map<std::uint32_t, std::string> refusals_;
};

}  // namespace ld
