#include "gui/grid/sheet_exchange.h"

#include <algorithm>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/strings.h"

namespace ld::gui {

double StoredNumber(const TDataFile& table, int row, int col) {
  TDynamicArray* column = table.Columns[static_cast<std::size_t>(col)].get();
  if (!column || row >= column->Size()) return 0;
  switch (table.ColType[static_cast<std::size_t>(col)]) {
    case 'b': return static_cast<DAbyte*>(column)->Get(row);
    case 'i': return static_cast<DAsmallint*>(column)->Get(row);
    case 'w': return static_cast<DAword*>(column)->Get(row);
    case 'l': return static_cast<DALongint*>(column)->Get(row);
    case 'n': return static_cast<double>(static_cast<DAint64*>(column)->Get(row));
    case 'f': return SingleToDouble(static_cast<DAsingle*>(column)->Get(row));
    case 'd': return static_cast<DAdouble*>(column)->Get(row);
    case 'r': return static_cast<DAreal*>(column)->Get(row);
    default: return 0;
  }
}

Worksheet TableToSheet(const TDataFile& table) {
  Worksheet sheet(table.Name);
  sheet.SetText(1, 1, "№ п/п");
  sheet.SetBold(1, 1);
  int col = 1;
  for (int c = 1; c <= table.NCols; ++c) {
    if (table.Visible[static_cast<std::size_t>(c)] != 1) continue;
    sheet.SetText(1, ++col, table.ColTitle[static_cast<std::size_t>(c)]);
    sheet.SetBold(1, col);
  }
  for (int row = 1; row <= table.RowCount; ++row) {
    sheet.SetNumber(row + 1, 1, row);
    col = 1;
    for (int c = 1; c <= table.NCols; ++c) {
      if (table.Visible[static_cast<std::size_t>(c)] != 1) continue;
      ++col;
      const std::string text = GetCellText(table, row, c, false);
      if (text.empty()) continue;
      if (IsNumericType(table.ColType[static_cast<std::size_t>(c)]))
        sheet.SetNumber(row + 1, col, StoredNumber(table, row, c));
      else
        sheet.SetText(row + 1, col, text);
    }
  }
  return sheet;
}

namespace {

bool IsTextType(char type) { return type == 's' || type == 't' || type == 'c'; }
bool IsFloatType(char type) { return type == 'f' || type == 'd' || type == 'r'; }

// Why the cell's value cannot go whole into the column (empty when it can). Every column but a float one
// holds at most CtrlSize characters and would keep only the first ones, turning a name or a number into
// another; a text column holds only characters with a Windows-1251 code. A float column takes its number
// whatever the width, but a text longer than the widest column is no number anybody wrote.
std::string CellFault(const Worksheet& sheet, int row, int col, const TDataFile& table, int target, int widest) {
  const SheetCell& cell = sheet.Cell(row, col);
  const char type = table.ColType[static_cast<std::size_t>(target)];
  // a number's or a date's text is short; a text is looked at where it lies, not copied
  const std::string shown = cell.kind == CellKind::Text ? std::string() : sheet.CellText(row, col);
  const std::string_view text = cell.kind == CellKind::Text ? std::string_view(cell.text) : std::string_view(shown);
  const int longest = IsFloatType(type) ? widest : table.CtrlSize[static_cast<std::size_t>(target)];
  if (IsTextType(type) && cell.kind == CellKind::Text) return ImportFieldFault(text, longest);
  if (std::string fault = ImportLengthFault(text, longest); !fault.empty()) return fault;
  if (!IsNumericType(type)) return {};
  double value = 0;
  if (cell.kind == CellKind::Number) {
    value = cell.number;
  } else if (cell.kind == CellKind::Text) {
    try {
      value = StrToFloatZ(cell.text);
    } catch (const ConvertError& e) {
      return e.what();  // a cell left as it was would pass for one taken
    }
  }
  return ImportNumberFault(value);
}

bool HasContent(const Worksheet& sheet, int row, int col) {
  const SheetCell& cell = sheet.Cell(row, col);
  return cell.kind == CellKind::Text ? cell.text.find_first_not_of(' ') != std::string::npos : cell.kind != CellKind::Empty;
}

bool IsKeyColumn(const TDataFile& table, int col) {
  for (int k = 1; k <= table.NOrder; ++k)
    if (table.Order[static_cast<std::size_t>(k)] == col) return true;
  return false;
}

}  // namespace

TImportTaken ReadSheetColumns(const Worksheet& sheet, const TDataFile& table, int maxRows, const std::string& fileName,
                              TSheetColumns& columns) {
  int lastRow = 0;  // the last row before the first empty cell of column 1
  while (!sheet.IsEmpty(lastRow + 1, 1)) ++lastRow;
  int lastCol = 0;
  while (!sheet.IsEmpty(1, lastCol + 1)) ++lastCol;
  columns.Rows = std::max(0, std::min(lastRow - 1, maxRows));
  columns.Targets.assign(static_cast<std::size_t>(lastCol) + 1, 0);
  int widest = 0;
  for (int c = 1; c <= table.NCols; ++c) widest = std::max<int>(widest, table.CtrlSize[static_cast<std::size_t>(c)]);
  bool anyTarget = false;
  for (int col = 1; col <= lastCol; ++col) {
    const SheetCell& cell = sheet.Cell(1, col);
    const std::string shown = cell.kind == CellKind::Text ? std::string() : sheet.CellText(1, col);
    const std::string_view title = cell.kind == CellKind::Text ? std::string_view(cell.text) : std::string_view(shown);
    int& target = columns.Targets[static_cast<std::size_t>(col)];
    for (int c = 1; c <= table.NCols && target == 0; ++c)
      if (table.ColTitle[static_cast<std::size_t>(c)] == title) target = c;
    // a column the user may not edit is never written: the grid would skip every cell of it
    if (target != 0 && table.Access[static_cast<std::size_t>(target)] != 1) target = 0;
    anyTarget = anyTarget || target != 0;
  }
  TImportTaken taken;
  if (lastRow == 0 && lastCol == 0) {
    taken.NotTaken("лист \"" + sheet.Name() + "\" пуст");
  } else if (!anyTarget) {
    taken.NotTaken("ни один заголовок строки 1 листа \"" + sheet.Name() +
                   "\" не совпадает с заголовком изменяемого столбца таблицы \"" + table.Name + "\"");
  } else if (columns.Rows == 0) {
    taken.NotTaken("на листе \"" + sheet.Name() + "\" под строкой заголовков нет данных: ячейка A2 пуста");
  }
  if (!taken.FirstReason.empty()) return taken;
  // Every value bound for the table is looked at before anything is written: a text that the column
  // would cut or could not hold, a NaN, an infinity, a value beyond the columns or a row without its key
  // refuses the whole import, the table as it was.
  for (int col = 1; col <= lastCol; ++col) {
    const int target = columns.Targets[static_cast<std::size_t>(col)];
    if (target == 0) continue;
    const bool key = IsKeyColumn(table, target);
    for (int row = 1; row <= columns.Rows; ++row) {
      if (key && !HasContent(sheet, row + 1, col))
        throw Error(ImportCellMessage(fileName, sheet.Name(), row + 1, col,
                                      "ячейка пуста, а столбец \"" + table.ColTitle[static_cast<std::size_t>(target)] +
                                          "\" - ключ таблицы"));
      if (const std::string fault = CellFault(sheet, row + 1, col, table, target, widest); !fault.empty())
        throw Error(ImportCellMessage(fileName, sheet.Name(), row + 1, col, fault));
    }
  }
  taken.Items = columns.Rows;
  return taken;
}

void SheetToTable(const Worksheet& sheet, const TSheetColumns& columns, TDataFile& table) {
  for (std::size_t col = 1; col < columns.Targets.size(); ++col) {
    const int target = columns.Targets[col];
    if (target == 0) continue;
    for (int row = 1; row <= columns.Rows; ++row) {
      std::string text = sheet.CellText(row + 1, static_cast<int>(col));
      SetCellText(table, row, target, text);
    }
  }
  table.RowCount = std::max(table.RowCount, columns.Rows);
}

}  // namespace ld::gui
