#include "core/catalogs/import_sheets.h"

#include <cmath>

#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/import_rows.h"

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

int CellInteger(const TImportCell& cell, int row, int col, const TImportSource& source) {
  if (cell.kind == TImportCell::Number && cell.number == std::trunc(cell.number) && std::abs(cell.number) < 2147483648.0)
    return static_cast<int>(cell.number);
  return Converted(source, row, col, [&] { return StrToIntZ(Trimmed(CellText(cell))); });
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

// A new graph of hourly points: its catalogue row, then its values; the window hears of it at once.
void AddGraph(TDataFile& catalog, const std::string& basePath, int number, const std::string& title,
              const std::string& unitText, std::uint8_t kind, const DAdouble& dates, const DAdouble& values,
              const TGraphAdded& added) {
  char letter = 0;
  std::string unit;
  GraphUnitOfText(unitText, letter, unit);
  AppendGraphCatalogRow(catalog, number, title, kind, 3600, letter, unit);
  StoreGraphValues(basePath, number, dates, values);
  if (added) added();
}

}  // namespace

int ImportMeteringSlices(const TCellReader& cell, TDataFile& catalog, const std::string& basePath,
                         const TGraphAdded& added, const TImportSource& source) {
  int count = 0;
  int head = 1;
  for (;;) {
    const std::string title = Trimmed(CellText(cell(head, 1)));
    if (title.empty()) break;
    const std::string unitText = CellText(cell(head, 2));
    const int number = CellInteger(cell(head, 3), head, 3, source);
    const bool fresh = !GraphNumberInCatalog(catalog, number);
    DAdouble dates, values;
    int row = head + 2;
    for (;; ++row) {
      const int day = CellPackedDay(cell(row, 1));
      if (day == 0) break;
      if (!fresh) continue;
      for (int c = 2; c <= 25; ++c) {
        const TImportCell value = cell(row, c);
        if (value.kind == TImportCell::Empty) continue;
        const int n = dates.Count + 1;
        dates[n] = day + 0.036 * (c - 2);
        values[n] = CellNumber(value, row, c, source);
        dates.Count = values.Count = n;
      }
    }
    if (fresh) {
      AddGraph(catalog, basePath, number, title, unitText, kGraphSlices, dates, values, added);
      ++count;
    }
    head = row;
  }
  return count;
}

int ImportMeteringTypical(const TCellReader& cell, TDataFile& catalog, const std::string& basePath,
                          const TGraphAdded& added, const TImportSource& source) {
  int count = 0;
  for (int row = 1;; ++row) {
    const std::string title = Trimmed(CellText(cell(row, 1)));
    if (title.empty()) break;
    const std::string unitText = CellText(cell(row, 2));
    const int number = CellInteger(cell(row, 3), row, 3, source);
    DAdouble dates, values;
    for (int c = 4; c <= 27; ++c) {
      dates[c - 3] = 0.036 * (c - 3);
      values[c - 3] = CellNumber(cell(row, c), row, c, source);
    }
    dates.Count = values.Count = 24;
    if (GraphNumberInCatalog(catalog, number)) continue;
    AddGraph(catalog, basePath, number, title, unitText, kGraphTypical, dates, values, added);
    ++count;
  }
  return count;
}

}  // namespace ld
