#pragma once
// What the graph catalogue window shows of one graph, computed without the window: the series of a
// catalogue row for the display interval, its caption and statistics, the titles of the value grid,
// and the changes of the values table that follow a renamed or deleted graph.
#include <string>

#include "core/base/dates.h"
#include "core/base/dynarray.h"
#include "core/catalogs/graph_tables.h"

namespace ld {

// " Период: dd.mm.yyyy - dd.mm.yyyy ".
std::string GraphPeriodText(TDateTime date1, TDateTime date2);

// Number, ", ", letter, " (", unit, ") ", title of a catalogue row.
std::string GraphCaption(const TGraphCatalogCols& cols, int row);

// The first catalogue row of that number; 0 when none.
int FindGraphCatalogRow(const TGraphCatalogCols& cols, int number);

// The mean and the root mean square of the values as the status line shows them (" Vср = 3.000",
// " Vкв = 3.162"). Zeros count in the sums but not in the divisor; without a non-zero value only the
// prefixes are left.
void GraphStatTexts(const DAdouble& values, std::string& mean, std::string& rms);

// The row of the largest value, and of the smallest value that is not 0 (first occurrences over
// rows 1..count of the column); 0 when there is none.
int GraphMaxRow(const DAdouble& values, int count);
int GraphMinRow(const DAdouble& values, int count);

// Titles of the value grid's columns DateStr and Value for a graph of that kind, letter and unit.
std::string ValueGridDateTitle(std::uint8_t kind);
std::string ValueGridValueTitle(char letter, const std::string& unit);

// The series of catalogue row `row` over the display interval. A single graph is read as the window
// edits it (daily values spread by their typical day, energies as mean powers); a joint one is read
// as stored and put onto the common grid of curPeriod seconds. Period is the period of the points
// delivered. False with `error` when the interval is empty or (joint) the periods are no multiples;
// after a failed resampling the series is the graph's own and Period is curPeriod all the same.
// raw reads the stored values themselves (the value correction edits them).
bool LoadCatalogGraph(const std::string& basePath, const TGraphCatalogCols& cols, int row, TDateTime date1,
                      TDateTime date2, bool joint, int curPeriod, bool raw, DAdouble& dates, DAdouble& values,
                      int& period, std::string& error);

// After values were stored: the row's first and last stored dates take in the new points.
void WidenGraphDates(const TGraphCatalogCols& cols, int row, double firstPacked, double lastPacked);

// Rows of the values table (sorted by number, then moment).
// Removes every row of the graph; the number of rows removed.
int DeleteGraphValueRows(TDataFile& values, int number);
// Gives the rows of oldNumber the number newNumber, moving them where the new number belongs; the
// number of rows moved.
int RenumberGraphValues(TDataFile& values, int oldNumber, int newNumber);
// Whether any value row of the graph exists.
bool GraphHasValues(const TDataFile& values, int number);

}  // namespace ld
