#pragma once
// Measured loads of the transformers of a district's stations ("Формат РЭС (ТП,РП)") from a
// measurement workbook. Two layouts: one sheet row per transformer (name in column 3, designation in
// 4, rated power in kVA in 5, active load in 8), or one sheet row per station from row 2 (name in
// column 1), either with the station's rated power and load in columns 2 and 3 or, when the header
// cell of column 4 is filled, with rated power and load of Т1, Т2 and Т3 in columns 2 to 7.
// Stations are found by a key of their name without the kind prefix ("ТП", "КТП", "ЗТП", "МТП").
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/district/measure_sheet.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

// Which of the two commands a station key is made for: they differ in what follows the prefix.
enum class TStationKeyKind {
  Transformers,  // one blank or "-" after the prefix is dropped
  Stations,      // only a "-" is dropped
};

// The key of a name as the sheet gives it: upper case, then a leading "ТП", or else "КТП", "ЗТП" or
// "МТП", removed, then one character by the kind.
std::string StationKey(std::string_view name, TStationKeyKind kind);
// The key of a station table's Name1: the same after the name is cut before its first ".".
std::string TableStationKey(std::string_view name1, TStationKeyKind kind);
// The rated power of a mark such as "ТМ-400/10": the number between its first "-" and the "/" after
// it; 0 when it does not read.
float RatedPowerOfMark(std::string_view mark);

// Sheet rows of one transformer each. Every transformer's Commut, U, T and loads are reset first; a
// transformer named by the sheet then gets T 1 and Pn = load, Qn = load * tangent, or, with a load
// cell without digits, Commut "О". A rated power or a load is read whole (its column's unit may follow
// it: "250 кВА", "120 кВт"); one that is not, or a name with a control character inside, is named by its
// cell. Stations and transformers not found, a transformer named twice and a rated power other than its
// mark's add their lines to messages. progress: 10 more at each tenth of the sheet's rows. Returns the
// rows that measured a transformer with their rated power and load read (a load without digits, which
// switches off, reads), and the first row that did not.
TImportTaken ImportTPMeasurements(TDataFile& stations, const TSheetCells& cells, double tangent,
                                  std::vector<std::string>& messages, const TMeasureProgress& progress = {});

// Sheet rows of one station each, the values of the measurement type (2 kW, 3 A, 5 kWh) given to
// Pn with T = type. Every transformer's T and loads are reset first (Commut stays). A station's load
// is shared among its switched-on transformers in proportion to their rated powers; per-transformer
// loads switch off (-1), on, or report a transformer without a measurement (0). Stations not in the
// base that carry a load are listed at the end under "[Не найдены ТП в базе РЭС]". Returns the rows
// that gave their station's transformers the type with every number of their layout read (rated power
// and load; the three pairs), and the first row that did not.
// Titles above the headings and the rows that go on with them are passed (SheetHeadRows); a sheet
// without headings begins with its first station. `unreadFrom4` says whether the columns from 4 on are
// none the reader reads under the headings of a row (a remarks column): by default when the heading of
// column 4 is empty.
TImportTaken ImportTPStationMeasurements(TDataFile& stations, const TSheetCells& cells, int type,
                                         std::vector<std::string>& messages, const TMeasureProgress& progress = {},
                                         const std::function<bool(int row)>& unreadFrom4 = {});

// The measurement type a setting stands for: its rounded value when 2, 3 or 5, else 2.
int MeasurementType(float setting);

}  // namespace ld
