// The settings' nominal-voltage list from the voltage-class catalogue.
#include <algorithm>
#include <filesystem>

#include "core/base/settings.h"
#include "core/engine/electric.h"
#include "core/engine/results.h"
#include "core/tables/table_file.h"

namespace ld {

void LoadNominalVoltages() {
  const std::string file = FindFileNoCase(IniRec.Path + NominalVoltageFileName);
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return;
  const std::unique_ptr<TDynamicArray> column = ReadColumnFromFile(file, "Unom");
  std::vector<double> values;
  if (column != nullptr) {
    for (int row = 1; row <= column->Count; ++row) values.push_back(NumericCell(column.get(), row));
  }
  std::stable_sort(values.begin(), values.end());
  auto list = std::make_unique<DAdouble>(static_cast<int>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) (*list)[static_cast<int>(i) + 1] = values[i];
  list->Count = static_cast<int>(values.size());
  IniRec.UnomList = std::move(list);
}

}  // namespace ld
