#include "core/district/sheet_imports.h"

#include <algorithm>

#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/codepage.h"
#include "core/district/feeder_measure.h"
#include "core/district/subscriber_xls.h"
#include "core/district/tp_measure.h"
#include "core/tables/table_ops.h"

namespace ld {

const std::vector<TSheetImport>& SheetImports() {
  static const std::vector<TSheetImport> imports = {
      {kMeterPointsSheet, {LayoutMeterPoints}, true, 2,
       {{1, TSheetColumnKind::Digits, "номер строки"},
        {2, TSheetColumnKind::Name, "договор", {}, false},
        {6, TSheetColumnKind::Name, "ТП.Тр.Фидер"},
        {13, TSheetColumnKind::Number, "энергия", {}, false}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ReadMeterPointsSheet(cells, t[0], *run.Messages, run.Progress, run.Held);
       }},
      {kHouseholdsSheet, {LayoutHouseholds}, true, 0,
       {{1, TSheetColumnKind::Digits, "номер фидера"},
        {2, TSheetColumnKind::Name, "фидер", {}, false},
        {3, TSheetColumnKind::Number, "число абонентов"},
        {4, TSheetColumnKind::Number, "энергия", {}, false}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ReadHouseholdsSheet(cells, t[0], *run.Messages, run.Progress, run.Held);
       }},
      {kTechnicalSheet, {LayoutSubstInputs, LayoutSubstFeeders}, false, 1,
       {{1, TSheetColumnKind::Name, "ввод или фидер"}, {2, TSheetColumnKind::Number, "активная энергия"}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ReadTechnicalSheet(cells, t[0], t[1], *run.Messages, run.Progress, run.Stage, run.Held);
       }},
      {kFeederMeasureSheet, {LayoutSubstInputs, LayoutSubstFeeders}, false, 0,
       {{3, TSheetColumnKind::Name, "ввод или фидер"}, {8, TSheetColumnKind::Number, "активная мощность"}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ImportFeederMeasurements(t[0], t[1], cells, *run.Messages, run.Stage, run.Progress);
       }},
      {kTransformerMeasureSheet, {LayoutTransTP}, false, 0,
       {{3, TSheetColumnKind::Name, "ТП"}, {5, TSheetColumnKind::Digits, "номинальная мощность"}},
       0,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ImportTPMeasurements(t[0], cells, run.Setting, *run.Messages, run.Progress);
       }},
      // one row per station: its total rated power and load, or (under a heading in column 4) those of
      // Т1 to Т3 side by side
      {kStationMeasureSheet, {LayoutTransTP}, false, 1,
       {{1, TSheetColumnKind::Name, "ТП"},
        {2, TSheetColumnKind::Number, "номинальная мощность", {"S", "МОЩН", "КВА", "KVA", "НОМ", "Т1", "ТР"}, false},
        {3, TSheetColumnKind::Number, "нагрузка"}},
       4,
       [](std::vector<TDataFile>& t, const TSheetCells& cells, const TSheetImportRun& run) {
         return ImportTPStationMeasurements(t[0], cells, MeasurementType(static_cast<float>(run.Setting)),
                                            *run.Messages, run.Progress);
       }},
  };
  return imports;
}

namespace {

// Where a sheet's data end: this many empty key cells one after another.
constexpr int kEndOfRows = 100;

// Empty when the cell holds what its column does; otherwise why not. A cell that cannot be read, or
// that shows a merged range's value, holds a value all the same: the reader names it by its cell.
std::string Lacks(const TSheetColumn& column, const TOutsideValue& cell) {
  if (cell.Kind() == TOutsideValue::TKind::Unreadable || !cell.CoveredFault().empty()) return {};
  if (cell.Blank()) return "ячейка пуста";
  const TValueRead<std::string> name = cell.Name();
  switch (column.Kind) {
    case TSheetColumnKind::Name:
      return {};
    case TSheetColumnKind::Number: {
      const TValueRead<double> number = cell.Number();
      return number ? std::string() : number.Fault;
    }
    case TSheetColumnKind::Digits:
      break;
  }
  return !name || name.Value->find_first_of("0123456789") != std::string::npos ? std::string() : "в ячейке нет цифр";
}

std::string Cell(int row, int col) { return "ячейка " + SheetCellName(row, col) + ": "; }

}  // namespace

std::string SheetKindFault(const TSheetImport& import, const TSheetCells& cells) {
  const std::string other = "не является листом \"" + std::string(import.Name) + "\": ";
  // the headings over its own columns name them
  if (import.HeadingRow > 0)
    for (const TSheetColumn& column : import.Columns) {
      if (column.Headings.empty()) continue;
      const TValueRead<std::string> heading = cells(import.HeadingRow, column.Col).Name();
      if (!heading) return Cell(import.HeadingRow, column.Col) + heading.Fault;
      const std::string upper = UpperCase(*heading.Value);
      if (upper.empty()) continue;
      bool names = false;
      for (const char* word : column.Headings) names = names || upper.find(word) != std::string::npos;
      if (!names)
        return other + Cell(import.HeadingRow, column.Col) + "заголовок \"" + *heading.Value + "\" - не заголовок столбца " +
               std::to_string(column.Col) + " (" + column.Title + ")";
    }
  const bool beyond = import.Beyond > 0 && cells(import.HeadingRow, import.Beyond).Blank();
  const int key = import.Columns.front().Col;
  bool whole = false;
  std::string first;  // why the first row of the data is none of the sheet's
  for (int row = import.HeadingRow + 1, empty = 0; empty < kEndOfRows; ++row) {
    if (cells(row, key).Blank()) {
      ++empty;
      continue;
    }
    empty = 0;
    // a value under an empty heading after the sheet's own columns would be passed over without a word
    if (beyond && !cells(row, import.Beyond).Blank())
      return other + Cell(row, import.Beyond) + "значение в столбце " + std::to_string(import.Beyond) +
             ", над которым нет заголовка";
    if (!whole)
      whole = std::all_of(import.Columns.begin(), import.Columns.end(), [&](const TSheetColumn& column) {
        if (!column.InEveryRow) return true;
        const std::string lacks = Lacks(column, cells(row, column.Col));
        if (!lacks.empty() && first.empty())
          first = "строка " + std::to_string(row) + ", столбец " + std::to_string(column.Col) + ": " + lacks;
        return lacks.empty();
      });
    if (whole && !beyond) break;
  }
  if (whole) return {};
  std::string columns;
  for (const TSheetColumn& column : import.Columns)
    if (column.InEveryRow)
      columns += std::string(columns.empty() ? "" : ", ") + "столбец " + std::to_string(column.Col) + " (" +
                 column.Title + ")";
  return other + "нет ни одной строки, в которой заполнены " + columns + (first.empty() ? "" : " (" + first + ")");
}

TImportTaken TSheetImport::Read(std::vector<TDataFile>& tables, const TSheetCells& cells,
                                const TSheetImportRun& run) const {
  if (std::string fault = SheetKindFault(*this, cells); !fault.empty()) return {0, std::move(fault)};
  std::vector<TDataFile> before(tables.size());
  for (std::size_t i = 0; i < tables.size(); ++i) CopyTable(tables[i], before[i]);
  // a refusal by a cell met after the reset leaves the tables as they were, as nothing taken does
  try {
    TImportTaken taken = Take(tables, cells, run);
    if (taken.Items <= 0) tables.swap(before);
    return taken;
  } catch (...) {
    tables.swap(before);
    throw;
  }
}

const TSheetImport& FindSheetImport(std::string_view name) {
  for (const TSheetImport& import : SheetImports())
    if (name == import.Name) return import;
  throw Error("нет чтения листа \"" + std::string(name) + "\"");
}

}  // namespace ld
