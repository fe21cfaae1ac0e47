#pragma once
// What the scheme file and editing tests compare: whole tables as cell texts, files as bytes, and
// the lock files and dates of a scheme on disk.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/tables/layout.h"
#include "support/test_env.h"
#include "support/held_file.h"

namespace ld::test {

// Every cell of every row in the general number format, one text per row.
inline std::vector<std::string> TableText(const TDataFile& table) {
  std::vector<std::string> rows;
  for (int r = 1; r <= table.RowCount; ++r) {
    std::string text;
    for (int c = 1; c <= table.NCols; ++c) text += GetCellText(table, r, c, true) + "|";
    rows.push_back(text);
  }
  return rows;
}

// A lock file as another workstation writes it: a length byte and the user's name in Windows-1251.
inline void WriteForeignLock(const std::string& fileName, const std::string& user) {
  const std::string name = Utf8ToCp1251(user);
  HoldAsLiving(fileName + "~", std::string(1, static_cast<char>(name.size())) + name);
}

// The file's modification time moved by seconds.
inline void ShiftFileTime(const std::string& fileName, int seconds) {
  const auto path = std::filesystem::path(fileName);
  std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(seconds));
}

}  // namespace ld::test
