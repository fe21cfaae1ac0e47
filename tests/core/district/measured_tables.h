#pragma once
// The tables a sheet reader of the district fills, as a base holds them before it is run, and their text,
// for the tests that feed every reader of the program's list a sheet it must refuse with nothing changed.
#include <string>
#include <vector>

#include "core/district/sheet_imports.h"
#include "core/tables/layout.h"
#include "core/tables/table_ops.h"
#include "support/table_rows.h"

namespace ld::test {

// A base that names what the test books name (the stations ТП-42, ТП-7 and ТП-1, the inputs "Ввод 1" and
// "Ввод 2", the feeders Ф-2 and Л8), each load measured before; the reader's other tables empty.
inline std::vector<TDataFile> MeasuredTables(const TSheetImport& reader) {
  std::vector<TDataFile> tables;
  for (const char* layout : reader.Layouts) {
    TDataFile& t = tables.emplace_back();
    if (std::string(layout) == LayoutTransTP)
      FillRows(t, LayoutTransTP, {{"", "ТП-42", "Т1", "", "", "ТМ-400/10", "", "", "", "", "", "", "", "2", "50"},
                                  {"", "ТП-7", "Т1", "", "", "ТМ-250/10", "", "", "", "", "", "", "", "2", "20"},
                                  {"", "ТП-1", "Т1", "", "", "ТМ-100/10", "", "", "", "", "", "", "", "2", "10"}});
    else if (std::string(layout) == LayoutSubstInputs)
      FillRows(t, LayoutSubstInputs, {{"ПС-1", "Ввод 1", "", "", "4", "", "", "7", "7"},
                                      {"ПС-2", "Ввод 2", "", "", "4", "", "", "8", "8"}});
    else if (std::string(layout) == LayoutSubstFeeders)
      FillRows(t, LayoutSubstFeeders, {{"ПС-1.1", "Ф-2", "", "", "", "", "", "9", "9"},
                                       {"ПС-1.1", "Л8", "", "", "", "", "", "6", "6"}});
    else
      FillRows(t, layout, {});
  }
  return tables;
}

// Every cell of the tables, row by row.
inline std::string TablesText(const std::vector<TDataFile>& tables) {
  std::string out;
  for (const TDataFile& t : tables)
    for (int r = 1; r <= t.RowCount; ++r) {
      for (int k = 1; k <= t.NCols; ++k) out += GetCellText(t, r, k, true) + "|";
      out += "\n";
    }
  return out;
}

}  // namespace ld::test
