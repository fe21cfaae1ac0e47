#pragma once
// Zip packages written byte by byte, so that a test or a benchmark can make what no zip library
// writes: several entries naming one compressed stream, sizes declared other than they are.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ld::test {

inline constexpr std::uint32_t kTrueSize = 0xFFFFFFFFu;

struct ZipStream {
  std::string data;  // the uncompressed bytes; stored deflated
  // The size that the local and central headers declare for the bytes (kTrueSize: their own).
  std::uint32_t declared = kTrueSize;
  // After `data`, each text said so many times over: a part of a gigabyte is made without holding it.
  std::vector<std::pair<std::string, std::uint64_t>> runs = {};
};

struct ZipEntry {
  std::string name;
  int stream = 0;  // index into the streams; entries naming one stream share its local header and bytes
};

// The package: each stream once, with a local header named after the first entry that names it, then a
// central directory of every entry.
std::string BuildZip(const std::vector<ZipStream>& streams, const std::vector<ZipEntry>& entries);

// One stream per part, in order.
std::string BuildZip(const std::vector<std::pair<std::string, std::string>>& parts);

// A workbook of one sheet as spreadsheet programs write it: its content types (.bin parts as binary
// data), the package's and the book's relationships, the book naming the sheet, the sheet, and the table
// of texts and the styles when they are given.
struct OneSheetBook {
  std::string sheetName = "Лист1";
  std::string sheet;          // the whole worksheet part
  std::string sharedStrings;  // the whole table of texts; none when empty
  std::string styles;         // the whole styles part; none when empty
};
std::vector<std::pair<std::string, std::string>> OneSheetWorkbookParts(OneSheetBook book);

}  // namespace ld::test
