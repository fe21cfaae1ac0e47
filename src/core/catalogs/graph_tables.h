#pragma once
// The two tables of the load graphs of one scheme or district base: the graph catalogue (one row per
// graph) and the graph values (one row per point, sorted by graph number, then moment). Both are
// table files named by the caller's base path and the extension of their layout.
#include <cstdint>
#include <memory>
#include <string>

#include "core/base/dynarray.h"
#include "core/tables/layout.h"

namespace ld {

// The value grid of one graph in the graph catalogue window; never stored as a file.
inline constexpr char GraphValueGridMaket[] = "Таблица значений графика";

// Kinds of time grid (Typ).
inline constexpr std::uint8_t kGraphTypical = 0;  // "Типовой (24ч)": 24 undated points of a day
inline constexpr std::uint8_t kGraphSlices = 1;   // "По срезам": dated points every Per seconds
inline constexpr std::uint8_t kGraphDaily = 2;    // "По суткам": one value a day, shaped by graph Nt

// Column maps: the row count when filled and the borrowed column arrays of the table.
struct TGraphCatalogCols {
  std::int32_t RowCount = 0;
  DALongint* Ngr = nullptr;  // graph number
  DALongint* Per = nullptr;  // seconds between points, one of GraphPeriods
  DALongint* Nu = nullptr;   // voltage graph of a current graph; 0: Us
  DALongint* Ntg = nullptr;  // tg(f) graph; 0: Tgf
  DALongint* Nt = nullptr;   // typical graph shaping daily values
  DAString* Tit = nullptr;
  DAbyte* Typ = nullptr;
  DAChar* Zam = nullptr;     // 'P', 'Q', 'U', 'I', 't' (tg(f)), 'k' (transformer ratio)
  DAFstring* Unt = nullptr;  // unit text
  DAsingle* Us = nullptr;    // average voltage, kV
  DAsingle* Tgf = nullptr;   // average tg(f)
  TDynamicArray* Dat1 = nullptr;  // first and last stored date, of the type the layout gives them
  TDynamicArray* Dat2 = nullptr;
};

struct TGraphValueCols {
  std::int32_t RowCount = 0;
  DALongint* Ngr = nullptr;
  DAdouble* Date = nullptr;  // PackedDateTime of the end of the point's interval
  DAdouble* Value = nullptr;
};

struct TGraphGridCols {
  std::int32_t RowCount = 0;
  DAString* DateStr = nullptr;
  DAdouble* Date = nullptr;
  DAdouble* Value = nullptr;
};

// A field missing from the layout (or of another type) throws its "не найдено" error.
void FillGraphCatalogCols(const TDataFile& table, TGraphCatalogCols& map);
void FillGraphValueCols(const TDataFile& table, TGraphValueCols& map);
void FillGraphGridCols(const TDataFile& table, TGraphGridCols& map);

// The first row (1..RowCount+1) of a catalogue or values table whose graph number is not below
// `number`; both tables are kept in number order.
template <typename Cols>
int FirstRowOfGraph(const Cols& cols, int number) {
  int lo = 1, hi = cols.RowCount + 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (cols.Ngr->Get(mid) < number) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

// The table of the base path, read from its file when there is one, else empty with the file-name
// part of the base path as title (and not written). Table file errors throw.
std::unique_ptr<TDataFile> OpenGraphCatalog(const std::string& basePath);
std::unique_ptr<TDataFile> OpenGraphValues(const std::string& basePath);

// Reads graph Number onto the grid Dates: Data gets one value per point, 0 where none is stored.
// Unless Raw, 'P' and 'Q' energies per interval of Period seconds become mean powers. Daily values
// (Kind 2) of a graph with a typical day TypicalNumber are spread (unless Raw) to 24 hourly points a
// day shaped by that typical day: Dates and Data are replaced and NewPeriod becomes 3600; otherwise
// NewPeriod is 0. A null table leaves zeros.
void ReadGraphValues(const TDataFile* Values, int Number, int Period, int& NewPeriod, DAdouble& Data,
                     DAdouble& Dates, bool Raw, char Quantity, std::uint8_t Kind, int TypicalNumber);
// The same from the values table of a base path.
void LoadGraphValues(const std::string& BasePath, int Number, int Period, int& NewPeriod, DAdouble& Data,
                     DAdouble& Dates, bool Raw, char Quantity, std::uint8_t Kind, int TypicalNumber);

// Puts the points (Dates, Data) of graph Number into the values table in memory, replacing every
// point of that graph from the first to the last new moment. False when there are no points.
bool PutGraphValues(TDataFile& table, int Number, const DAdouble& Dates, const DAdouble& Data);
// The same on the values table of the base path, whose file is then saved; table file errors throw.
bool StoreGraphValues(const std::string& BasePath, int Number, const DAdouble& Dates, const DAdouble& Data);

}  // namespace ld
