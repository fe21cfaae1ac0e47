#pragma once
// A minimal legacy workbook (.xls: BIFF8 records in a compound document) with one sheet "Лист1" of
// numbers, texts and dates, written byte by byte for the tests that read such files.
#include <cstdint>
#include <string>
#include <vector>

namespace ld::test {

struct XlsCell {
  enum Kind { Number, Text, Date } kind;
  int row, col;  // from 1
  double number = 0;  // Number: the value; Date: the serial day
  std::string text;   // Text (UTF-8)
};

std::string BuildXls(const std::vector<XlsCell>& cells);

// One record of a workbook stream: its type and the length of its body, then the body.
std::string XlsRecord(unsigned type, const std::string& body);
// A value in `bytes` little-endian bytes, as the records' fields hold it.
std::string XlsLittle(std::uint64_t value, int bytes);

// A compound document whose one stream "Workbook" holds these bytes (BIFF records as given).
std::string XlsContainer(std::string stream);

// A legacy workbook of no sheet at all: its common part only.
std::string XlsWithoutSheet();

// The workbook BuildXls made with the text cell (row, col) pointing at entry `index` of the texts.
std::string WithTextIndex(std::string xls, int row, int col, std::uint32_t index);

}  // namespace ld::test
