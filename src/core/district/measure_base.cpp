#include "core/district/measure_base.h"

#include "core/district/run_locks.h"
#include "core/district/subscriber_cells.h"
#include "core/office/sheet_reader.h"
#include "core/tables/table_file.h"

namespace ld {

void MeasureBaseTables(const std::string& stem, const std::string& file, const std::vector<const char*>& layouts,
                       const TMeasure& measure) {
  const TRunTableLocks locks(stem, LayoutExtensions(layouts));
  std::vector<TDataFile> tables(layouts.size());
  TFileImport import;
  import.Source = file;
  for (std::size_t i = 0; i < layouts.size(); ++i) {
    const std::string table = stem + GetMaketExtention(layouts[i]);
    ReadTableFileOrEmpty(table, layouts[i], tables[i]);
    import.Tables.emplace_back(table, &tables[i]);
  }
  import.Read = [&] {
    TSheetReader sheet;
    sheet.Open(file);
    try {
      TImportTaken taken = measure(tables, SheetCells(sheet, layouts));
      taken.Sheet = sheet.SheetName();
      return taken;
    } catch (const TCellTextError& e) {
      throw CellRefusal(sheet, e);
    }
  };
  RunFileImport(import);
}

}  // namespace ld
