// The settings' nominal-voltage list from the voltage-class catalogue.
#include <algorithm>
#include <filesystem>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/engine/electric.h"
#include "core/engine/results.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

// The catalogue in the catalogue folder, whatever the letter case of its name; empty when missing.
std::string FindCatalogFile(const std::string& folder, const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path exact = fs::path(folder) / name;
  if (fs::exists(exact, ec)) return exact.string();
  const std::string wanted = LowerCase(name);
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (LowerCase(it->path().filename().string()) == wanted) return it->path().string();
  }
  return {};
}

}  // namespace

void LoadNominalVoltages() {
  const std::string file = FindCatalogFile(IniRec.Path, NominalVoltageFileName);
  if (file.empty()) return;
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
