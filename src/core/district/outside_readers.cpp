#include "core/district/outside_readers.h"

#include <filesystem>
#include <memory>
#include <utility>

#include "core/base/error.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/import_grc.h"
#include "core/catalogs/import_lb.h"
#include "core/district/cdu_cards.h"
#include "core/district/import_psh.h"
#include "core/district/import_net_workbooks.h"
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

// The stem of the new base: the one given, or one beside the chosen file, as the district imports make one.
std::string StemOf(const std::string& file, const TOutsideRun& run) {
  if (!run.BaseStem.empty()) return run.BaseStem;
  return (std::filesystem::path(file).parent_path() / "импорт").string();
}

// The base the run builds: the command's, or one of the run's own.
TImportTaken IntoBase(TOutsideRun& run, const std::function<TImportTaken(TBaseImport&)>& read) {
  TBaseImport own;
  return read(run.Base != nullptr ? *run.Base : own);
}

}  // namespace

const std::vector<TOutsideReader>& OutsideReaders() {
  static const std::vector<TOutsideReader> readers = {
      {kCardsReader, ".CDU",
       [](const std::string& file, TOutsideRun& run) {
         run.Tables.clear();
         run.Tables.push_back(EmptyTable(LayoutNodes));
         run.Tables.push_back(EmptyTable(LayoutBranches));
         return ReadCardScheme(file, run.Tables[0], run.Tables[1]);
       }},
      {kPntLinReader, ".PNT",
       [](const std::string& file, TOutsideRun& run) {
         const TDataFile emptyNodes = run.Nodes != nullptr ? TDataFile() : EmptyTable(LayoutNodes);
         const TDataFile emptyBranches = run.Branches != nullptr ? TDataFile() : EmptyTable(LayoutBranches);
         run.Tables.clear();
         run.Tables.resize(2);
         return ReadPntLin(file, run.Nodes != nullptr ? *run.Nodes : emptyNodes,
                           run.Branches != nullptr ? *run.Branches : emptyBranches, run.Tables[0], run.Tables[1]);
       }},
      {kPshReader, ".psh",
       [](const std::string& file, TOutsideRun& run) {
         return IntoBase(run, [&](TBaseImport& base) { return ImportPshFolder(StemOf(file, run), base, run.Progress); });
       }},
      {kRsReader, ".RS",
       [](const std::string& file, TOutsideRun& run) {
         const std::vector<std::string> files = run.Files.empty() ? std::vector<std::string>{file} : run.Files;
         return IntoBase(run, [&](TBaseImport& base) {
           return ImportDistrictFiles(files, StemOf(file, run), base, run.Progress);
         });
       }},
      {kNetWorkbooksReader, ".xlsx",
       [](const std::string& file, TOutsideRun& run) {
         const std::vector<std::string> files = run.Files.empty() ? std::vector<std::string>{file} : run.Files;
         return IntoBase(run, [&](TBaseImport& base) {
           return ImportNetWorkbooks(files, StemOf(file, run), base, run.Progress);
         });
       }},
      {kLBReader, ".LB",
       [](const std::string& file, TOutsideRun& run) {
         const TDataFile empty = run.Catalog != nullptr ? TDataFile() : EmptyTable(GraphCatalogMaket);
         TGraphsRead read = ReadLBFile(file, run.Catalog != nullptr ? *run.Catalog : empty);
         run.Graphs = std::move(read.Graphs);
         return read.Taken;
       }},
      {kGrcReader, ".GRC",
       [](const std::string& file, TOutsideRun& run) {
         std::unique_ptr<TDataFile> catalog, values;
         const TImportTaken taken = ReadGraphCatalogFile(file, catalog, values);
         run.Tables.clear();
         for (std::unique_ptr<TDataFile>* read : {&catalog, &values})
           run.Tables.push_back(*read != nullptr ? std::move(**read) : TDataFile());
         return taken;
       }},
  };
  return readers;
}

const TOutsideReader& FindOutsideReader(std::string_view command) {
  for (const TOutsideReader& reader : OutsideReaders())
    if (command == reader.Command) return reader;
  throw Error("нет чтения файлов \"" + std::string(command) + "\"");
}

}  // namespace ld
