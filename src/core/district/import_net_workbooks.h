#pragma once
// A new district base from network workbooks, one feeder per workbook. The first sheet holds the
// network's nominal voltage in cell (1, 1) and from row 4 on one section per row: begin node, end node
// of a branch section (empty for a main-line section, which ends where the next row begins), length in
// km, line mark, "1" for transformers of subscribers, and the powers of up to four transformers at the
// end node ("0" for none).
#include <string>
#include <vector>

#include "core/district/base_import.h"

namespace ld {

// The last row of a sheet column that holds a value (used(row) is true), read downwards from row 1 until
// ten empty cells follow one another; 0 when the first ten are empty.
int LastUsedRow(const std::function<bool(int row)>& used);

// Reads the workbooks in the order given into a new base of the stem; the station rows stay in the
// order they were met. A row that cannot be taken adds "файл <full path>, строка <n>: <reason>" and the
// next row goes on. A workbook that cannot be opened throws its read error naming it. Progress restarts
// at 0 for each workbook and advances by 10 at every tenth of its rows. A damaged cell (a text the
// workbook does not hold), and a text that would not go whole into the field it fills (a name into the
// 40 characters of a node or station, a mark with its length into the line mark's field, the voltage
// of cell (1, 1) into its own), refuse the workbook with the read error naming the file, the sheet and
// the cell. A row is whole when its length reads; a workbook whose cell (1, 1) is no number or no
// network's voltage (0.2 to 35 kV), whose heading over the lengths (C2) says no length or over a
// transformer's power (F2 to I2) no rated power in kVA (HeadingFault: a count, a year, another quantity
// or unit), or a row of which begins at a date instead of a node, is no network workbook; a length headed
// in metres, or a power in MVA, is brought to km or kVA exactly (HeadingScale); such a
// workbook, and one none of whose rows is whole, gives no section and is refused by its name (RefuseIfNothingTaken) with the first
// reason, whatever the other workbooks give. What the rows of a workbook take in memory is held to
// the bound of its cells (ImportBudget): past it the workbook is refused by name. Only the first
// kMaxImportMessages row messages are kept, and a line of how many more there were. Returns the whole
// rows of all the workbooks.
TImportTaken ImportNetWorkbooks(const std::vector<std::string>& files, const std::string& baseStem,
                                TBaseImport& base, const TImportProgress& progress = {});

}  // namespace ld
