#include "gui/grid/print_markup_table.h"

namespace ld {

void AppendTablePrintLines(const TDataFile& table, std::vector<std::string>& lines) {
  std::vector<int> shown;
  for (int k = 1; k <= table.NCols; ++k)
    if (table.Visible[k] == 1) shown.push_back(k);
  std::string header = "StartTable№&";
  for (const int k : shown) header += std::to_string(table.Colors[k]) + "~" + table.ColTitle[k] + "&";
  lines.push_back(std::move(header));
  for (int r = 1; r <= table.RowCount; ++r) {
    const int rowMark = table.MarkRec ? table.MarkRec->Get(r) : 0;
    std::string line = "Table" + std::to_string(r) + "&";
    for (const int k : shown) {
      const int mark = rowMark != 0 ? rowMark : table.Colors[k];
      std::string text = GetCellText(table, r, k, false);
      if (text.empty()) text = ' ';
      line += std::to_string(mark) + "~" + text + "&";
    }
    lines.push_back(std::move(line));
  }
}

}  // namespace ld
