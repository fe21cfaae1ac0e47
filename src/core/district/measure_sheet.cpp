#include "core/district/measure_sheet.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/base/codepage.h"
#include "core/base/column_headings.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/office/sheet_reader.h"
#include "core/tables/layout.h"

namespace ld {

namespace {

// What reading a number cell's text in the general form gives back. A number of at most 15 significant
// digits in its shortest form comes back as it is, but for the sign of a zero: the nearest 15-digit
// decimal is that form itself; so does a whole number below 2^53, which the form shows whole. Others,
// and numbers near the ends of the range, take the text (FloatToStrGeneral(v, 15)).
double NumberReadBack(double v) {
  if (v == 0) return 0;
  // a whole number the sheet shows with all its digits, sixteen of them while a double holds each unit
  if (std::trunc(v) == v && std::fabs(v) < 9007199254740992.0) return v;
  if (const double a = std::fabs(v); a >= 1e-300 && a <= 1e300) {
    char text[40];
    const char* end = std::to_chars(text, text + sizeof text, v, std::chars_format::scientific).ptr;
    int digits = 0;
    for (const char* p = text; p != end && *p != 'e'; ++p) digits += *p >= '0' && *p <= '9';
    if (digits <= 15) return v;
  }
  return StrToFloatZ(FloatToStrGeneral(v, 15));
}

// The cell's number; false for a text that is none or a value no table column holds.
bool CellNumber(const TSheetCells& cells, int col, int row, double& value) {
  const std::optional<double> v = SheetImportNumber(cells, row, col);
  if (v) value = *v;
  return v.has_value();
}

}  // namespace


bool BlockBelow(const TSheetCells& cells, int row, const std::vector<int>& numbers) {
  for (int r = row; r < row + kMostTitleRows; ++r) {
    if (RowHoldsValue(cells, r, numbers)) return false;
    if (RowOfHeadings(cells, r, numbers)) return true;
  }
  return false;
}

int RowBelowTitles(const TSheetCells& cells, int key, const std::vector<int>& numbers, int last) {
  int row = 1;
  while (row <= kMostTitleRows && cells(row, key).Blank() && !cells(row, key).RangeOnly() &&
         cells(row, key).EndFault().empty() && SheetTitleRow(cells, row, numbers, last, false))
    ++row;
  return row;
}

int HeadingRowBelowLabels(const TSheetCells& cells, int row, const std::vector<int>& numbers, int last) {
  int below = row;
  while (below < row + kMostTitleRows && LabelRow(cells, below, last)) ++below;
  return below > row && RowOfHeadings(cells, below, numbers) ? below : row;
}

TSheetHead SheetHeadRows(const TSheetCells& cells, int from, int key, const std::vector<int>& numbers, int last) {
  const auto blank = [&](int row) {
    for (int col = 1; col <= last + kTitleReach; ++col)
      if (!cells(row, col).Blank()) return false;
    return true;
  };
  int row = from;
  while (row < from + kMostTitleRows && !RowHoldsValue(cells, row, numbers) &&
         (blank(row) || SheetTitleRow(cells, row, numbers, last, true)))
    ++row;
  if (row == from + kMostTitleRows || RowHoldsValue(cells, row, numbers)) {
    // no headings: the data begin right below the titles (or at `from`, where the titles go on)
    return {0, row == from + kMostTitleRows ? from : row};
  }
  TSheetHead head{row, row + 1};
  while (head.First - row < 4 && UnderHeadings(cells, head.First, key, numbers, last)) ++head.First;
  return head;
}

TSheetCells ReaderCells(const TSheetReader& sheet) {
  return [&sheet](int row, int col) { return sheet.Value(row, col); };
}

std::optional<double> SheetImportNumber(const TSheetCells& cells, int row, int col) {
  const TOutsideValue value = cells(row, col);
  const TValueRead<double> number = value.Number();
  if (!number) return std::nullopt;
  // a number cell as its shown digits read back, so that a sum stored as 0.30000000000000004 is 0.3
  if (value.Kind() != TOutsideValue::TKind::Number) return *number;
  const double v = NumberReadBack(*number);
  return ImportNumberFits(v) ? std::optional<double>(v) : std::nullopt;
}

std::string SheetCellFault(const TSheetCells& cells, int row, int col) {
  const TOutsideValue value = cells(row, col);
  TValueRead<double> number = value.Number();
  std::string reason = number ? ImportNumberFault(NumberReadBack(*number)) : std::move(number.Fault);
  return reason.empty() ? reason : " (" + reason + ")";
}

int LongestTextField(const std::vector<const char*>& layouts) {
  int longest = 0;
  for (const char* layout : layouts) {
    TDataFile table;
    ReadMaket(layout, table);
    for (int k = 1; k <= table.NCols; ++k)
      if (table.ColType[k] == 's' || table.ColType[k] == 't') longest = std::max<int>(longest, table.CtrlSize[k]);
  }
  return longest;
}

TSheetTextCheck ImportTextBound(int longest) {
  const std::size_t most = std::max(kMostCellBytes, 4 * static_cast<std::size_t>(std::max(longest, 0)));
  return [most, longest](std::string_view text) {
    return text.size() > most ? ImportLengthFault(text, longest) : std::string();
  };
}

TSheetCells SheetCells(TSheetReader& sheet, const std::vector<const char*>& layouts) {
  sheet.SetTextCheck(ImportTextBound(LongestTextField(layouts)));
  return ReaderCells(sheet);
}

bool EndsData(const TSheetCells& cells, int row, int col) {
  const TOutsideValue cell = cells(row, col);
  if (!cell.Blank() || cell.RangeOnly()) return false;
  if (std::string fault = cell.EndFault(); !fault.empty()) throw TCellTextError(row, col, std::move(fault));
  return true;
}

std::vector<TSheetName> ScanNameColumn(const TSheetCells& cells, const TNameColumn& column) {
  std::vector<TSheetName> names(1);
  int empty = 0;
  for (int row = 1; empty < kEndOfRows; ++row) {
    const TOutsideValue cell = cells(row, column.Col);
    TValueRead<std::string> read = cell.Name();
    TSheetName name;
    if (read && !NamesUnit(*read)) {
      name.Fault = UnitNameFault(*read);
    } else if (read) {
      name.Name = column.Normalise ? column.Normalise(*read) : *read;
      // an empty cell that may be a formula never calculated is no empty one
      if (name.Name.empty()) name.Fault = cell.EndFault();
    } else {
      name.Fault = std::move(read.Fault);
    }
    if (name.Name.empty() && name.Fault.empty()) {
      ++empty;
      // a name that cannot be read is named at its own cell alone
      if (column.CarryDown && names.back().Fault.empty()) name = names.back();
    } else {
      empty = 0;
    }
    names.push_back(std::move(name));
  }
  names.resize(names.size() - kEndOfRows);
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

bool NamesUnit(std::string_view name) { return name.empty() || name.find_first_not_of('0') != std::string_view::npos; }

std::string UnitNameFault(std::string_view name) {
  // built by appending: GCC 12 takes a literal added in front of a temporary for an overlapping copy
  std::string fault = "\"";
  fault.append(name);
  fault.append(
      "\" - не имя ТП, ввода или фидера: так показывается и текстовая формула, чей текст книга не сохранила; "
      "впишите имя текстом");
  return fault;
}

std::string LostTextFault(std::string_view text, std::string_view what) {
  std::string fault = "\"";
  fault.append(text);
  fault.append("\" - не ");
  fault.append(what);
  fault.append(": так показывается и текстовая формула, чей текст книга не сохранила; впишите его текстом");
  return fault;
}

std::string TakeNamingText(const TSheetCells& cells, int row, int col, std::string_view what) {
  std::string text = TakeJoinedName(cells, row, col);
  if (!NamesUnit(text)) throw TCellTextError(row, col, LostTextFault(text, what));
  return text;
}

std::string TakeUnitName(const TSheetCells& cells, int row, int col) {
  std::string name = TakeName(cells, row, col);
  if (!NamesUnit(name)) throw TCellTextError(row, col, UnitNameFault(name));
  return name;
}

std::string UpperTrimmed(std::string_view text) { return UpperCase(ImportName(text)); }

std::string SheetReadError(int row, int col) {
  return "Ошибка чтения. Строка " + std::to_string(row) + ", столбец " + std::to_string(col);
}

void NameCellFault(int row, int col, const std::string& fault, TImportMessages& messages, TImportTaken& taken) {
  std::string text = SheetReadError(row, col) + " (" + fault + ")";
  taken.NotTakenAt(row, text);
  messages.Add(std::move(text));
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
