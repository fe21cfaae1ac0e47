#include "core/engine/input_check.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "core/base/dynarray.h"
#include "core/base/import_number.h"

namespace ld {

namespace {

// The first row of the column whose number is not finite, with that number; row 0 when there is none or
// the column holds no floating-point numbers.
template <typename Array>
bool FirstNonFinite(const TDynamicArray* column, int rows, int& row, double& value) {
  const auto* typed = dynamic_cast<const Array*>(column);
  if (typed == nullptr) return false;
  for (row = 1; row <= rows; ++row) {
    value = typed->Get(row);
    if (!std::isfinite(value)) return true;
  }
  row = 0;
  return true;
}

// The columns a calculation takes as given. The results of an earlier calculation that it also reads
// (voltages, currents) are only where it starts from, and a start that is no number is replaced.
constexpr const char* kNodeInputs[] = {"Pn",  "Qn",  "Pg", "Qg", "WPn", "WQn", "WPg",  "WQg",  "Ina", "Inr",
                                       "Iga", "Igr", "Gs", "Bs", "Um",  "Qmin", "Qmax", "Ush", "Kvi", "Kvu"};
constexpr const char* kBranchInputs[] = {"R", "X", "G", "B", "Kta", "Ktr", "Ktn", "Idop", "Sdop", "Kflow"};

template <std::size_t N>
std::string FirstFault(const TDataFile& table, const char* const (&fields)[N], const char* what) {
  for (int c = 1; c <= table.NCols; ++c) {
    const std::string& field = table.FieldName[static_cast<std::size_t>(c)];
    if (std::find(std::begin(fields), std::end(fields), field) == std::end(fields)) continue;
    const TDynamicArray* column = table.Columns[static_cast<std::size_t>(c)].get();
    if (column == nullptr) continue;
    int row = 0;
    double value = 0;
    if (!FirstNonFinite<DAsingle>(column, table.RowCount, row, value) &&
        !FirstNonFinite<DAdouble>(column, table.RowCount, row, value))
      FirstNonFinite<DAreal>(column, table.RowCount, row, value);
    if (row != 0)
      return std::string(what) + ", строка " + std::to_string(row) + ", столбец \"" + field +
             "\": " + ImportNumberFault(value);
  }
  return {};
}

}  // namespace

std::string NonFiniteSchemeInput(const TDataFile& nodes, const TDataFile& branches) {
  std::string fault = FirstFault(nodes, kNodeInputs, "Таблица узлов");
  if (fault.empty()) fault = FirstFault(branches, kBranchInputs, "Таблица ветвей");
  return fault;
}

}  // namespace ld
