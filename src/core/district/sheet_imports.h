#pragma once
// The district's readers of a workbook sheet, as one list: every command that reads a subscriber or
// measurement workbook finds its reader here by name and runs it the same way, and whatever checks the
// readers (the grouped tests of the import rules) takes them from here, so that a reader added to the
// list is checked without anyone naming it again.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/callbacks.h"
#include "core/district/base_import.h"
#include "core/district/measure_sheet.h"
#include "core/district/sheet_import_names.h"
#include "core/office/zip_part.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

// What a run of a reader has besides the sheet and its tables.
struct TSheetImportRun {
  std::vector<std::string>* Messages = nullptr;  // the import's messages (never null in a run)
  // The command's one setting: the tangent of the transformers' loads, or the measurement type.
  double Setting = 0;
  TImportProgress Progress;
  TStageProc Stage;
  office::TFileScaledBudget* Held = nullptr;  // what the rows take in memory, when counted
};

struct TSheetImport {
  const char* Name;                  // as the import's messages name the sheet
  std::vector<const char*> Layouts;  // the tables it fills, in the order Read takes them
  // Whether the tables start empty (the reader makes them anew) or as the base holds them.
  bool Fresh;
  std::function<TImportTaken(std::vector<TDataFile>& tables, const TSheetCells& cells, const TSheetImportRun& run)>
      Read;
};

// Every reader of a district workbook sheet.
const std::vector<TSheetImport>& SheetImports();
// The reader of that name; throws ld::Error for a name the list does not hold.
const TSheetImport& FindSheetImport(std::string_view name);

}  // namespace ld
