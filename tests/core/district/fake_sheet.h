#pragma once
// A measurement sheet in memory for the district imports' tests: cell texts by row and column.
#include <map>
#include <string>
#include <utility>

#include "core/district/measure_sheet.h"

namespace ld::test {

struct FakeSheet {
  std::map<std::pair<int, int>, std::string> cells;
  // The cells of one row by column.
  void Row(int row, const std::map<int, std::string>& byCol) {
    for (const auto& [col, text] : byCol) cells[{row, col}] = text;
  }
  // Each cell a text as a workbook holds one typed in a text cell; an empty text is an empty cell.
  TSheetCells Cells() const {
    return [this](int row, int col) {
      const auto at = cells.find({row, col});
      return at == cells.end() || at->second.empty() ? TOutsideValue() : TOutsideValue::Text(at->second);
    };
  }
};

}  // namespace ld::test
