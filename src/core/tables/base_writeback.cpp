#include "core/tables/base_writeback.h"

#include "core/tables/switch_rec.h"
#include "core/tables/table_file.h"

namespace ld {

bool WriteSchemeWithBase(TSchemeWithBase run, TSchemeWithBaseWritten& written) {
  TElementTables district;
  if (!PrepareElementTables(run.SchemeStem, *run.Branches, district, run.NeutralTap)) return false;
  const std::vector<std::pair<std::string, TDataFile*>> base = district.Files();
  // the district tables' stamps as their tables hold them: as read before the run, as written after it
  const auto stamps = [&] {
    TRunBytes::TWritten files;
    for (const auto& [file, table] : base) files.emplace_back(file, table->FileDate);
    return DistrictStampsOf(run.SchemeStem, files);
  };
  const TDistrictStamps before = stamps();
  std::string record;
  // A scheme of an earlier version, judged by the dates, is its base's only where every branch formed from an
  // element found it: then the base, brought to the scheme, agrees with it, and the record says so.
  const bool recorded = !base.empty() && (run.Record.has_value()
                                              ? FormedFromBase(run.Record, before, 0)
                                              : district.AllFound() &&
                                                    FormedFromBase(std::nullopt, before, run.Branches->FileDate.Date));
  if (recorded) run.Files.push_back(FormedBaseRunBytes(run.SchemeStem, before, &record));
  std::vector<std::pair<std::string, TDataFile*>> tables = base;
  tables.insert(tables.end(), run.Tables.begin(), run.Tables.end());
  WriteTableSet(tables, run.Files);
  written.Base = stamps();
  written.Record.reset();
  if (recorded) written.Record = std::move(record);
  return true;
}

}  // namespace ld
