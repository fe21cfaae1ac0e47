#include "core/regime/configuration.h"

#include <algorithm>
#include <numeric>

#include "core/base/codepage.h"
#include "core/engine/regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_ops.h"

namespace ld {

std::vector<std::string> ConfigurationCounts(const TRegime& regime) {
  return {"",
          "Узлов  = " + std::to_string(regime.NodeCount),
          "Ветвей = " + std::to_string(regime.BranchCount),
          "Узлов без питания  = " + std::to_string(regime.UnsuppliedCount),
          "Замкнутых контуров = " + std::to_string(regime.ContourCount)};
}

std::vector<std::string> BuildSubstationList(const TDataFile& nodes) {
  const DAString* names = GetColumnAs<DAString>("Name", nodes);
  std::vector<std::string> sorted(static_cast<std::size_t>(nodes.RowCount));
  for (int row = 1; row <= nodes.RowCount; ++row) sorted[static_cast<std::size_t>(row - 1)] = names->GetItem(row);
  // the order of the table sort: upper case by Windows-1251 codes, equal names keep their order
  std::stable_sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
    return CompareValues(&a, &b, 's') == 1;
  });
  std::vector<std::string> list;
  std::string last;
  for (const std::string& full : sorted) {
    const std::string name = full.substr(0, full.find('.'));
    if (name.empty() || name == last) continue;
    const std::string upper = UpperCase(name);
    if (Utf8Left(upper, 3) == "ОТП" || Utf8Left(upper, 4) == "ВІДП" || name.front() == '_') continue;
    list.push_back(name);
    last = name;
  }
  return list;
}

}  // namespace ld
