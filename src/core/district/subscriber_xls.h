#pragma once
// The district's commercial and technical metering from workbooks (first sheet of each, cells from
// row 1, column 1): the industrial subscriber base, the household subscriber base, and the measured
// energies of the substation inputs and feeders of the base.
//
// Names and texts are taken as every import takes a name (ImportName: blanks, no-break spaces, tabs and
// line breaks at their ends cut); one with a control character inside refuses the workbook by its cell.
//
// Industrial sheet: one metering point per row from row 3 (from row 1 or 2 when that row holds a point's
// number already: a sheet without its title or its headings) up to the row before the first empty cell of
// column 1: 2 contract, 3 subscriber, 4 metering point, 5 address, 6 station, transformer and feeder
// joined by dots, 7 working time, 8 power, 9 meter number, 10 meter type, 11 meter factor, 12 kind of
// energy, 13 energy, 14 the line's (a point on a 0.4 kV feeder) or else the transformer's part of it.
// Household sheet: rows from 1 up to the first empty cell of column 1; a row whose first cell begins
// with a digit is a feeder (2 feeder, 3 subscribers, 4 energy) of the station named by the last row
// that does not; a feeder whose column 2 is empty is stored without a feeder and named. Technical sheet:
// column 1 a name, columns 2 to 5 four energies; row 1 a heading. A cell of column 1 that cannot be read
// (an error value, a boolean, a formula without its result, a control character inside) tells no row's
// kind and no end of the names: it refuses the workbook by its cell.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/callbacks.h"
#include "core/base/import_messages.h"
#include "core/district/base_import.h"
#include "core/district/measure_sheet.h"
#include "core/office/zip_part.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

// The cell as a number read whole (SheetImportNumber; empty is 0). A cell that is no number, or none a
// table can hold, adds '<name>, строка <row>, столбец <col>: Ошибка чтения (<its text and why>)' to info
// (SheetCellFault), leaves value as it was and gives false.
bool ReadCellFloat(const std::string& name, const TSheetCells& cells, int col, int row, double& value,
                   std::vector<std::string>& info);
bool ReadCellFloat(const std::string& name, const TSheetCells& cells, int col, int row, double& value,
                   TImportMessages& info);

// The row before the first empty cell of column 1 from row 1 (EndsData) that is none of the rows under
// the industrial sheet's headings (its units, UnderHeadings).
int LastSheetRow(const TSheetCells& cells);

// A row's number as people type it: digits, a section's numbers after dots, a letter, a dot or a
// bracket after them ("12", "12.", "1.1", "2а", "2)"), "№" before them ("№2"); no date.
bool IsRowNumberText(std::string_view text);
// What the industrial reader makes of a cell of a row it reads, the one rule its check asks before
// anything is reset: empty where it takes the cell (or names it by its cell: an empty one, one that
// cannot be read, a figure a merged range shows), otherwise why the row is no metering point of an
// industrial sheet, which refuses the sheet by the cell. The row's number (column 1): a whole number from
// 0 or a text IsRowNumberText takes; a date, another number or another text is none.
std::string MeterPointNumberFault(const TOutsideValue& cell);
// The station with its transformer and feeder after dots (column 6: "ТП-42.Т1.Л8"; a dot at its end ends
// a whole one): no part empty, the station named with a letter or by its number ("115"; a 0 is none,
// NamesUnit), as the sheet shows it; a date or a fraction is none.
std::string MeterPointStationFault(const TOutsideValue& cell);
// Whether the row is an empty one between two metering points, which the industrial sheet's data go on
// past.
bool MeterPointsGap(const TSheetCells& cells, int row);
// Where an industrial sheet's metering points begin: row 3, below a title row and a row of headings,
// unless row 1 or 2 already holds a point (a sheet kept without its title or without its headings); a
// number alone above a row of headings is a title.
int FirstPointRow(const TSheetCells& cells);
// Whether a name of column 1 of a households sheet is a feeder's number (a digit first), not a station.
bool IsFeederNumber(std::string_view name);
// Whether the key cell of the row is an empty row between a station's row and its first feeder, or
// between a station's last feeder and the next station with its feeders, which the households book's data
// go on past.
bool HouseholdsGap(const TSheetCells& cells, int row);
// Whether the row is one of headings over the households book's counts and energies: words over both,
// and no value.
bool HouseholdsHeadingRow(const TSheetCells& cells, int row);
// The meter's kind of energy that an industrial sheet's text names ("АЕ спож." 1, "АЕ ген." 0, "РЕ спож."
// 2, "РЕ ген." 3): one of the four whatever its letter case, dots, blanks and Latin look-alike letters
// ("ае ген", "AE ген."); or words and meters' symbols that say both what the energy is (active: "А",
// "АЕ", "Эа", "акт.", "активная"; reactive: "R", "РЕ", "Эр", "реакт.", "реактивная") and which way it
// flows (consumed: "спож.", "потребление", "прием", a "+" right after the symbol; generated: "ген.",
// "генерация", "выдача", "отдача", a "-" right after it), with "энергия" beside them ("A+", "R-",
// "Реактивная энергия, потребление"). -1 for any other text.
int MeterEnergyKind(std::string_view text);
// Why the industrial reader cannot tell the kind of energy of a filled cell of column 12 (MeterEnergyKind
// knows none), which refuses the workbook by the cell; empty where it can, and for an empty cell or one
// it names by its cell anyway.
std::string MeterEnergyKindFault(const TOutsideValue& cell);
// A households feeder as the base names it ("Л8") when the sheet writes its number alone ("8"), or the
// base's letter in small ("л8"); a feeder written with a letter of its own ("Л-8", "Л 1", "Ф-3") as it is
// written; empty for none.
std::string HouseholdsFeeder(std::string_view name);

// Fill the empty tables of their layouts ("База промышленных абонентов", "База бытовых абонентов").
// A text that would not go whole into its field throws TCellTextError naming its cell. What the rows
// take in memory is counted against held when one is given. Each sheet adds at most
// kMaxImportMessages lines to info, and then one line of how many more there were. Every row becomes a
// table row; the rows returned as taken are the whole ones: a metering point with its station, its
// contract and its numbers read, a feeder with the station above it and its numbers read. A sheet of
// another kind has none, and the first reason says why.
TImportTaken ReadMeterPointsSheet(const TSheetCells& cells, TDataFile& table, std::vector<std::string>& info,
                                  const TImportProgress& progress = {}, office::TFileScaledBudget* held = nullptr);
TImportTaken ReadHouseholdsSheet(const TSheetCells& cells, TDataFile& table, std::vector<std::string>& info,
                                 const TImportProgress& progress = {}, office::TFileScaledBudget* held = nullptr);
// Writes the measured energies of the sheet into the input and feeder tables of the base; rows without
// a match keep their values; each sheet row that none took is named (NameRowNotTaken: a name the base does
// not hold, a name repeated below the row that is taken). stage receives the text of each of the two
// walks. The sheet's names are indexed once, and what the index takes is counted against held when one
// is given. Returns the inputs
// and feeders measured with their four energies read, and the first that was not (a name not found).
TImportTaken ReadTechnicalSheet(const TSheetCells& cells, TDataFile& inputs, TDataFile& feeders,
                                std::vector<std::string>& info, const TImportProgress& progress = {},
                                const TStageProc& stage = {}, office::TFileScaledBudget* held = nullptr);

}  // namespace ld
