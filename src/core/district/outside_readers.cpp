#include "core/district/outside_readers.h"

#include <filesystem>
#include <memory>

#include "core/catalogs/graph_tables.h"
#include "core/catalogs/import_grc.h"
#include "core/catalogs/import_lb.h"
#include "core/district/base_import.h"
#include "core/district/cdu_cards.h"
#include "core/district/import_psh.h"
#include "core/district/import_rs.h"
#include "core/regime/pnt_lin.h"

namespace ld {

namespace {

TDataFile EmptyTable(const char* layout) {
  TDataFile table;
  ReadMaket(layout, table);
  CreateColumns(table, 0);
  return table;
}

// The stem of a new base beside the chosen file, as the district imports make one.
std::string StemBeside(const std::string& file) {
  return (std::filesystem::path(file).parent_path() / "импорт").string();
}

}  // namespace

const std::vector<TOutsideReader>& OutsideReaders() {
  static const std::vector<TOutsideReader> readers = {
      {"Режим / Схема / Импорт ЦДУ", ".CDU",
       [](const std::string& file) {
         TDataFile nodes = EmptyTable(LayoutNodes), branches = EmptyTable(LayoutBranches);
         return ReadCardScheme(file, nodes, branches);
       }},
      {"Режим / Узлы схемы / Чтение файлов PNT,LIN", ".PNT",
       [](const std::string& file) {
         const TDataFile nodes = EmptyTable(LayoutNodes), branches = EmptyTable(LayoutBranches);
         TDataFile nodesRead, branchesRead;
         return ReadPntLin(file, nodes, branches, nodesRead, branchesRead);
       }},
      {"База РЭС / Сеть / Импорт (*.PSH)", ".psh",
       [](const std::string& file) {
         TBaseImport base;
         return ImportPshFolder(StemBeside(file), base);
       }},
      {"База РЭС / Сеть / Импорт (*.RS)", ".RS",
       [](const std::string& file) {
         TBaseImport base;
         return ImportDistrictFiles({file}, StemBeside(file), base);
       }},
      {"Каталог графиков / Импорт из файлов *.LB", ".LB",
       [](const std::string& file) {
         const TDataFile catalog = EmptyTable(GraphCatalogMaket);
         return ReadLBFile(file, catalog).Taken;
       }},
      {"Каталог графиков / Импорт из файлов *.GRC, *.GRV", ".GRC",
       [](const std::string& file) {
         std::unique_ptr<TDataFile> catalog, values;
         return ReadGraphCatalogFile(file, catalog, values);
       }},
  };
  return readers;
}

}  // namespace ld
