#include "core/catalogs/import_sheets.h"

#include <cmath>

#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_tables.h"

namespace ld {

namespace {

// A title or a number's text of the workbook as every import takes one (ImportName).
std::string Trimmed(const std::string& text) { return std::string(ImportName(text)); }

std::string CellText(const TImportCell& cell) {
  switch (cell.kind) {
    case TImportCell::Text:
      return cell.text;
    case TImportCell::Number:
    case TImportCell::Date:
      return FloatToStrGeneral(cell.number, 15);
    default:
      return {};
  }
}

// A conversion error of a workbook's cell names the file, the sheet and the cell; without a file (cells
// of no file) it stays the conversion error it is.
template <typename Convert>
auto Converted(const TImportSource& source, int row, int col, Convert convert) {
  try {
    return convert();
  } catch (const ConvertError& e) {
    if (source.file.empty()) throw;
    throw Error(ImportCellMessage(source.file, source.sheet, row, col, e.what()));
  }
}

// A graph's number: a row without one is no graph (an empty cell would read 0).
int CellInteger(const TImportCell& cell, int row, int col, const TImportSource& source) {
  if (cell.kind == TImportCell::Number && cell.number == std::trunc(cell.number) && std::abs(cell.number) < 2147483648.0)
    return static_cast<int>(cell.number);
  return Converted(source, row, col, [&] {
    if (cell.kind == TImportCell::Empty || Trimmed(CellText(cell)).empty()) throw ConvertError("нет номера графика");
    return StrToIntZ(Trimmed(CellText(cell)));
  });
}

double CellNumber(const TImportCell& cell, int row, int col, const TImportSource& source) {
  const double value = cell.kind == TImportCell::Number
                           ? cell.number
                           : Converted(source, row, col, [&] { return StrToFloatZ(Trimmed(CellText(cell))); });
  if (const std::string fault = ImportNumberFault(value); !fault.empty())
    throw Error(ImportCellMessage(source.file, source.sheet, row, col, fault));
  return value;
}

// The packed date (YYYYMMDD) of a day cell, or 0 when the cell holds no date.
int CellPackedDay(const TImportCell& cell) {
  if (cell.kind == TImportCell::Date) {
    int y = 0, m = 0, d = 0;
    DecodeDate(cell.number, y, m, d);
    return y * 10000 + m * 100 + d;
  }
  if (cell.kind == TImportCell::Text) return StrToPackedDate(Trimmed(cell.text));
  return 0;
}

// A graph of hourly points as the workbook gives it.
TImportedGraph SheetGraph(int number, const std::string& title, const std::string& unitText, std::uint8_t kind) {
  TImportedGraph graph{number, title, kind, 0, {}, {}};
  GraphUnitOfText(unitText, graph.Letter, graph.Unit);
  return graph;
}

// When no graph was taken and nothing said why, the sheet held none.
void NoGraphOnSheet(TGraphsRead& read, const TImportSource& source) {
  if (read.Taken.Items == 0)
    read.Taken.NotTaken("на листе \"" + source.sheet + "\" нет ни одного графика: ячейка A1 пуста");
}

}  // namespace

TGraphsRead ReadMeteringSlices(const TCellReader& cell, const TDataFile& catalog, const TImportSource& source) {
  TGraphsRead read;
  int head = 1;
  for (;;) {
    const std::string title = Trimmed(CellText(cell(head, 1)));
    if (title.empty()) break;
    const std::string unitText = CellText(cell(head, 2));
    const int number = CellInteger(cell(head, 3), head, 3, source);
    const bool fresh = read.IsNew(catalog, number);
    TImportedGraph graph = SheetGraph(number, title, unitText, kGraphSlices);
    int row = head + 2;
    for (;; ++row) {
      const int day = CellPackedDay(cell(row, 1));
      if (day == 0) break;
      if (!fresh) continue;
      for (int c = 2; c <= 25; ++c) {
        const TImportCell value = cell(row, c);
        if (value.kind == TImportCell::Empty) continue;
        graph.Points.emplace_back(day + 0.036 * (c - 2), CellNumber(value, row, c, source));
      }
    }
    if (fresh) read.Add(std::move(graph));
    head = row;
  }
  NoGraphOnSheet(read, source);
  return read;
}

TGraphsRead ReadMeteringTypical(const TCellReader& cell, const TDataFile& catalog, const TImportSource& source) {
  TGraphsRead read;
  for (int row = 1;; ++row) {
    const std::string title = Trimmed(CellText(cell(row, 1)));
    if (title.empty()) break;
    const std::string unitText = CellText(cell(row, 2));
    const int number = CellInteger(cell(row, 3), row, 3, source);
    TImportedGraph graph = SheetGraph(number, title, unitText, kGraphTypical);
    for (int c = 4; c <= 27; ++c) graph.Points.emplace_back(0.036 * (c - 3), CellNumber(cell(row, c), row, c, source));
    if (read.IsNew(catalog, number)) read.Add(std::move(graph));
  }
  NoGraphOnSheet(read, source);
  return read;
}

}  // namespace ld
