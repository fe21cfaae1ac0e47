#pragma once
// One column of a table file as its bytes hold it, read here without the program's table reader, so that
// a check of what a command wrote does not go through the code it checks. Knows only the sectioned
// format: signature, layout, title, row count, "RESTRUCTURED", row marks, then per column its field name,
// type letter, byte count and data (a short string per row for 's', equal slices per row otherwise).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "support/test_env.h"

namespace ld::test {

// A whole table as its bytes hold it: the head's texts and row count, the row marks, and each column's
// field name, type letter and data bytes in the file's order. `whole` is false where the file is not a
// sectioned table or ends inside a part.
struct TRawTable {
  bool whole = false;
  std::string layout, title, marks;
  std::int32_t rows = 0;
  std::vector<std::string> fields;  // "<name> <type>"
  std::vector<std::string> data;    // each field's bytes
};

inline TRawTable RawTable(const std::string& file) {
  TRawTable table;
  const std::string bytes = ReadBytes(file);
  std::size_t at = 0;
  bool cut = false;
  const auto take = [&](std::size_t n) {
    if (cut || at + n > bytes.size()) {
      cut = true;
      return std::string();
    }
    at += n;
    return bytes.substr(at - n, n);
  };
  const auto shortText = [&] {
    const std::string n = take(1);
    return n.empty() ? n : take(static_cast<unsigned char>(n[0]));
  };
  const auto i32 = [&] {
    const std::string b = take(4);
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < b.size(); ++k) v |= std::uint32_t{static_cast<unsigned char>(b[k])} << (8 * k);
    return static_cast<std::int32_t>(v);
  };
  if (shortText() != "ZREGIM") return table;
  table.layout = Cp1251ToUtf8(shortText());
  table.title = Cp1251ToUtf8(shortText());
  table.rows = i32();
  if (shortText() != "RESTRUCTURED" || table.rows < 0) return table;
  table.marks = take(static_cast<std::size_t>(table.rows));
  while (at < bytes.size() && !cut) {
    const std::string name = shortText(), type = take(1);
    const std::int32_t size = i32();
    table.data.push_back(take(static_cast<std::size_t>(size < 0 ? 0 : size)));
    table.fields.push_back(name + " " + type);
  }
  table.whole = !cut;
  return table;
}

// The cells of the field, a text cell in UTF-8 and any other cell as its raw bytes; a file that is not a
// whole sectioned table or lacks the field fails the test and gives nothing.
inline std::vector<std::string> RawColumn(const std::string& file, const std::string& field) {
  const TRawTable table = RawTable(file);
  if (!table.whole) {
    ADD_FAILURE() << file << ": not a sectioned table";
    return {};
  }
  for (std::size_t k = 0; k < table.fields.size(); ++k) {
    const std::string& named = table.fields[k];
    const std::size_t blank = named.rfind(' ');
    if (named.substr(0, blank) != field) continue;
    const std::string type = named.substr(blank + 1);
    const std::string& data = table.data[k];
    std::vector<std::string> cells;
    std::size_t p = 0;
    for (std::int32_t r = 0; r < table.rows; ++r) {
      if (type == "s") {
        const std::size_t n = p < data.size() ? static_cast<unsigned char>(data[p]) : 0;
        cells.push_back(Cp1251ToUtf8(data.substr(p + 1, n)));
        p += n + 1;
      } else {
        const std::size_t each = data.size() / static_cast<std::size_t>(table.rows);
        cells.push_back(data.substr(p, each));
        p += each;
      }
    }
    return cells;
  }
  ADD_FAILURE() << file << ": no column " << field;
  return {};
}

// A one-byte state letter as the file holds it, in UTF-8 ("" for none).
inline std::string RawLetter(const std::string& cell) {
  return cell.empty() || cell[0] == 0 ? std::string() : Cp1251ToUtf8(cell.substr(0, 1));
}

// A real cell as the file holds it: four bytes a single, eight a double, little-endian as written.
inline double RawReal(const std::string& cell) {
  if (cell.size() == sizeof(float)) {
    float v = 0;
    std::memcpy(&v, cell.data(), sizeof v);
    return v;
  }
  double v = 0;
  EXPECT_EQ(cell.size(), sizeof v) << "not a real";
  if (cell.size() == sizeof v) std::memcpy(&v, cell.data(), sizeof v);
  return v;
}

}  // namespace ld::test
