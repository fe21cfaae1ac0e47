#include "core/tables/unom.h"

#include <filesystem>
#include <memory>

#include "core/base/error.h"
#include "core/base/settings.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

constexpr double kStandardVoltages[] = {0.22, 0.38, 3, 6, 10, 20, 27.5, 35, 110, 150, 220, 330, 400, 500, 750};

double ValueAt(const TDynamicArray& column, int row) {
  if (const auto* d = dynamic_cast<const DAdouble*>(&column)) return d->Get(row);
  if (const auto* r = dynamic_cast<const DAreal*>(&column)) return r->Get(row);
  if (const auto* f = dynamic_cast<const DAsingle*>(&column)) return f->Get(row);
  return 0;
}

}  // namespace

void ReadNominalVoltageList() {
  try {
    const std::string fileName = FindFileNoCase(IniRec.Path + NominalVoltageFileName);
    std::error_code ec;
    auto list = std::make_unique<DAdouble>();
    // Said apart, since the table store would only say that it cannot read it.
    if (std::filesystem::is_directory(fileName, ec))
      throw Error("Ошибка чтения файла \"" + fileName + "\": это папка, а не файл");
    if (std::filesystem::exists(fileName, ec)) {
      const std::unique_ptr<TDynamicArray> column = ReadColumnFromFile(fileName, "Unom");
      const int count = column ? column->Count : 0;
      for (int r = 1; r <= count; ++r) (*list)[r] = ValueAt(*column, r);
      InsertSorted(*list, 'd', count, nullptr);
      list->Count = count;
      IniRec.UnomList = std::move(list);
      return;
    }
    const int count = static_cast<int>(std::size(kStandardVoltages));
    for (int r = 1; r <= count; ++r) (*list)[r] = kStandardVoltages[r - 1];
    list->Count = count;
    IniRec.UnomList = std::move(list);

    TDataFile table;
    ReadMaket(LayoutNominalVoltages, table);
    CreateColumns(table, count);
    table.Title = "Список номинальных напряжений";
    auto& unom = *GetColumnAs<DAdouble>("Unom", table);
    for (int r = 1; r <= count; ++r) unom[r] = kStandardVoltages[r - 1];
    WriteTableFile(IniRec.Path + NominalVoltageFileName, table);
  } catch (const std::exception& e) {
    ShowConfigReadError(e.what());
  }
}

void ReadProgramSettings(const std::string& exePath) {
  SetProgramPaths(exePath);
  ReadConfig();
  ReadNominalVoltageList();
}

}  // namespace ld
