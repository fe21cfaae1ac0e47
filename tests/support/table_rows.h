#pragma once
// Tables made for tests: the rows of a layout given as cell texts in the layout's column order.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/tables/cell_convert.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld::test {

using Rows = std::vector<std::vector<std::string>>;

// Read-only columns are filled as well; a text that its column cannot hold fails the test.
inline void FillRows(TDataFile& table, const std::string& layout, const Rows& rows) {
  ReadMaket(layout, table);
  CreateColumns(table, static_cast<int>(rows.size()));
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      std::string text = rows[r][c];
      EXPECT_TRUE(StoreCellText(table, static_cast<int>(r) + 1, static_cast<int>(c) + 1, text)) << rows[r][c];
    }
}

// A cell's text by its field name, as the grid shows it.
inline std::string CellText(const TDataFile& table, const std::string& field, int row) {
  return GetCellText(table, row, FindColumnIndex(field, table), true);
}

// The texts of one field in every row.
inline std::vector<std::string> ColumnTexts(const TDataFile& table, const std::string& field) {
  std::vector<std::string> out;
  for (int row = 1; row <= table.RowCount; ++row) out.push_back(CellText(table, field, row));
  return out;
}

// Rows given as the texts of some fields by name; the other cells stay empty.
using NamedCells = std::vector<std::pair<const char*, std::string>>;

inline void FillNamedRows(TDataFile& table, const std::string& layout, const std::vector<NamedCells>& rows) {
  ReadMaket(layout, table);
  CreateColumns(table, static_cast<int>(rows.size()));
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (const auto& [field, value] : rows[r]) {
      std::string text = value;
      ASSERT_TRUE(StoreCellText(table, static_cast<int>(r) + 1, FindColumnIndex(field, table), text)) << field;
    }
}

inline void WriteRows(const std::string& fileName, const std::string& layout, const Rows& rows) {
  TDataFile table;
  FillRows(table, layout, rows);
  WriteTableFile(fileName, table);
}

}  // namespace ld::test
