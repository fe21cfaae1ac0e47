#include "core/district/subscriber_books.h"

#include <algorithm>

#include "core/district/run_locks.h"
#include "core/district/sheet_imports.h"
#include "core/district/subscriber_cells.h"
#include "core/district/subscriber_xls.h"
#include "core/office/sheet_reader.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

void ReadOrMake(const std::string& file, const char* layout, const std::string& title, TDataFile& table) {
  if (!ReadTableFileOrEmpty(file, layout, table)) table.Title = title;
}

}  // namespace

std::string ImportSubscriberBasesXls(const TSubscriberXlsRequest& request, std::vector<std::string>& info,
                                     const TImportProgress& progress, const TStageProc& stage) {
  std::string extensions;
  const auto add = [&](const char* layout) {
    if (!extensions.empty()) extensions += ',';
    extensions += GetMaketExtention(layout);
  };
  if (request.Prom) add(LayoutMeterPoints);
  if (request.Byt) add(LayoutHouseholds);
  if (request.Tech) {
    add(LayoutSubstInputs);
    add(LayoutSubstFeeders);
  }
  if (extensions.empty()) return {};
  TRunTableLocks locks(request.BaseStem, extensions);
  const std::string title = BaseTitle(request.BaseStem);
  TSheetReader sheet;

  TFileImport import;
  import.Source = request.Prom ? request.PathProm : request.Byt ? request.PathByt : request.PathTech;
  std::vector<TDataFile> prom(1), byt(1), tech(2);
  const auto file = [&](const char* layout) { return request.BaseStem + GetMaketExtention(layout); };
  if (request.Prom) import.Tables.emplace_back(file(LayoutMeterPoints), &prom[0]);
  if (request.Byt) import.Tables.emplace_back(file(LayoutHouseholds), &byt[0]);
  if (request.Tech) {
    ReadOrMake(file(LayoutSubstInputs), LayoutSubstInputs, title, tech[0]);
    ReadOrMake(file(LayoutSubstFeeders), LayoutSubstFeeders, title, tech[1]);
    import.Tables.emplace_back(file(LayoutSubstInputs), &tech[0]);
    import.Tables.emplace_back(file(LayoutSubstFeeders), &tech[1]);
  }

  // One workbook read whole by its reader of the list, refused by its name when it gives nothing; its
  // messages come under a line that names it, as the command reads up to three. A reader that makes its
  // tables anew reads to the first empty cell of column 1; what stands below it is not read, and a
  // person who left an empty row among the data is told so.
  const auto readBook = [&](const std::string& path, const char* name, std::vector<TDataFile>& tables,
                            const char* stageText) {
    const TSheetImport& reader = FindSheetImport(name);
    if (reader.Fresh)
      for (std::size_t i = 0; i < tables.size(); ++i) {
        ReadMaket(reader.Layouts[i], tables[i]);
        CreateColumns(tables[i], 0);
        tables[i].Title = title;
      }
    if (stage && stageText) stage(stageText);
    // a text is judged for its length where the reader stores it; one with a character written as "?", so
    // that different names could come out as one, refuses the workbook by its cell through the name rule
    const TSheetCells cells = SheetCells(sheet, reader.Layouts);
    sheet.Open(path);
    office::TFileScaledBudget held = ImportBudget(path);
    const std::size_t before = info.size();
    TImportTaken taken;
    try {
      taken = reader.Read(tables, cells, {&info, 0, progress, stage, &held});
      if (const int end = taken.DataEnd; reader.Fresh && end > 0 && sheet.LastRow() >= end)
        info.push_back(std::string(name) + ", строка " + std::to_string(end) +
                       ": пустая ячейка в столбце 1 - конец данных листа, строки ниже не прочитаны");
    } catch (const TCellTextError& e) {
      throw CellRefusal(sheet, e);
    }
    if (info.size() > before) info.insert(info.begin() + static_cast<std::ptrdiff_t>(before), std::string(name) + ": файл " + path);
    taken.Sheet = sheet.SheetName();
    RefuseIfNothingTaken(path, taken);
    return taken;
  };
  import.Read = [&] {
    TImportTaken all;
    if (request.Prom)
      all.Items += readBook(request.PathProm, kMeterPointsSheet, prom, "  Импорт базы промышленных абонентов ... ").Items;
    if (request.Byt)
      all.Items += readBook(request.PathByt, kHouseholdsSheet, byt, "  Импорт базы бытовых абонентов ... ").Items;
    // a sheet that names nothing below its heading, or nothing the base holds, measures nothing and is
    // refused with the first name not found
    if (request.Tech) all.Items += readBook(request.PathTech, kTechnicalSheet, tech, nullptr).Items;
    sheet.Close();
    return all;
  };
  RunFileImport(import);
  return request.Prom ? LayoutMeterPoints : request.Byt ? LayoutHouseholds : LayoutSubstFeeders;
}

}  // namespace ld
