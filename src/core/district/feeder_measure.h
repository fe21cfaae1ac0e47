#pragma once
// Measured loads of a district's substation inputs and feeders from a measurement workbook: one sheet
// row per input or feeder, its name in column 3, two active values in columns 8 and 12 and two
// reactive values in columns 18 and 22, each pair summed.
#include <string>
#include <vector>

#include "core/base/callbacks.h"
#include "core/district/measure_sheet.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

// Fills P, Q and T of every input ("Формат РЭС (вводы п/ст)") and feeder ("Формат РЭС (фидеры п/ст)")
// whose name a row of the sheet holds, the uppermost such row; T becomes 5 with no reactive value, 4
// with one. An input or feeder with a negative T is left alone. Each name without a row, each name cell
// that cannot be read (NameCellFault), each row of values that no input or feeder took (NameRowNotTaken)
// and each cell that is no number adds its line to messages; a cell that is no number adds nothing to its sum.
// stage names each pass as it begins; progress runs from 0 to 100 over each of the two passes. Returns
// the inputs and feeders that took a row of the sheet whose four values read, and the first that did
// not (its name not found, a value that is no number).
TImportTaken ImportFeederMeasurements(TDataFile& inputs, TDataFile& feeders, const TSheetCells& cells,
                                      std::vector<std::string>& messages, const TStageProc& stage = {},
                                      const TMeasureProgress& progress = {});

}  // namespace ld
