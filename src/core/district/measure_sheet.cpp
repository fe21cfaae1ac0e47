#include "core/district/measure_sheet.h"

#include "core/base/codepage.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/district/subscriber_cells.h"
#include "core/office/sheet_reader.h"

namespace ld {

namespace {

// Where a measurement sheet's names end: this many empty cells one after another.
constexpr int kEndOfNames = 100;

// The cell's number; false for a text that is none or a value no table column holds.
bool CellNumber(const TSheetCells& cells, int col, int row, double& value) {
  const std::optional<double> v = SheetImportNumber(cells, row, col);
  if (v) value = *v;
  return v.has_value();
}

}  // namespace

TSheetCells SheetCells(TSheetReader& sheet) {
  // A text longer than any name or number of the tables matches none, and copying it for every read of
  // a cell naming it would cost as much as the text each time: the reader looks at each text once.
  const int longest = LongestTextField({LayoutTransTP, LayoutSubstInputs, LayoutSubstFeeders});
  // the names are compared as ImportName cuts them: the blanks and line breaks at their ends do not count
  sheet.SetTextCheck([longest](std::string_view text) { return ImportTrimmedLengthFault(text, longest); });
  return ReaderCells(sheet);
}

std::vector<TSheetName> ScanNameColumn(const TSheetCells& cells, const TNameColumn& column) {
  std::vector<TSheetName> names(1);
  int empty = 0;
  for (int row = 1; empty < kEndOfNames; ++row) {
    TValueRead<std::string> read = cells(row, column.Col).Name();
    TSheetName name;
    if (read) {
      name.Name = column.Normalise ? column.Normalise(*read) : *read;
    } else {
      name.Fault = std::move(read.Fault);
    }
    if (name.Name.empty() && name.Fault.empty()) {
      ++empty;
      if (column.CarryDown) name = names.back();
    } else {
      empty = 0;
    }
    names.push_back(std::move(name));
  }
  names.resize(names.size() - kEndOfNames);
  return names;
}

std::string TakeName(const TSheetCells& cells, int row, int col) {
  TValueRead<std::string> name = cells(row, col).Name();
  if (!name) throw TCellTextError(row, col, std::move(name.Fault));
  return std::move(*name.Value);
}

std::string TakeJoinedName(const TSheetCells& cells, int row, int col) {
  TValueRead<std::string> name = cells(row, col).LinesJoined().Name();
  if (!name) throw TCellTextError(row, col, std::move(name.Fault));
  return std::move(*name.Value);
}

std::string UpperTrimmed(std::string_view text) { return UpperCase(ImportName(text)); }

std::string SheetReadError(int row, int col) {
  return "Ошибка чтения. Строка " + std::to_string(row) + ", столбец " + std::to_string(col);
}

bool ReadSheetValue(const TSheetCells& cells, int col, int row, double& value, std::vector<std::string>& messages) {
  TImportMessages bounded(messages);
  return ReadSheetValue(cells, col, row, value, bounded);
}

bool ReadSheetValue(const TSheetCells& cells, int col, int row, double& value, TImportMessages& messages) {
  if (CellNumber(cells, col, row, value)) return true;
  messages.Add([&] { return SheetReadError(row, col) + SheetCellFault(cells, row, col); });
  return false;
}

bool ReadSheetValue(const TSheetCells& cells, int col, int row, float& value, TImportMessages& messages) {
  // every number a table column takes fits a single-precision value
  if (double v = 0; CellNumber(cells, col, row, v)) {
    value = static_cast<float>(v);
    return true;
  }
  messages.Add([&] { return SheetReadError(row, col) + SheetCellFault(cells, row, col); });
  return false;
}

}  // namespace ld
