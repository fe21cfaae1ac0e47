#pragma once
// The district base's tables filled from a measurement workbook, as the base window's measurement
// imports fill them.
#include <functional>
#include <string>
#include <vector>

#include "core/district/measure_sheet.h"
#include "core/tables/file_import.h"

namespace ld {

// The tables of the layouts as they stand in the base of the stem (an empty one of its layout where the
// base has no such file yet: writing it creates the file), filled from the workbook by measure along the
// one import path: the workbook read whole first, refused by name (and cell) when it measures nothing or
// a cell refuses it, and then the tables written together in one run, under the locks of the command
// taken before the tables are read.
using TMeasure = std::function<TImportTaken(std::vector<TDataFile>& tables, const TSheetCells& cells)>;
void MeasureBaseTables(const std::string& stem, const std::string& file, const std::vector<const char*>& layouts,
                       const TMeasure& measure);

}  // namespace ld
