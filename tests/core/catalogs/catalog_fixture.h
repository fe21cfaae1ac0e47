#pragma once
// A catalogue folder for one test: the program's layout file, and catalogue files written row by row.
#include <gtest/gtest.h>

#include <string>

#include "core/catalogs/catalog_ln.h"
#include "core/catalogs/catalog_units.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/import_rows.h"
#include "core/tables/table_file.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {

class CatalogTest : public ::testing::Test {
protected:
  CatalogTest() : savedMaket_(MaketFileName) { MaketFileName = (DataDir() / "maket.zr").string(); }
  ~CatalogTest() override {
    for (auto free : {FreeCatalogLN, FreeCatalogT2, FreeCatalogT3, FreeCatalogTR, FreeCatalogRT, FreeCatalogKA,
                      FreeListT2, FreeListT3, FreeListTR, FreeListRT})
      free();
    MaketFileName = savedMaket_;
  }

  std::string Folder() const { return dir_.Path().string() + "/"; }

  // A table file of the layout in the folder; each row gives the cell texts in the layout's column order.
  void WriteRows(const std::string& fileName, const std::string& layout, const Rows& rows) const {
    test::WriteRows(dir_ / fileName, layout, rows);
  }

  TempDir dir_;

private:
  std::string savedMaket_;
};

// What a graph import writes of the graphs it read: their rows into the catalogue and their values into
// the values file of the base. The number of graphs taken.
inline long long TakeGraphs(const TGraphsRead& read, TDataFile& catalog, const std::string& base) {
  const auto values = OpenGraphValues(base);
  AddImportedGraphs(read.Graphs, catalog, *values);
  WriteTableFile(base + GetMaketExtention(GraphValuesMaket), *values);
  return read.Taken.Items;
}

}  // namespace ld::test
