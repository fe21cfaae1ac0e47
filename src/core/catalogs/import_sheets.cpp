#include "core/catalogs/import_sheets.h"

#include <algorithm>
#include <cmath>

#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_tables.h"
#include "core/office/number_formats.h"
#include "core/office/sheet_reader.h"

namespace ld {

namespace {

// A value the rule refuses names the file, the sheet and the cell with the rule's reason.
[[noreturn]] void Refuse(const TImportSource& source, int row, int col, const std::string& fault) {
  throw Error(ImportCellMessage(source.file, source.sheet, row, col, fault));
}

// A graph's title, whole in the catalogue's title field; "" ends the workbook.
std::string CellTitle(const TOutsideValue& cell, int longest, int row, const TImportSource& source) {
  TValueRead<std::string> title = cell.Name(longest);
  if (!title) Refuse(source, row, 1, title.Fault);
  return std::move(*title.Value);
}

// A unit's text, which names the graph's quantity: one longer than the catalogue's widest field names
// none.
std::string CellUnit(const TOutsideValue& cell, int longest, int row, const TImportSource& source) {
  TValueRead<std::string> unit = cell.Name(longest);
  if (!unit) Refuse(source, row, 2, unit.Fault);
  return std::move(*unit.Value);
}

// A graph's number: a row without one is no graph (an empty cell would read 0).
int CellInteger(const TOutsideValue& cell, int row, int col, const TImportSource& source) {
  if (cell.Blank()) Refuse(source, row, col, "нет номера графика");
  const TValueRead<int> number = cell.Integer(INT32_MIN, INT32_MAX);
  if (!number) Refuse(source, row, col, number.Fault);
  return *number;
}

double CellNumber(const TOutsideValue& cell, int row, int col, const TImportSource& source) {
  const TValueRead<double> value = cell.Number();
  if (!value) Refuse(source, row, col, value.Fault);
  return *value;
}

// The packed date (YYYYMMDD) of a day cell of row `row`, or 0 when the cell ends the graph's days (an
// empty cell, a number, a text that is no date). A date is a day of the calendar (a serial under a
// duration's format may be any number: 1e8 is no day), a merged day shown over a second row is no day of
// that row, and a cell that holds no value is no end of the graph: each is named by its cell.
int CellPackedDay(const TOutsideValue& cell, int row, const TImportSource& source) {
  switch (cell.Kind()) {
    case TOutsideValue::TKind::Date: {
      const TValueRead<double> serial = cell.Date();
      if (!serial) Refuse(source, row, 1, serial.Fault);
      if (!office::IsDateSerialInRange(*serial))
        Refuse(source, row, 1, "значение " + cell.Quoted() + " не является днем календаря (1900-9999 годы)");
      int y = 0, m = 0, d = 0;
      DecodeDate(*serial, y, m, d);
      return y * 10000 + m * 100 + d;
    }
    case TOutsideValue::TKind::Text: {
      const TValueRead<std::string> text = cell.Name();
      if (!text) Refuse(source, row, 1, text.Fault);
      const int day = StrToPackedDate(*text);
      if (day != 0) {
        if (std::string fault = cell.CoveredFault(); !fault.empty()) Refuse(source, row, 1, fault);
      }
      return day;
    }
    case TOutsideValue::TKind::Unreadable:
      Refuse(source, row, 1, cell.Name().Fault);
    case TOutsideValue::TKind::Empty:
    case TOutsideValue::TKind::Number:
      break;
  }
  return 0;
}

// The width of the catalogue's title field.
int TitleWidth(const TDataFile& catalog) {
  return catalog.CtrlSize[static_cast<std::size_t>(FindColumnIndex("Tit", catalog))];
}

// The widest field of the catalogue.
int WidestField(const TDataFile& catalog) {
  int widest = 0;
  for (int k = 1; k <= catalog.NCols; ++k) widest = std::max<int>(widest, catalog.CtrlSize[static_cast<std::size_t>(k)]);
  return widest;
}

// A graph of hourly points as the workbook gives it.
TImportedGraph SheetGraph(int number, const std::string& title, const std::string& unitText, std::uint8_t kind) {
  TImportedGraph graph{number, title, kind, 0, {}, {}};
  GraphUnitOfText(unitText, graph.Letter, graph.Unit);
  return graph;
}

// Whether any of the 24 hour cells from column `first` on in that row shows something.
bool HoldsHours(const TCellReader& cell, int row, int first) {
  for (int c = first; c < first + 24; ++c)
    if (!cell(row, c).Blank()) return true;
  return false;
}

// When no graph was taken and nothing said why, the sheet held none.
void NoGraphOnSheet(TGraphsRead& read, const TImportSource& source) {
  if (read.Taken.Items == 0)
    read.Taken.NotTaken("на листе \"" + source.sheet + "\" нет ни одного графика: ячейка A1 пуста");
}

}  // namespace

TGraphsRead ReadMeteringSlices(const TCellReader& cell, const TDataFile& catalog, const TImportSource& source) {
  TGraphsRead read;
  const int titleWidth = TitleWidth(catalog);
  int head = 1;
  for (;;) {
    const std::string title = CellTitle(cell(head, 1), titleWidth, head, source);
    if (title.empty()) break;
    const std::string unitText = CellUnit(cell(head, 2), WidestField(catalog), head, source);
    const int number = CellInteger(cell(head, 3), head, 3, source);
    const std::string where = "строка " + std::to_string(head);
    const bool fresh = read.IsNew(catalog, number, where);
    TImportedGraph graph = SheetGraph(number, title, unitText, kGraphSlices);
    int row = head + 2;
    int days = 0;
    bool anyValue = false;
    for (;; ++row) {
      const int day = CellPackedDay(cell(row, 1), row, source);
      if (day == 0) break;
      ++days;
      for (int c = 2; c <= 25; ++c) {
        const TOutsideValue value = cell(row, c);
        if (value.Blank()) continue;
        anyValue = true;
        if (fresh) graph.Points.emplace_back(day + 0.036 * (c - 2), CellNumber(value, row, c, source));
      }
    }
    // A block of no value is no graph of this layout: a head with no day row under it (a book of one
    // graph per row read as blocks shows its hours beside the head), or days whose every hour is empty.
    // Its graph would stand in the catalogue as a graph of nothing, whether or not it is new.
    if (!anyValue) {
      if (days == 0 && HoldsHours(cell, head, 4))
        Refuse(source, head, 4,
               "в строке заголовка графика № " + std::to_string(number) +
                   " заполнены часы суток, а под ней нет строк дней: это книга АСКУЭ Кирмаоблэнерго (график в "
                   "строке), а не АСКУЭ СВЭ (графики блоками по дням)");
      throw Error(ImportCellMessage(
          source.file, source.sheet, head, 1,
          GraphWithoutValuesText(number, where,
                                 days == 0 ? "под строкой заголовка и строкой за ней нет строки с датой дня в столбце A"
                                           : "в его строках дней все часы пусты")));
    }
    if (fresh) read.Add(std::move(graph));
    head = row;
  }
  NoGraphOnSheet(read, source);
  read.Close();
  return read;
}

TGraphsRead ReadMeteringTypical(const TCellReader& cell, const TDataFile& catalog, const TImportSource& source) {
  TGraphsRead read;
  const int titleWidth = TitleWidth(catalog);
  for (int row = 1;; ++row) {
    const std::string title = CellTitle(cell(row, 1), titleWidth, row, source);
    if (title.empty()) break;
    const std::string unitText = CellUnit(cell(row, 2), WidestField(catalog), row, source);
    const int number = CellInteger(cell(row, 3), row, 3, source);
    // A typical day is its 24 hours: an empty hour is no zero, and a row of none is a graph of nothing
    // (a book of blocks by days read as rows has its days below the head, not beside it).
    if (!HoldsHours(cell, row, 4)) {
      if (const TOutsideValue day = cell(row + 2, 1); day.Kind() == TOutsideValue::TKind::Date)
        Refuse(source, row, 4,
               "у графика № " + std::to_string(number) +
                   " пусты все часы суток, а ниже дата дня " + day.Quoted() +
                   ": это книга АСКУЭ СВЭ (графики блоками по дням), а не АСКУЭ Кирмаоблэнерго (график в строке)");
      throw Error(ImportCellMessage(source.file, source.sheet, row, 4,
                                    GraphWithoutValuesText(number, "строка " + std::to_string(row),
                                                           "столбцы D-AA часов суток пусты")));
    }
    TImportedGraph graph = SheetGraph(number, title, unitText, kGraphTypical);
    for (int c = 4; c <= 27; ++c) {
      const TOutsideValue value = cell(row, c);
      if (value.Blank())
        Refuse(source, row, c, "час " + std::to_string(c - 3) + " графика № " + std::to_string(number) +
                                   " пуст: у типового графика должны быть значения всех 24 часов");
      graph.Points.emplace_back(0.036 * (c - 3), CellNumber(value, row, c, source));
    }
    if (read.IsNew(catalog, number, "строка " + std::to_string(row))) read.Add(std::move(graph));
  }
  NoGraphOnSheet(read, source);
  read.Close();
  return read;
}

TGraphsRead ReadMeteringWorkbook(const std::string& file, const TDataFile& catalog, bool typical) {
  TSheetReader sheet;
  sheet.Open(file);
  const TCellReader cells = [&sheet](int row, int col) { return sheet.Value(row, col); };
  const TImportSource source{file, sheet.SheetName()};
  return typical ? ReadMeteringTypical(cells, catalog, source) : ReadMeteringSlices(cells, catalog, source);
}

}  // namespace ld
