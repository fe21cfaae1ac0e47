#include "core/catalogs/catwin_graph.h"

#include <cmath>
#include <vector>

#include "core/base/numfmt.h"
#include "core/catalogs/graph_series.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

int EndRowOf(const TGraphValueCols& cols, int number) {
  int row = FirstRowOfGraph(cols, number);
  while (row <= cols.RowCount && cols.Ngr->Get(row) == number) ++row;
  return row;
}

double CellNumber(const TDynamicArray* column, int row) {
  if (!column) return 0;
  if (const auto* d = dynamic_cast<const DAdouble*>(column)) return d->Get(row);
  if (const auto* r = dynamic_cast<const DAreal*>(column)) return r->Get(row);
  if (const auto* f = dynamic_cast<const DAsingle*>(column)) return f->Get(row);
  if (const auto* l = dynamic_cast<const DALongint*>(column)) return l->Get(row);
  return 0;
}

void SetCellNumber(TDynamicArray* column, int row, double value) {
  if (!column) return;
  if (auto* d = dynamic_cast<DAdouble*>(column)) (*d)[row] = value;
  else if (auto* r = dynamic_cast<DAreal*>(column)) (*r)[row] = value;
  else if (auto* f = dynamic_cast<DAsingle*>(column)) (*f)[row] = static_cast<float>(value);
  else if (auto* l = dynamic_cast<DALongint*>(column)) (*l)[row] = static_cast<std::int32_t>(std::trunc(value));
}

}  // namespace

std::string GraphPeriodText(TDateTime date1, TDateTime date2) {
  return " Период: " + FormatDateTime("dd.mm.yyyy", date1) + " - " + FormatDateTime("dd.mm.yyyy", date2) + " ";
}

std::string GraphCaption(const TGraphCatalogCols& cols, int row) {
  if (row < 1 || row > cols.RowCount) return {};
  std::string text = IntToStr(cols.Ngr->Get(row)) + ", ";
  if (const char zam = cols.Zam->Get(row); zam != 0) text += zam;
  return text + " (" + cols.Unt->GetItem(row) + ") " + cols.Tit->GetItem(row);
}

int FindGraphCatalogRow(const TGraphCatalogCols& cols, int number) {
  for (int row = 1; row <= cols.RowCount; ++row)
    if (cols.Ngr->Get(row) == number) return row;
  return 0;
}

void GraphStatTexts(const DAdouble& values, std::string& mean, std::string& rms) {
  mean = " Vср = ";
  rms = " Vкв = ";
  double sum = 0, squares = 0;
  int zeros = 0;
  for (int i = 1; i <= values.Count; ++i) {
    const double v = values.Get(i);
    if (v == 0) ++zeros;
    sum += v;
    squares += v * v;
  }
  const int n = values.Count - zeros;
  if (n == 0) return;
  mean += FloatToStrFixed(sum / n, 3);
  rms += FloatToStrFixed(std::sqrt(squares / n), 3);
}

int GraphMaxRow(const DAdouble& values, int count) {
  double best = -1e308;
  int row = 0;
  for (int i = 1; i <= count; ++i)
    if (values.Get(i) > best) {
      best = values.Get(i);
      row = i;
    }
  return row;
}

int GraphMinRow(const DAdouble& values, int count) {
  double best = 1e308;
  int row = 0;
  for (int i = 1; i <= count; ++i) {
    const double v = values.Get(i);
    if (v != 0 && v < best) {
      best = v;
      row = i;
    }
  }
  return row;
}

std::string ValueGridDateTitle(std::uint8_t kind) { return kind == kGraphTypical ? "Час" : "Дата/время"; }

std::string ValueGridValueTitle(char letter, const std::string& unit) {
  if (unit == "%") return "    %    ";
  if (!unit.empty()) return unit;
  if (letter == 't') return "  tg(f)  ";
  if (letter == 'k') return "   Kтр   ";
  return "Значение";
}

bool LoadCatalogGraph(const std::string& basePath, const TGraphCatalogCols& cols, int row, TDateTime date1,
                      TDateTime date2, bool joint, int curPeriod, bool raw, DAdouble& dates, DAdouble& values,
                      int& period, std::string& error) {
  error.clear();
  const int number = cols.Ngr->Get(row);
  const int own = cols.Per->Get(row);
  const std::uint8_t kind = cols.Typ->Get(row);
  period = own;
  dates.Count = 0;
  values.Count = 0;
  if (!CountGraphPoints(kind != kGraphTypical, own, dates, error, date2, date1)) return false;
  int newPeriod = 0;
  LoadGraphValues(basePath, number, own, newPeriod, values, dates, raw || joint, cols.Zam->Get(row), kind,
                  cols.Nt->Get(row));
  if (newPeriod != 0) period = newPeriod;
  if (!joint) return true;
  DAdouble target;
  std::string msg;
  if (!CountGraphPoints(true, curPeriod, target, msg, date2, date1)) {
    error = "График № " + IntToStr(number) + ": " + msg;
    period = curPeriod;
    return false;
  }
  const bool ok = ResampleGraph(period, curPeriod, kind != kGraphTypical, msg, values, target, dates);
  period = curPeriod;
  if (!ok) error = "График № " + IntToStr(number) + ": " + msg;
  return ok;
}

void WidenGraphDates(const TGraphCatalogCols& cols, int row, double firstPacked, double lastPacked) {
  const double d1 = CellNumber(cols.Dat1, row);
  const double d2 = CellNumber(cols.Dat2, row);
  if (d1 == 0 || firstPacked < d1) SetCellNumber(cols.Dat1, row, firstPacked);
  if (lastPacked > d2) SetCellNumber(cols.Dat2, row, lastPacked);
}

int DeleteGraphValueRows(TDataFile& values, int number) {
  TGraphValueCols cols;
  FillGraphValueCols(values, cols);
  const int first = FirstRowOfGraph(cols, number);
  const int end = EndRowOf(cols, number);
  if (end > first) DeleteTableRows(values, first, end - 1);
  return end - first;
}

int RenumberGraphValues(TDataFile& values, int oldNumber, int newNumber) {
  if (oldNumber == newNumber) return 0;
  TGraphValueCols cols;
  FillGraphValueCols(values, cols);
  const int first = FirstRowOfGraph(cols, oldNumber);
  const int end = EndRowOf(cols, oldNumber);
  const int count = end - first;
  if (count == 0) return 0;
  std::vector<std::pair<double, double>> points;
  for (int row = first; row < end; ++row) points.emplace_back(cols.Date->Get(row), cols.Value->Get(row));
  DeleteTableRows(values, first, end - 1);
  FillGraphValueCols(values, cols);
  const int at = FirstRowOfGraph(cols, newNumber);
  InsertTableRows(values, at, count);
  FillGraphValueCols(values, cols);
  for (int k = 0; k < count; ++k) {
    (*cols.Ngr)[at + k] = newNumber;
    (*cols.Date)[at + k] = points[static_cast<std::size_t>(k)].first;
    (*cols.Value)[at + k] = points[static_cast<std::size_t>(k)].second;
  }
  return count;
}

bool GraphHasValues(const TDataFile& values, int number) {
  TGraphValueCols cols;
  FillGraphValueCols(values, cols);
  const int first = FirstRowOfGraph(cols, number);
  return first <= cols.RowCount && cols.Ngr->Get(first) == number;
}

}  // namespace ld
