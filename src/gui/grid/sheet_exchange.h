#pragma once
// A table as a spreadsheet and back: the export writes the visible columns under their titles, the
// import fills table columns from the sheet columns whose title row names them.
#include <string>
#include <vector>

#include "core/office/sheet_reader.h"
#include "core/office/workbook.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld::gui {

// The stored value of a numeric cell (0 for other types).
double StoredNumber(const TDataFile& table, int row, int col);

// Title row "№ п/п" and the visible columns' titles in bold, then one row per table row: its number
// and the cells, numbers as numbers (their stored values), texts as texts; zeros stay empty as in
// the grid.
Worksheet TableToSheet(const TDataFile& table);

// What a sheet gives a table: the table column each sheet column fills (0 for none) and the number of
// data rows.
struct TSheetColumns {
  std::vector<int> Targets;  // by sheet column, from 1
  int Rows = 0;
  int Widest = 0;  // the widest column of the table, in characters
};

// Reads the first sheet of a workbook (TSheetReader: each cell as the sheet shows it, a meter padded
// with zeros, a duration as hours and minutes, a merged name on every row it covers) for the table
// before anything is written. Rows: up to the first empty cell of column
// 1 (row 1 holds the titles), at most maxRows. Columns: up to the first empty title; a sheet column whose
// title equals the title of a column the user may edit fills that column from table row 1 on. A sheet of
// no such column or no data row takes nothing (Items 0, FirstReason saying why): it would only mark the
// table changed or add empty rows. Every row is checked whole: a value that the column cannot take
// whole throws ld::Error naming fileName, the sheet and the cell: a text longer than the column's
// CtrlSize (any column but a float one, which would keep only its first characters), a text with a
// character without a Windows-1251 code for a text column, a text that is no number (or a date) for a
// number column, a number that is no integer
// of an integer column's type, a number that is NaN, infinite or beyond what the columns hold
// (ImportNumberFault), and an empty cell of a key column of the table. Each value goes through the rules
// of outside values: a name loses the blanks, tabs and line breaks at its ends, a control character
// inside refuses it.
TImportTaken ReadSheetColumns(const TSheetReader& sheet, const TDataFile& table, int maxRows, const std::string& fileName,
                              TSheetColumns& columns);

// Writes the rows that ReadSheetColumns found into the table from row 1 on and raises its row count to
// them.
void SheetToTable(const TSheetReader& sheet, const TSheetColumns& columns, TDataFile& table);

}  // namespace ld::gui
