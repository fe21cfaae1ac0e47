#pragma once
// Graphs from the workbooks of two metering systems. The reading takes cells of the first sheet through
// a cell reader, so it does not care how the file was stored; ReadMeteringWorkbook gives it a workbook's.
#include <functional>
#include <string>

#include "core/base/outside_value.h"
#include "core/catalogs/import_rows.h"
#include "core/tables/layout.h"

namespace ld {

// The value of the cell at (row, col), both from 1, which the readers take only through its rules (a
// name, a number, an integer, a date, or the fault of each).
using TCellReader = std::function<TOutsideValue(int row, int col)>;
// The file and the sheet the cells come from, for the messages that name a cell.
struct TImportSource {
  std::string file;
  std::string sheet;
};

// First metering system: blocks of a head row (title, unit, number), one row not read, then day rows
// (a date, then the values of hours 0..23); a block ends at the first row without a date in column 1
// and an empty title ends the workbook. Each block whose number is new becomes a graph by slices of an
// hour; the values of empty cells are left out. Nothing is written: the whole sheet is read first. A
// title that the catalogue's title field cannot hold whole, a number cell that is empty or not an
// integer, a value that is no number (a date typed into an hour's cell is none), NaN, infinite or more
// than a table column holds throws ld::Error (ImportCellMessage) naming the source's file, sheet and cell
// with the rule's reason.
TGraphsRead ReadMeteringSlices(const TCellReader& cell, const TDataFile& catalog, const TImportSource& source = {});

// Second metering system: one row per graph (title, unit, number, the values of hours 1..24 of a
// typical day). New numbers become typical graphs. Errors as above.
TGraphsRead ReadMeteringTypical(const TCellReader& cell, const TDataFile& catalog, const TImportSource& source = {});

// Either of the two from the first sheet of the workbook `file` (.xls or .xlsx), read as the sheet shows
// it (TSheetReader). Fails with the reader's refusal of the file, or the readers' above.
TGraphsRead ReadMeteringWorkbook(const std::string& file, const TDataFile& catalog, bool typical);

}  // namespace ld
