#include "core/catalogs/graph_tables.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <utility>
#include <vector>

#include "core/base/settings.h"
#include "core/catalogs/graph_series.h"
#include "core/tables/colmaps_bind.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

// Stored moments are matched to the second: a search key is widened by half a second so that a
// moment written by another computation in the last bits of its fraction is still found.
constexpr double kHalfSecond = 0.5 / 100000.0;

std::unique_ptr<TDataFile> OpenGraphTable(const std::string& basePath, const std::string& layoutName) {
  auto table = std::make_unique<TDataFile>();
  const std::string fileName = FamilyFile(basePath, GetMaketExtention(layoutName));
  std::error_code ec;
  if (std::filesystem::exists(fileName, ec)) {
    ReadTableFile(fileName, *table);
  } else {
    ReadMaket(layoutName, *table);
    CreateColumns(*table, 0);
    const auto cut = basePath.find_last_of("\\:/");
    table->Title = cut == std::string::npos ? basePath : basePath.substr(cut + 1);
  }
  return table;
}

// The first row (1..RowCount+1) whose key (Ngr, Date) is not below (number, date).
int GraphRowBound(const TGraphValueCols& cols, int number, double date) {
  int lo = 1, hi = cols.RowCount + 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    const int rowNumber = cols.Ngr->Get(mid);
    if (rowNumber < number || (rowNumber == number && cols.Date->Get(mid) < date)) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

// Spreads daily values over the hours of their days in the shape of the typical day at rows
// first..first+23 (sum of values `total`).
void SpreadDailyValues(const TGraphValueCols& cols, int first, double total, DAdouble& Data, DAdouble& Dates) {
  const int days = Dates.Count;
  std::vector<double> dates, values;
  dates.reserve(static_cast<std::size_t>(days) * 24);
  values.reserve(dates.capacity());
  for (int d = 1; d <= days; ++d) {
    const double day = std::trunc(Dates.Get(d));
    for (int h = 0; h < 24; ++h) {
      const double typical = cols.Date->Get(first + h);
      const double fraction = std::llround((typical - std::trunc(typical)) * 100000.0) / 100000.0;
      dates.push_back(h < 23 ? day + fraction : NextDayPacked(day));
      values.push_back(Data.Get(d) * cols.Value->Get(first + h) * 24 / total);
    }
  }
  const int count = static_cast<int>(dates.size());
  Data.Clear();
  Dates.Clear();
  Data.EnsureIndex(count);
  Dates.EnsureIndex(count);
  for (int k = 1; k <= count; ++k) {
    Dates[k] = dates[static_cast<std::size_t>(k - 1)];
    Data[k] = values[static_cast<std::size_t>(k - 1)];
  }
  Data.Count = Dates.Count = count;
}

}  // namespace

void FillGraphCatalogCols(const TDataFile& table, TGraphCatalogCols& map) {
  map = {};
  map.RowCount = table.RowCount;
  BindColumn(table, "Ngr", map.Ngr);
  BindColumn(table, "Per", map.Per);
  BindColumn(table, "Nu", map.Nu);
  BindColumn(table, "Ntg", map.Ntg);
  BindColumn(table, "Nt", map.Nt);
  BindColumn(table, "Tit", map.Tit);
  BindColumn(table, "Typ", map.Typ);
  BindColumn(table, "Zam", map.Zam);
  BindColumn(table, "Unt", map.Unt);
  BindColumn(table, "Us", map.Us);
  BindColumn(table, "Tgf", map.Tgf);
  BindColumn(table, "Dat1", map.Dat1);
  BindColumn(table, "Dat2", map.Dat2);
}

void FillGraphValueCols(const TDataFile& table, TGraphValueCols& map) {
  map = {};
  map.RowCount = table.RowCount;
  BindColumn(table, "Ngr", map.Ngr);
  BindColumn(table, "Date", map.Date);
  BindColumn(table, "Value", map.Value);
}

void FillGraphGridCols(const TDataFile& table, TGraphGridCols& map) {
  map = {};
  map.RowCount = table.RowCount;
  BindColumn(table, "DateStr", map.DateStr);
  BindColumn(table, "Date", map.Date);
  BindColumn(table, "Value", map.Value);
}

std::unique_ptr<TDataFile> OpenGraphCatalog(const std::string& basePath) {
  return OpenGraphTable(basePath, GraphCatalogMaket);
}

std::unique_ptr<TDataFile> OpenGraphValues(const std::string& basePath) {
  return OpenGraphTable(basePath, GraphValuesMaket);
}

void ReadGraphValues(const TDataFile* Values, int Number, int Period, int& NewPeriod, DAdouble& Data,
                     DAdouble& Dates, bool Raw, char Quantity, std::uint8_t Kind, int TypicalNumber) {
  NewPeriod = 0;
  const int count = Dates.Count;
  Data.Clear();
  Data.EnsureIndex(count);
  Data.Count = count;
  if (!Values || count == 0) return;

  TGraphValueCols cols;
  FillGraphValueCols(*Values, cols);
  // Energy per interval in kWh (kvarh) becomes the mean power of the interval in kW (kvar).
  const double scale = !Raw && Period > 0 && (Quantity == 'P' || Quantity == 'Q') ? 3600.0 / Period : 1.0;
  int point = 1;
  for (int row = GraphRowBound(cols, Number, Dates.Get(1) - kHalfSecond);
       row <= cols.RowCount && cols.Ngr->Get(row) == Number; ++row) {
    const double date = cols.Date->Get(row);
    if (ComparePackedMoments(date, Dates.Get(count)) > 0) break;
    while (point <= count && ComparePackedMoments(Dates.Get(point), date) < 0) ++point;
    if (point > count) break;
    // A stored point off the grid is skipped.
    if (SamePackedMoment(Dates.Get(point), date)) Data[point] = cols.Value->Get(row) * scale;
  }

  if (Kind != kGraphDaily || TypicalNumber == 0 || Raw) return;
  const double lowest = std::numeric_limits<double>::lowest();
  const int first = GraphRowBound(cols, TypicalNumber, lowest);
  const int last = TypicalNumber == std::numeric_limits<int>::max()
                       ? cols.RowCount + 1
                       : GraphRowBound(cols, TypicalNumber + 1, lowest);
  // Only a whole typical day of 24 hours can shape the days.
  if (last - first != 24) return;
  double total = 0;
  for (int row = first; row < last; ++row) total += cols.Value->Get(row);
  if (total == 0) return;
  SpreadDailyValues(cols, first, total, Data, Dates);
  NewPeriod = 3600;
}

void LoadGraphValues(const std::string& BasePath, int Number, int Period, int& NewPeriod, DAdouble& Data,
                     DAdouble& Dates, bool Raw, char Quantity, std::uint8_t Kind, int TypicalNumber) {
  const auto values = OpenGraphValues(BasePath);
  ReadGraphValues(values.get(), Number, Period, NewPeriod, Data, Dates, Raw, Quantity, Kind, TypicalNumber);
}

bool PutGraphValues(TDataFile& table, int Number, const DAdouble& Dates, const DAdouble& Data) {
  if (Dates.Count < 1) return false;
  // The points in time order, one per moment (the later of two at the same moment wins), so that the
  // table stays sorted whatever order the caller kept.
  std::vector<std::pair<double, double>> points;
  points.reserve(static_cast<std::size_t>(Dates.Count));
  for (int k = 1; k <= Dates.Count; ++k) points.emplace_back(Dates.Get(k), Data.Get(k));
  std::stable_sort(points.begin(), points.end(),
                   [](const auto& a, const auto& b) { return ComparePackedMoments(a.first, b.first) < 0; });
  std::vector<std::pair<double, double>> unique;
  for (const auto& point : points) {
    if (!unique.empty() && SamePackedMoment(unique.back().first, point.first)) unique.back() = point;
    else unique.push_back(point);
  }
  const int count = static_cast<int>(unique.size());

  TGraphValueCols cols;
  FillGraphValueCols(table, cols);
  const int first = GraphRowBound(cols, Number, unique.front().first - kHalfSecond);
  const int end = GraphRowBound(cols, Number, unique.back().first + kHalfSecond);
  const int old = end - first;
  // The stored points of the range give way to the new ones; an old grid finer than the new one
  // leaves surplus rows, which go.
  if (count > old) InsertTableRows(table, end, count - old);
  else if (count < old) DeleteTableRows(table, first + count, end - 1);
  for (int k = 0; k < count; ++k) {
    const int row = first + k;
    (*cols.Ngr)[row] = Number;
    (*cols.Date)[row] = unique[static_cast<std::size_t>(k)].first;
    (*cols.Value)[row] = unique[static_cast<std::size_t>(k)].second;
  }
  return true;
}

bool StoreGraphValues(const std::string& BasePath, int Number, const DAdouble& Dates, const DAdouble& Data) {
  const auto table = OpenGraphValues(BasePath);
  if (!PutGraphValues(*table, Number, Dates, Data)) return false;
  WriteTableFile(BasePath + GetMaketExtention(GraphValuesMaket), *table);
  return true;
}

}  // namespace ld
