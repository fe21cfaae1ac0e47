#pragma once
// Comparison of a grid's table with another table file of its layout: for each compared column the
// other file's value is appended as a computed column ("<field>*"), optionally with the difference
// ("-") and the difference in percent ("%"); rows are matched by key columns.
#include <functional>
#include <vector>

#include "core/tables/layout.h"

namespace ld::gui {

struct TCompareRequest {
  std::vector<int> compared;  // column numbers of the other table, in order
  std::vector<int> keys;      // key column numbers, the first most significant
  bool difference = false;    // "Добавить колонку вычитания = N - N*"
  bool percent = false;       // "Добавить колонку вычитания в % = (N - N*)/N"
};

// Appends the columns and fills the matched rows; other is sorted by the keys on the way. False when
// the table would pass 70 columns: the error is shown and the rows are not compared. progress gets
// 10, 20, ... 100 as the rows go by.
bool CompareTables(TDataFile& table, TDataFile& other, const TCompareRequest& request,
                   const std::function<void(int percent)>& progress = {});

}  // namespace ld::gui
