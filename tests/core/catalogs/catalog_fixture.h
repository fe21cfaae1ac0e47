#pragma once
// A catalogue folder for one test: the program's layout file, and catalogue files written row by row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/catalogs/catalog_ln.h"
#include "core/catalogs/catalog_units.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
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

  // A table file of the layout; each row gives the cell texts in the layout's column order.
  void WriteRows(const std::string& fileName, const std::string& layout,
                 const std::vector<std::vector<std::string>>& rows) const {
    TDataFile t;
    ReadMaket(layout, t);
    CreateColumns(t, static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
      for (std::size_t c = 0; c < rows[r].size(); ++c) {
        std::string text = rows[r][c];
        ASSERT_TRUE(SetCellText(t, static_cast<int>(r) + 1, static_cast<int>(c) + 1, text)) << text;
      }
    }
    WriteTableFile(dir_ / fileName, t);
  }

  TempDir dir_;

private:
  std::string savedMaket_;
};

}  // namespace ld::test
