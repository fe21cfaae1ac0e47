#pragma once
// Graphs from the workbooks of two metering systems. The workbook itself is read by the caller; the
// import reads cells of the first sheet through a cell reader, so it does not care how the file was
// stored.
#include <functional>
#include <string>

#include "core/tables/layout.h"

namespace ld {

struct TImportCell {
  enum Kind { Empty, Number, Text, Date } kind = Empty;
  double number = 0;  // Number: the value; Date: the serial day (days since 30.12.1899)
  std::string text;   // Text
};

// The cell at (row, col), both from 1.
using TCellReader = std::function<TImportCell(int row, int col)>;
// Called after each graph was added and stored: the window saves its catalogue and stays alive.
using TGraphAdded = std::function<void()>;
// The file and the sheet the cells come from, for the messages that name a cell.
struct TImportSource {
  std::string file;
  std::string sheet;
};

// First metering system: blocks of a head row (title, unit, number), one row not read, then day rows
// (a date, then the values of hours 0..23); a block ends at the first row without a date in column 1
// and an empty title ends the workbook. New numbers become graphs by slices of an hour; the values
// of empty cells are left out. Returns the number of graphs added. A number cell that is not an
// integer, or a value that is not a number, throws its conversion error (as ld::Error naming the
// source's file, sheet and cell when a file is given); a value that is NaN, infinite or more than a
// table column holds (ImportNumberFault) throws ld::Error naming them. Graphs added before the error
// stay; the graph of the bad cell is not stored.
int ImportMeteringSlices(const TCellReader& cell, TDataFile& catalog, const std::string& basePath,
                         const TGraphAdded& added = {}, const TImportSource& source = {});

// Second metering system: one row per graph (title, unit, number, the values of hours 1..24 of a
// typical day). New numbers become typical graphs. Errors as above.
int ImportMeteringTypical(const TCellReader& cell, TDataFile& catalog, const std::string& basePath,
                          const TGraphAdded& added = {}, const TImportSource& source = {});

}  // namespace ld
