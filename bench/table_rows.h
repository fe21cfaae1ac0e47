#pragma once
// Seeded tables of the benchmarks: the rows of a layout given as cell texts in the layout's column order,
// written as the layout's table file. Empty texts leave their cells as a new table has them.
#include <string>
#include <vector>

#include "core/tables/cell_convert.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld::bench {

using Rows = std::vector<std::vector<std::string>>;

inline void WriteRows(const std::string& fileName, const std::string& layout, const Rows& rows) {
  TDataFile t;
  ReadMaket(layout, t);
  CreateColumns(t, static_cast<int>(rows.size()));
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      std::string text = rows[r][c];
      if (!text.empty()) StoreCellText(t, static_cast<int>(r) + 1, static_cast<int>(c) + 1, text);
    }
  WriteTableFile(fileName, t);
}

}  // namespace ld::bench
