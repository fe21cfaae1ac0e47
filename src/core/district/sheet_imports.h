#pragma once
// The district's readers of a workbook sheet, as one list: every command that reads a subscriber or
// measurement workbook finds its reader here by name and runs it the same way, and whatever checks the
// readers (the grouped tests of the import rules) takes them from here, so that a reader added to the
// list is checked without anyone naming it again.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/callbacks.h"
#include "core/district/base_import.h"
#include "core/district/measure_sheet.h"
#include "core/district/sheet_import_names.h"
#include "core/office/zip_part.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

// What a run of a reader has besides the sheet and its tables.
struct TSheetImportRun {
  std::vector<std::string>* Messages = nullptr;  // the import's messages (never null in a run)
  // The command's one setting: the tangent of the transformers' loads, or the measurement type.
  double Setting = 0;
  TImportProgress Progress;
  TStageProc Stage;
  office::TFileScaledBudget* Held = nullptr;  // what the rows take in memory, when counted
};

// What a column of a reader's sheet holds in a row of its data.
enum class TSheetColumnKind {
  Name,    // a name
  Number,  // a number (a cell that cannot be read counts: it is a value, named when it is read)
  Digits,  // a text or number that shows digits, no date: a feeder's number, a power with its unit ("400 кВА")
  // the industrial reader's row number and station path, each as that reader takes it
  // (MeterPointNumberFault, MeterPointStationFault)
  RowNumber,
  StationPath,
};

// What every row the import takes must hold in a column, besides what a whole row fills.
enum class TSheetColumnNeed {
  Whole,   // nothing of every row: a row that leaves it empty, or fills it with what it does not hold, is named
  Shape,   // a filled cell holds the column's kind; an empty one is the reader's to name
  Filled,  // the cell is filled and holds the column's kind: an empty one would be taken as 0
};

// The words of a column's headings under a setting of the command, and how a refusal names the setting.
struct TSheetHeadings {
  std::vector<const char*> Words;
  std::string Setting;  // "тип замера 2 - кВт"
};

struct TSheetColumn {
  int Col;
  TSheetColumnKind Kind;
  const char* Title;  // what it holds, as a refusal names the column
  // Words people write in a heading over the column, one of which the heading holds by its meaning and
  // naming nothing else (HeadingSays), in any row the sheet has headings in; none: the column is judged by
  // its cells alone. An empty heading cell is no other column's.
  std::vector<const char*> Headings = {};
  // Whether a row of the data fills it; false: the column is the sheet's, but a row may leave it empty.
  bool InEveryRow = true;
  TSheetColumnNeed Need = TSheetColumnNeed::Whole;
  // The headings of a column whose quantity and unit the command's setting chooses (a load in kW, A or
  // kW·h by the measurement type): the words and how a refusal names the choice. Unset: Headings.
  std::function<TSheetHeadings(double setting)> HeadingsOf = {};
  // The direction of the energy the column stores where its words name none (HeadingSays): +1 the energy
  // taken (a base of consumption), 0 either.
  int Direction = 0;
};

struct TSheetImport {
  const char* Name;                  // as the import's messages name the sheet
  std::vector<const char*> Layouts;  // the tables it fills, in the order Read takes them
  // Whether the tables start empty (the reader makes them anew) or as the base holds them.
  bool Fresh;
  // What a sheet of this reader's kind has, looked at before the reader resets or writes anything: the
  // last row of its headings (0: none; 1: the first row below its titles, SheetHeadRows), the columns a
  // row of its data fills (the first tells where the data end: a hundred empty cells), and the column
  // right after its own whose heading, left empty, means the rows hold nothing there either, and naming
  // nothing the reader reads, that the rows hold remarks there (0: none; SheetColumnsBeyond).
  int HeadingRow;
  std::vector<TSheetColumn> Columns;
  int Beyond;
  // The reader itself, which Read runs on a sheet of its kind.
  std::function<TImportTaken(std::vector<TDataFile>& tables, const TSheetCells& cells, const TSheetImportRun& run)>
      Take;
  // The command that runs the reader, as the user finds it in the menu, and the part of it that the
  // reader reads (empty: the whole), which a refusal of a sheet of another kind names.
  const char* Command;
  const char* Part;
  // The rows the reader takes: those below the headings whose key (the first column) is filled, down to
  // the first empty one (FirstBlankEnds) or to a hundred empty ones, and of them those that RowTaken
  // (when given) says; the others (a station's row above its feeders) are the reader's own.
  bool FirstBlankEnds = false;
  std::function<bool(const TSheetCells& cells, int row)> RowTaken = {};
  // Whether a row of headings may stand over any row of the data, as the reader passes it or takes it
  // for a row of its own that is none of the data (RowTaken: a households book's station): a row whose
  // number columns hold no value and whose digit columns show no digits. Its texts over the columns are
  // headings, each of which says what its column holds; the sheet's other rows are its data.
  bool HeadingsAmongRows = false;
  // Whether rows of titles and headings may stand above the first row of the data, as the reader passes
  // them by: those whose number columns hold no value (RowHoldsValue).
  bool TitleRows = false;
  // Where the reader's rows begin when the sheet itself says so (a sheet kept without its title row or
  // without its headings, FirstPointRow); empty: below HeadingRow.
  std::function<int(const TSheetCells& cells)> FirstDataRow = {};
  // An empty key cell that the data go on past (a households book's empty row under a station's name),
  // as the reader passes it; empty: none.
  std::function<bool(const TSheetCells& cells, int row)> BlankWithin = {};
  // Whether the first row below the titles (HeadingRow 1) is the headings whatever it holds, as the
  // command reads it: a sheet whose first row holds values (a name and its figures) is kept without its
  // headings, and is refused naming that row and what it holds.
  bool HeadingsInFirstRow = false;

  // The sheet read into the tables, when it is of the reader's kind; otherwise throws TSheetKindError
  // with SheetKindFault, before anything is reset. A figure under a heading of its column's unit in
  // another scale ("тыс. кВт*ч", "МВт*ч" over kW·h) is read brought to the column's unit exactly
  // (HeadingScale, DecimalScaled); a text there that reads no number is named by its cell. A sheet from which nothing is taken, or that is
  // refused by a cell, leaves the tables as they were: a reader that resets every load first (the station
  // measurements) resets none of them.
  TImportTaken Read(std::vector<TDataFile>& tables, const TSheetCells& cells, const TSheetImportRun& run) const;
};

// Empty when the sheet is of the reader's kind: each heading over a column of its own is empty or says
// what the column holds, no value stands under an empty heading right after its own columns, every row
// the reader takes holds in each column what the column's Need asks, and one of them fills every column
// a row must fill. Otherwise why not, naming the command, the cell or the columns and what the heading or
// the row must hold: a workbook of another import (a households book chosen for the station
// measurements, a metering book for the industrial base) is refused by name before anything is reset.
// `setting` is the command's (TSheetImportRun::Setting), which chooses what a column accepts (HeadingsOf).
std::string SheetKindFault(const TSheetImport& import, const TSheetCells& cells, double setting = 0);

// Whether the reader leaves its columns from Beyond on unread in the rows under the headings of `row`:
// the heading there is empty, or names nothing the reader reads and stands over no figure (a remarks
// column, "Примечание"), as the station measurements' reader is told (ImportTPStationMeasurements).
bool SheetColumnsBeyond(const TSheetImport& import, const TSheetCells& cells, int row);

// Every reader of a district workbook sheet.
const std::vector<TSheetImport>& SheetImports();
// The reader of that name; throws ld::Error for a name the list does not hold.
const TSheetImport& FindSheetImport(std::string_view name);

}  // namespace ld
