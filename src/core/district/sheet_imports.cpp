#include "core/district/sheet_imports.h"

#include "core/base/error.h"
#include "core/district/feeder_measure.h"
#include "core/district/subscriber_xls.h"
#include "core/district/tp_measure.h"

namespace ld {

const std::vector<TSheetImport>& SheetImports() {
  static const std::vector<TSheetImport> imports = {
      {kMeterPointsSheet, {LayoutMeterPoints}, true,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ReadMeterPointsSheet(cells, t[0], *run.Messages, run.Progress, run.Held);
       }},
      {kHouseholdsSheet, {LayoutHouseholds}, true,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ReadHouseholdsSheet(cells, t[0], *run.Messages, run.Progress, run.Held);
       }},
      {kTechnicalSheet, {LayoutSubstInputs, LayoutSubstFeeders}, false,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ReadTechnicalSheet(cells, t[0], t[1], *run.Messages, run.Progress, run.Stage, run.Held);
       }},
      {kFeederMeasureSheet, {LayoutSubstInputs, LayoutSubstFeeders}, false,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ImportFeederMeasurements(t[0], t[1], cells, *run.Messages, run.Stage, run.Progress);
       }},
      {kTransformerMeasureSheet, {LayoutTransTP}, false,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ImportTPMeasurements(t[0], cells, run.Setting, *run.Messages, run.Progress);
       }},
      {kStationMeasureSheet, {LayoutTransTP}, false,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ImportTPStationMeasurements(t[0], cells, MeasurementType(static_cast<float>(run.Setting)),
                                            *run.Messages, run.Progress);
       }},
  };
  return imports;
}

const TSheetImport& FindSheetImport(std::string_view name) {
  for (const TSheetImport& import : SheetImports())
    if (name == import.Name) return import;
  throw Error("нет чтения листа \"" + std::string(name) + "\"");
}

}  // namespace ld
