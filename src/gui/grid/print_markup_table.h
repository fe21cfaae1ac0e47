#pragma once
// The print text of a table: a header row of the shown columns' titles and one row per table row,
// each cell with its colour mark, in the report markup.
#include <string>
#include <vector>

#include "core/tables/layout.h"

namespace ld {

// Appends "StartTable№&<colors>~<title>&..." and, for rows 1..RowCount, "Table<r>&<mark>~<text>&...":
// the shown columns in layout order, a cell's mark being the row's mark or, without one, the column's
// colours; an empty cell prints as one blank. The caller drops empty tail rows first.
void AppendTablePrintLines(const TDataFile& table, std::vector<std::string>& lines);

}  // namespace ld
