#pragma once
// A table as a spreadsheet and back: the export writes the visible columns under their titles, the
// import fills table columns from the sheet columns whose title row names them.
#include <string>

#include "core/office/workbook.h"
#include "core/tables/layout.h"

namespace ld::gui {

// The stored value of a numeric cell (0 for other types).
double StoredNumber(const TDataFile& table, int row, int col);

// Title row "№ п/п" and the visible columns' titles in bold, then one row per table row: its number
// and the cells, numbers as numbers (their stored values), texts as texts; zeros stay empty as in
// the grid.
Worksheet TableToSheet(const TDataFile& table);

// Rows: up to the first empty cell of column 1 (row 1 holds the titles). Columns: up to the first
// empty title. Each sheet column whose title equals a column title of the layout fills that column
// from table row 1 on (columns the user may not edit are left alone). Rows beyond maxRows are not
// read. Returns the number of data rows of the sheet that were taken. Before any cell is written, a
// value that the column cannot take whole throws ld::Error naming fileName, the sheet and the cell: a
// text longer than the column's CtrlSize (any column but a float one, which would keep only its first
// characters), a text with a character without a Windows-1251 code for a text column, a text for a
// float column longer than the widest column, a number that is NaN, infinite or beyond what the columns
// hold (ImportNumberFault).
int SheetToTable(const Worksheet& sheet, TDataFile& table, int maxRows, const std::string& fileName);

}  // namespace ld::gui
