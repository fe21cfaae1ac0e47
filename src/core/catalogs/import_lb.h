#pragma once
// Typical daily graphs from "*.LB" files: a 4-byte header, then records of 428 bytes, each a graph
// number (16-bit), a name (length byte and up to 41 Windows-1251 characters) and 24 hourly values
// (32-bit floats), little-endian.
#include <string>

#include "core/tables/layout.h"

namespace ld {

inline constexpr int kLBHeaderSize = 4;
inline constexpr int kLBRecordSize = 428;

// Appends a typical graph (hourly, active power in "%") to the catalogue for every record whose
// number the catalogue lacks, and stores its 24 values in the values table of basePath. Returns the
// number of graphs added; a file that cannot be read throws ld::Error. A trailing part shorter than a
// record is no record. A value that is NaN or infinite throws ld::Error naming the file, the graph and
// the hour; that graph is not added, those before it stay.
int ImportLBFile(const std::string& fileName, TDataFile& catalog, const std::string& basePath);

}  // namespace ld
