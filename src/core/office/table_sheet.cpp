#include "core/office/table_sheet.h"

#include <algorithm>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/office/sheet_reader.h"
#include "core/tables/table_ops.h"

namespace ld {

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

// What a sheet gives a table: the table column each sheet column fills (0 for none) and the number of
// data rows.
struct TSheetColumns {
  std::vector<int> Targets;  // by sheet column, from 1
  int Rows = 0;
  int Widest = 0;  // the widest column of the table, in characters
};

bool IsFloatType(char type) { return type == 'f' || type == 'd' || type == 'r'; }

// A text column's text: the name as every import takes it, with the blanks that the shown text starts
// with kept in front of it. The table's own texts may begin so (a dBase field's "  12"), and the
// program's own export read back must give the same table; what is cut at the end stays cut.
TValueRead<std::string> TableText(const TOutsideValue& cell, int width) {
  TValueRead<std::string> name = cell.Name(width);
  if (!name || cell.Kind() != TOutsideValue::TKind::Text) return name;
  const std::string shown = cell.Quoted();  // in quotes, its first characters
  std::size_t lead = 0;
  while (1 + lead < shown.size() && shown[1 + lead] == ' ') ++lead;
  if (lead == 0) return name;
  std::string text = std::string(lead, ' ') + *name;
  if (std::string fault = ImportLengthFault(text, width); !fault.empty()) return {std::nullopt, std::move(fault)};
  return {std::move(text), {}};
}

// The text the column takes from the cell, as every import takes a value from outside: a text column a
// name (its ends cut, nothing hidden inside, every character with a Windows-1251 code, whole in the
// column's width), a number column a number read whole ("12,5" with a no-break space after it is 12.5; a
// date is none), an integer column an integer within its type, each whole in its column's width (a float
// column in the widest). Anything else is the fault, never a value cut, turned or left as the table held it.
TValueRead<std::string> ColumnText(const TOutsideValue& cell, const TDataFile& table, int target, int widest) {
  const char type = table.ColType[static_cast<std::size_t>(target)];
  const int width = table.CtrlSize[static_cast<std::size_t>(target)];
  if (!IsNumericType(type)) return TableText(cell, width);
  // a number column but a float one keeps its first characters only, and a text longer than the widest
  // column is no number anybody wrote: the length is named before the number rule looks at it
  if (TValueRead<std::string> fit = cell.Name(IsFloatType(type) ? widest : width); !fit) {
    const TValueRead<std::string> any = cell.Name();
    if (any || any.Fault != fit.Fault) return fit;
  }
  if (cell.Blank()) return {std::string(), {}};
  if (IsFloatType(type) || type == 'n') {
    const TValueRead<double> number = cell.Number();
    if (!number) return {std::nullopt, number.Fault};
    return {FloatToStrGeneral(*number, 15), {}};
  }
  int lo = INT32_MIN, hi = INT32_MAX;
  if (type == 'b') lo = 0, hi = 255;
  if (type == 'i') lo = -32768, hi = 32767;
  if (type == 'w') lo = 0, hi = 65535;
  const TValueRead<int> integer = cell.Integer(lo, hi);
  if (!integer) return {std::nullopt, integer.Fault};
  return {std::to_string(*integer), {}};
}

// Whether the cell shows the value of a merged range that begins in a row above.
bool IsCovered(const TOutsideValue& cell) { return !cell.CoveredFault().empty(); }

bool IsKeyColumn(const TDataFile& table, int col) {
  for (int k = 1; k <= table.NOrder; ++k)
    if (table.Order[static_cast<std::size_t>(k)] == col) return true;
  return false;
}

// Reads the sheet for the table before anything is written, as ImportWorkbookIntoTable says: a sheet that
// gives nothing says why (Items 0, FirstReason), a value the table cannot take whole throws.
TImportTaken ReadSheetColumns(const TSheetReader& sheet, const TDataFile& table, int maxRows, const std::string& fileName,
                              TSheetColumns& columns) {
  // a cell of blanks is no empty cell: in column 1 it is a row whose key is named as missing
  const auto empty = [&](int row, int col) { return sheet.Value(row, col).Kind() == TOutsideValue::TKind::Empty; };
  int lastCol = 0;  // the last title before the first empty cell of row 1
  while (!empty(1, lastCol + 1)) ++lastCol;
  // The rows: up to the first empty cell of column 1, in the rows the sheet holds (a name merged down
  // column 1 past the data makes no row), at most maxRows; the scan stops where they do.
  int lastRow = lastCol == 0 ? 0 : 1;
  const int sheetLast = sheet.LastRow();
  while (lastRow < sheetLast && lastRow <= maxRows) {
    const TOutsideValue first = sheet.Value(lastRow + 1, 1);
    if (first.Kind() == TOutsideValue::TKind::Empty || (IsCovered(first) && !sheet.HoldsOwnData(lastRow + 1, lastCol)))
      break;
    ++lastRow;
  }
  columns.Rows = std::max(0, std::min(lastRow - 1, maxRows));
  columns.Targets.assign(static_cast<std::size_t>(lastCol) + 1, 0);
  int widest = 0;
  for (int c = 1; c <= table.NCols; ++c) widest = std::max<int>(widest, table.CtrlSize[static_cast<std::size_t>(c)]);
  columns.Widest = widest;
  bool anyTarget = false;
  // by table column: the sheet's column titled with it, 0 for none
  std::vector<int> titled(static_cast<std::size_t>(table.NCols) + 1, 0);
  std::string twice;  // a title over two columns: which of them would the table's column take?
  for (int col = 1; col <= lastCol; ++col) {
    // a title is a name: "Pн, кВт" with a blank or a line break after it is the column's title
    const TValueRead<std::string> title = sheet.Value(1, col).Name();
    int& target = columns.Targets[static_cast<std::size_t>(col)];
    for (int c = 1; c <= table.NCols && target == 0 && title; ++c)
      if (table.ColTitle[static_cast<std::size_t>(c)] == *title) target = c;
    if (target != 0 && titled[static_cast<std::size_t>(target)] != 0 && twice.empty())
      twice = "в строке 1 листа \"" + sheet.SheetName() + "\" заголовок \"" + *title + "\" стоит в ячейках " +
              SheetCellName(1, titled[static_cast<std::size_t>(target)]) + " и " + SheetCellName(1, col) +
              ": который из столбцов писать в столбец таблицы, неизвестно";
    if (target != 0 && titled[static_cast<std::size_t>(target)] == 0) titled[static_cast<std::size_t>(target)] = col;
    // a column the user may not edit is never written: the grid would skip every cell of it
    if (target != 0 && table.Access[static_cast<std::size_t>(target)] != 1) target = 0;
    anyTarget = anyTarget || target != 0;
  }
  // A row of the table is found by its key: a sheet without the key's column (another table's export,
  // whose titles meet some of this table's) would write its rows over rows of other keys, and add rows
  // of none.
  std::string missingKey;
  for (int k = 1; k <= table.NOrder && missingKey.empty(); ++k)
    if (const int key = table.Order[static_cast<std::size_t>(k)]; key >= 1 && key <= table.NCols && titled[key] == 0)
      missingKey = table.ColTitle[static_cast<std::size_t>(key)];
  TImportTaken taken;
  if (lastCol == 0 && sheet.LastRow() == 0) {
    taken.NotTaken("лист \"" + sheet.SheetName() + "\" пуст");
  } else if (lastCol == 0) {
    taken.NotTaken("на листе \"" + sheet.SheetName() +
                   "\" пуста ячейка A1, а ввод идет от нее: заголовки столбцов - в строке 1 с ячейки A1, строки "
                   "данных - до первой пустой ячейки столбца A");
  } else if (!anyTarget) {
    taken.NotTaken("ни один заголовок строки 1 листа \"" + sheet.SheetName() +
                   "\" не совпадает с заголовком изменяемого столбца таблицы \"" + table.Name + "\"");
  } else if (!twice.empty()) {
    taken.NotTaken(twice);
  } else if (!missingKey.empty()) {
    taken.NotTaken("в строке 1 листа \"" + sheet.SheetName() + "\" нет заголовка \"" + missingKey +
                   "\", а этот столбец - ключ таблицы \"" + table.Name +
                   "\": строки листа без ключа не записываются (лист другой таблицы?)");
  } else if (columns.Rows == 0) {
    taken.NotTaken("на листе \"" + sheet.SheetName() + "\" под строкой заголовков нет данных: ячейка A2 пуста");
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
      const TOutsideValue cell = sheet.Value(row + 1, col);
      if (key && cell.Blank())
        throw Error(ImportCellMessage(fileName, sheet.SheetName(), row + 1, col,
                                      "ячейка пуста, а столбец \"" + table.ColTitle[static_cast<std::size_t>(target)] +
                                          "\" - ключ таблицы"));
      if (const TValueRead<std::string> text = ColumnText(cell, table, target, widest); !text)
        throw Error(ImportCellMessage(fileName, sheet.SheetName(), row + 1, col, text.Fault));
    }
  }
  taken.Items = columns.Rows;
  return taken;
}

// Writes the rows that ReadSheetColumns found into the table from row 1 on and raises its row count to
// them.
void SheetToTable(const TSheetReader& sheet, const TSheetColumns& columns, TDataFile& table) {
  // every column grows once to the rows the sheet gives, not by a step for each row
  if (columns.Rows > table.RowCount) InsertTableRows(table, table.RowCount + 1, columns.Rows - table.RowCount);
  for (std::size_t col = 1; col < columns.Targets.size(); ++col) {
    const int target = columns.Targets[col];
    if (target == 0) continue;
    for (int row = 1; row <= columns.Rows; ++row) {
      // every cell was taken by ReadSheetColumns through the same rule
      std::string text = *ColumnText(sheet.Value(row + 1, static_cast<int>(col)), table, target, columns.Widest);
      SetCellText(table, row, target, text);
    }
  }
}

}  // namespace

TImportTaken ImportWorkbookIntoTable(const std::string& file, TDataFile& table, const std::function<void()>& filled) {
  TSheetReader sheet;
  TSheetColumns columns;
  TImportTaken taken;
  RunFileImport({file,
                 [&] {
                   sheet.Open(file);
                   return taken = ReadSheetColumns(sheet, table, MaxTableRows(table), file, columns);
                 },
                 {},
                 {},
                 {},
                 [&] {
                   SheetToTable(sheet, columns, table);
                   if (filled) filled();
                 }});
  return taken;
}

}  // namespace ld
