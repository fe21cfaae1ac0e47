#include "core/diagram/elem_checks.h"

#include <algorithm>

#include "core/base/codepage.h"

namespace ld {

std::int32_t AutoNodeNumber(const TNodeCols& nodes) {
  std::vector<std::int32_t> numbers;
  for (int r = 1; r <= nodes.RowCount; ++r) {
    const std::int32_t n = nodes.NS->Get(r);
    if (n > 0) numbers.push_back(n);
  }
  std::sort(numbers.begin(), numbers.end());
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const auto position = static_cast<std::int32_t>(i + 1);
    if (numbers[i] != position) return position;
  }
  return static_cast<std::int32_t>(numbers.size()) + 1;
}

std::string CheckNodeIdentity(const TNodeCols& nodes, std::int32_t oldNumber, std::int32_t newNumber,
                              std::string_view oldName, std::string_view newName) {
  if (newNumber == 0) return "Не задан номер узла";
  if (newName.empty()) return "Не задано наименование узла";
  const std::string upper = UpperCase(newName);
  if (upper != UpperCase(oldName))
    for (int r = 1; r <= nodes.RowCount; ++r)
      if (UpperCase(nodes.Name->GetItem(r)) == upper) return "Узел с таким наименованием уже существует";
  if (newNumber != oldNumber)
    for (int r = 1; r <= nodes.RowCount; ++r)
      if (nodes.NS->Get(r) == newNumber) return "Узел с таким номером уже существует";
  return {};
}

int RenumberBranchEnds(TBranchCols& branches, std::int32_t oldNumber, std::int32_t newNumber) {
  // A new node has no number yet: branch ends left at 0 are faults to be found, not this node's ends.
  if (oldNumber == 0 || oldNumber == newNumber) return 0;
  int changed = 0;
  for (int r = 1; r <= branches.RowCount; ++r) {
    if (branches.N1->Get(r) == oldNumber)
      (*branches.N1)[r] = newNumber, ++changed;
    else if (branches.N2->Get(r) == oldNumber)
      (*branches.N2)[r] = newNumber, ++changed;
  }
  return changed;
}

bool SubstationNameTaken(const std::vector<std::string>& existing, std::string_view oldName,
                         std::string_view newName) {
  const std::string upper = UpperCase(newName);
  if (upper == UpperCase(oldName)) return false;
  return std::any_of(existing.begin(), existing.end(), [&](const std::string& s) { return UpperCase(s) == upper; });
}

}  // namespace ld
