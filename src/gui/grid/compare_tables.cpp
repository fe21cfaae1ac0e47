#include "gui/grid/compare_tables.h"

#include <cmath>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/tables/table_ops.h"

namespace ld::gui {

namespace {

// One compared column and the columns appended for it (0 when not appended).
struct Added {
  int source = 0;
  int value = 0;
  int difference = 0;
  int percent = 0;
};

// Appends one computed column with a zeroed array of the table's rows; false at the column limit.
bool AppendColumn(TDataFile& table, char type, int pixWidth, int ctrlSize, int fltDigit, const std::string& field,
                  const std::string& title, int& index) {
  if (table.NCols >= kMaxColumns) {
    ShowMsgForm("Количество колонок не должно превышать " + std::to_string(kMaxColumns), mkError, mbOk);
    return false;
  }
  index = ++table.NCols;
  const auto k = static_cast<std::size_t>(index);
  table.ColFlag[k] = 0;
  table.ColType[k] = type;
  table.PixWidth[k] = static_cast<std::int16_t>(pixWidth);
  table.CtrlSize[k] = static_cast<std::uint8_t>(ctrlSize);
  table.FltDigit[k] = static_cast<std::int16_t>(fltDigit);
  table.Access[k] = 1;
  table.Visible[k] = 1;
  table.Colors[k] = 0;
  table.TitleColor[k] = 0;
  table.FieldName[k] = field;
  table.ColTitle[k] = title;
  table.Comment[k].clear();
  table.Columns[k] = NewColumnArray(type, table.RowCount, ctrlSize);
  return true;
}

// The row of other whose keys hold the values of this row's keys.
bool FindKeyRow(const TDataFile& table, int row, const TDataFile& other, const std::vector<std::uint8_t>& keys,
                int& match) {
  std::vector<const void*> values;
  for (const std::uint8_t key : keys) {
    const TDynamicArray* column = table.Columns[key].get();
    if (!column || table.ColType[key] != other.ColType[key]) return false;
    values.push_back(ValuePtr(*column, table.ColType[key], row));
  }
  bool found = false;
  int hi = other.RowCount, lo = 1;
  match = MultiKeySearch(values, keys, static_cast<int>(keys.size()), found, hi, lo, other);
  return found;
}

double Number(const std::string& text) {
  try {
    return StrToFloatZ(text);
  } catch (const ConvertError&) {
    return 0;
  }
}

}  // namespace

bool CompareTables(TDataFile& table, TDataFile& other, const TCompareRequest& request,
                   const std::function<void(int percent)>& progress) {
  std::vector<Added> added;
  for (const int c : request.compared) {
    if (c < 1 || c > other.NCols || c > table.NCols) continue;
    const auto k = static_cast<std::size_t>(c);
    Added a{c};
    if (!AppendColumn(table, other.ColType[k], other.PixWidth[k], other.CtrlSize[k], other.FltDigit[k],
                      other.FieldName[k] + "*", other.ColTitle[k] + "*", a.value))
      return false;
    const auto v = static_cast<std::size_t>(a.value);
    table.Colors[v] = other.Colors[k];
    table.TitleColor[v] = other.TitleColor[k];
    table.Comment[v] = other.Comment[k];
    const bool numeric = IsNumericType(other.ColType[k]);
    if (request.difference && numeric &&
        !AppendColumn(table, other.ColType[k], other.PixWidth[k], 25, other.FltDigit[k],
                      std::to_string(table.NCols + 1) + "*", "-", a.difference))
      return false;
    if (request.percent && numeric &&
        !AppendColumn(table, 'f', 30, 25, 1, std::to_string(table.NCols + 1) + "*", "%", a.percent))
      return false;
    added.push_back(a);
  }

  std::vector<std::uint8_t> keys;
  for (const int key : request.keys)
    if (key >= 1 && key <= other.NCols && key <= table.NCols) keys.push_back(static_cast<std::uint8_t>(key));
  if (keys.empty()) return true;
  bool changed = false;
  SortTable(other, static_cast<int>(keys.size()), keys, changed);

  const int rows = table.RowCount;
  const int step = rows / 10;
  int reported = 0;
  for (int row = 1; row <= rows; ++row) {
    int match = 0;
    if (FindKeyRow(table, row, other, keys, match)) {
      for (const Added& a : added) {
        const std::string mine = GetCellText(table, row, a.source, true);
        std::string theirs = GetCellText(other, match, a.source, true);
        std::string stored = theirs;
        SetCellText(table, row, a.value, stored);
        const double x = Number(mine.empty() ? "0" : mine);
        const double y = Number(theirs.empty() ? "0" : theirs);
        if (a.difference != 0) {
          std::string text = FloatToStrGeneral(x - y, 15);
          SetCellText(table, row, a.difference, text);
        }
        if (a.percent != 0) {
          std::string text = std::fabs(x) <= 1e-7 ? std::string("100") : FloatToStrFixed((x - y) * 100 / x, 3);
          SetCellText(table, row, a.percent, text);
        }
      }
    }
    if (step > 0 && row % step == 0 && reported < 100) {
      reported += 10;
      if (progress) progress(reported);
    }
  }
  if (reported < 100 && progress) progress(100);
  return true;
}

}  // namespace ld::gui
