#pragma once
// A table as a spreadsheet and back: the export writes the visible columns under their titles, the
// input fills table columns from the sheet columns whose title row names them.
#include <functional>
#include <string>

#include "core/office/workbook.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

// The stored value of a numeric cell (0 for other types).
double StoredNumber(const TDataFile& table, int row, int col);

// Title row "№ п/п" and the visible columns' titles in bold, then one row per table row: its number
// and the cells, numbers as numbers (their stored values), texts as texts; zeros stay empty as in
// the grid.
Worksheet TableToSheet(const TDataFile& table);

// The table window's input of the workbook `file` into `table`, along the one import path
// (RunFileImport). The first sheet is read whole (TSheetReader: each cell as the sheet shows it, a meter
// padded with zeros, a duration as hours and minutes, a merged name on every row it covers) and every row
// checked before anything is written. Rows: up to the first empty cell of column 1 (row 1 holds the
// titles), at most the rows the table's columns can hold. Columns: up to the first empty title; a sheet
// column whose title equals the title of a column the user may edit fills that column from table row 1
// on, and the table's row count rises to the rows taken. A sheet of no such column, without the table's
// key column, of a title over two columns or of no data row takes nothing and is refused
// (NothingImportedText, saying why): it would only mark the table changed or add empty rows. A value
// that the column cannot take whole throws ld::Error naming the file, the sheet and the cell: a text
// longer than the column's CtrlSize (any column but a float one, which would keep only its first
// characters), a text with a character without a Windows-1251 code for a text column, a text that is no
// number (or a date) for a number column, a number that is no integer of an integer column's type, a
// number that is NaN, infinite or beyond what the columns hold (ImportNumberFault), and an empty cell of
// a key column of the table. Each value goes through the rules of outside values: a name loses the
// blanks, tabs and line breaks at its ends, a control character inside refuses it. A refusal leaves the
// table as it was. Once the rows are in the table, `filled` runs (the window marks the table changed and
// shows it; a command saves it). Gives what the read took.
TImportTaken ImportWorkbookIntoTable(const std::string& file, TDataFile& table,
                                     const std::function<void()>& filled = {});

}  // namespace ld
