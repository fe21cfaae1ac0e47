#include "core/tables/table_save.h"

#include "core/tables/table_run.h"

namespace ld {

void SaveTableWith(const std::string& file, TDataFile& table,
                   const std::vector<std::pair<std::string, TDataFile*>>& together) {
  std::vector<std::pair<std::string, TDataFile*>> files{{file, &table}};
  files.insert(files.end(), together.begin(), together.end());
  WriteTablesTogether(files);
}

}  // namespace ld
