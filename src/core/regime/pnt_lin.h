#pragma once
// The PNT/LIN exchange files of other calculation programs: one line per node (PNT) and one per branch
// (LIN), Windows-1251 text with CR LF, a header line of column names, fields separated by blanks and
// numbers with "." as the decimal separator. Field widths and decimals come from the node and branch
// layouts, so a file written here lines up with the tables the user sees.
#include <string>

#include "core/tables/file_import.h"
#include "core/tables/layout.h"

namespace ld {

// The value in fixed notation with `digits` decimals (general notation for -1), right-aligned to
// `width` by blanks in front. A longer text is never cut: a cut number would change its value.
std::string FormatFixedWidth(int digits, int width, double value);

// The LIN partner of a chosen PNT name: on writing the name without its extension + ".LIN", on
// reading the name with its last three characters replaced by "LIN".
std::string LinNameForWrite(const std::string& pntFile);
std::string LinNameForRead(const std::string& pntFile);

struct TPntLinWriteOptions {
  bool ShortLayout = false;  // LIN with the parallel-line count "prl" and without the regulation fields
  bool SumSbal = false;      // a balancing node's generation is written as it is, not as 0
};

// Writes the pair: the PNT file from the node table as given (unsaved edits included), the LIN
// partner from the branch table, sorted by N1, N2 when the chosen name before its extension ends with
// "!". Throws ld::Error naming the file that could not be written.
void WritePntLin(const std::string& pntFile, const TDataFile& nodes, const TDataFile& branches,
                 const TPntLinWriteOptions& options);

// Reads a PNT file and its LIN partner into new tables: the i-th record goes to row i of a copy of
// `nodes` (or `branches`), keeping the columns the file does not carry; the row counts become the
// record counts. Throws ld::Error 'Ошибка чтения файла "<file>": PNT, строка <n>: <error>' (or
// "LIN, ...") for a record that cannot be read, NothingImportedText naming a file of no record (empty,
// or its header alone, as a pair written from an empty scheme is), and the open error of a missing
// file; the output tables are then left untouched, so a damaged pair never reaches the scheme. A record
// of fewer fields than its file's header names (the regulation's text aside), a last line without its
// end (a file cut inside it) and a branch whose end is no node of the PNT file are refused the same way.
// What it took: the nodes and branches, counted for the import's closing message.
TImportTaken ReadPntLin(const std::string& pntFile, const TDataFile& nodes, const TDataFile& branches,
                        TDataFile& nodesOut, TDataFile& branchesOut);

}  // namespace ld
