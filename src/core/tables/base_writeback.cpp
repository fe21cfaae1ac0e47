#include "core/tables/base_writeback.h"

#include "core/tables/switch_rec.h"
#include "core/tables/table_file.h"

namespace ld {

bool WriteSchemeWithBase(TSchemeWithBase run, TSchemeWithBaseWritten& written) {
  TElementTables district;
  if (!PrepareElementTables(run.SchemeStem, *run.Branches, district, run.NeutralTap)) return false;
  std::vector<std::pair<std::string, TDataFile*>> tables = district.Files();
  tables.insert(tables.end(), run.Tables.begin(), run.Tables.end());
  TRunBytes::TWritten read;
  for (const auto& [file, table] : district.Files()) read.emplace_back(file, table->FileDate);
  const TDistrictStamps before = DistrictStampsOf(run.SchemeStem, read);
  std::string record;
  // A scheme of an earlier version, judged by the dates, is its base's only where every branch formed from an
  // element found it: then the base, brought to the scheme, agrees with it, and the record says so.
  const bool recorded = !read.empty() && (run.Record.has_value()
                                              ? FormedFromBase(run.Record, before, 0)
                                              : district.AllFound() &&
                                                    FormedFromBase(std::nullopt, before, run.Branches->FileDate.Date));
  if (recorded) run.Files.push_back(FormedBaseRunBytes(run.SchemeStem, before, &record));
  WriteTableSet(tables, run.Files);
  TRunBytes::TWritten after;
  for (const auto& [file, table] : district.Files()) after.emplace_back(file, table->FileDate);
  written.Base = DistrictStampsOf(run.SchemeStem, after);
  written.Record.reset();
  if (recorded) written.Record = std::move(record);
  return true;
}

}  // namespace ld
