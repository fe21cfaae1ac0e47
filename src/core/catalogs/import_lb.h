#pragma once
// Typical daily graphs from "*.LB" files: a 4-byte header, then records of 428 bytes, each a graph
// number (16-bit), a name (length byte and up to 41 Windows-1251 characters) and 24 hourly values
// (32-bit floats), little-endian. Names in DOS 866 or UTF-8, as other programs write them, are told by their
// bytes or asked about (TextCodePage), never read as Windows-1251 letters.
#include <string>

#include "core/catalogs/import_rows.h"
#include "core/tables/layout.h"

namespace ld {

inline constexpr int kLBHeaderSize = 4;
inline constexpr int kLBRecordSize = 428;
inline constexpr int kLBNameLength = 41;

// Reads the whole file: a typical graph (hourly, active power in "%") for every record whose number
// the catalogue lacks, its values kept to seven decimals; nothing is written. A trailing part shorter
// than a record is a record cut short, and refuses the file naming it. A file of no record (empty, or shorter than its header and one record)
// takes nothing, and so does one whose every number the catalogue holds (Taken says why). A record that
// is none of this format (a name longer than 41 characters, none, or one with a control character) or a
// value that is NaN or infinite throws ld::Error naming the file and the record: a file of another kind
// read under this name would add graphs of binary names (which no message quotes). A file that cannot be
// read, or a folder, throws ld::Error naming it and why.
TGraphsRead ReadLBFile(const std::string& fileName, const TDataFile& catalog);

}  // namespace ld
