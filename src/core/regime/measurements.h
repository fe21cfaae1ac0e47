#pragma once
// A scheme's measured loads for a new period: clearing the measured powers and energies of the month,
// and importing measured node loads and line flows from the first sheet of a workbook.
#include <functional>
#include <string>
#include <vector>

#include "core/office/sheet_reader.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

// Zeroes the twelve measured columns of the flow table and the eight of the node table and deletes the
// energy result files of the scheme. A missing flow file is created empty. The four files are locked
// meanwhile; each table is written as soon as it is cleared, and every lock taken here is gone at the
// end, also after an error.
void ClearMonthData(const std::string& schemePath);

struct TMeasurementImport {
  std::string Note;     // goes to Prim of every node that received a load
  double Tangent = 0;   // for rows without their own tangent
};

// A number column of the measurement book, as a refusal names it, and the words a heading over it holds
// for what the column holds (HeadingNamesOther): the measured value in MW, its tangent.
struct TMeasuredColumn {
  int Col;
  const char* Title;
  std::vector<const char*> Words;
};
const std::vector<TMeasuredColumn>& MeasuredColumns();

// What a sheet gave: the lines for the message panel and the measurements taken (a node's load set, a
// line's flow added); a row is taken when its nodes (and line) are found and its quantity reads, and the
// first row that was not says why in Taken.FirstReason.
struct TMeasurementsRead {
  std::vector<std::string> Info;
  TImportTaken Taken;
};

// Imports the first sheet of the open workbook (each cell as it shows: a merged substation name is the
// name of every row it covers) into the node table (loads of the nodes named in the sheet) and appends the measured
// line flows to `flows`. Nodes marked 'z' by an earlier import are reset first, so importing twice gives
// the same loads. Lines are found by the upper-cased names of their ends in `branches`. Info holds the
// lines for the message panel (unknown nodes and lines, unreadable cells), the first 1000 of them and
// then "Еще сообщений не показано: N". A value that is no finite number or that a table column cannot
// hold (ImportNumberFault), read or computed, throws ld::Error naming fileName, the sheet and the cell;
// so does a text that can name nothing: a name part (columns 14, 15 and each item of the list in 16)
// longer than the node table's name field or with a character without a Windows-1251 code, a list
// longer than every node of the table named once, a number or kind longer than the table's widest
// text field. The tables are then half changed and must not be written. A row whose columns 9 and 13 hold
// no value is looked at as a row of headings before any node is reset: a heading there that names
// another quantity or unit than the column's (the measured value in MW, its tangent), a period, a count,
// a year, a length, a percent or an inventory number (HeadingNamesOther) throws ld::Error naming the cell
// and what the heading says, with the tables as they were; the column's own unit in another scale ("P,
// кВт") brings the values below it to MW exactly (HeadingScale).
// progress gets 0..100.
TMeasurementsRead ImportMeasurements(const TSheetReader& sheet, TDataFile& nodes, const TDataFile& branches,
                                     TDataFile& flows, const TMeasurementImport& options, const std::string& fileName,
                                     const std::function<void(int)>& progress = {});

// The whole command on the scheme's files, along the import path: node and branch files locked, the
// workbook read whole and its first sheet imported into the node table and a new flow table in memory;
// a workbook that gives no measurement is refused by name (NothingImportedText) with the scheme's files
// as they were; otherwise the node and flow tables are written in one run. Workbook and table-store
// failures throw ld::Error; the locks taken here are removed in every case. Returns the panel's lines.
std::vector<std::string> ImportMeasurementFile(const std::string& schemePath, const std::string& workbookFile,
                                               const TMeasurementImport& options,
                                               const std::function<void(int)>& progress = {});

}  // namespace ld
