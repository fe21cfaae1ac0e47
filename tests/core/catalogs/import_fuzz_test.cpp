// Damaged graph files: seeded mutations of a binary graph file and of the workbooks of the metering
// systems are imported or refused naming the file, never crash (the sanitizer build watches), and an
// import that succeeds has stored every graph it counted.
#include <bit>
#include <cstring>
#include <limits>
#include <random>

#include "catalog_fixture.h"
#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/import_lb.h"
#include "core/catalogs/import_rows.h"
#include "core/catalogs/import_sheets.h"
#include "core/office/workbook.h"
#include "support/fuzz_mutations.h"
#include "support/graph_file_builder.h"
#include "support/scripted_msgbox.h"
#include "support/xls_builder.h"

namespace ld::test {
namespace {

constexpr int kRounds = 2000;

class ImportFuzz : public CatalogTest {
protected:
  ImportFuzz() {
    WriteLayoutSubset(Folder() + "maket.zr", {GraphCatalogMaket, GraphValuesMaket});
    MaketFileName = Folder() + "maket.zr";
  }

  // A new base for each round (removing the old one costs more than the round).
  std::unique_ptr<TDataFile> FreshCatalog() {
    ++base_;
    auto t = std::make_unique<TDataFile>();
    ReadMaket(GraphCatalogMaket, *t);
    CreateColumns(*t, 0);
    AppendGraphCatalogRow(*t, 7, "Свой", kGraphTypical, 3600, 'P', "%");
    return t;
  }
  std::string Base() const { return Folder() + "графики" + std::to_string(base_); }
  // Graph numbers of the catalogue rows after the first, and the points stored for them.
  std::pair<std::vector<int>, std::size_t> Added(const TDataFile& catalog) const {
    TGraphCatalogCols c;
    FillGraphCatalogCols(catalog, c);
    std::vector<int> numbers;
    for (int r = 2; r <= c.RowCount; ++r) numbers.push_back(c.Ngr->Get(r));
    std::size_t points = 0;
    if (std::filesystem::exists(Base() + GetMaketExtention(GraphValuesMaket))) {
      const auto values = OpenGraphValues(Base());
      TGraphValueCols v;
      FillGraphValueCols(*values, v);
      points = static_cast<std::size_t>(v.RowCount);
    }
    return {numbers, points};
  }
  // A refusal names the file.
  static void ExpectNamed(const std::string& text, const std::string& file) {
    ASSERT_EQ(text.rfind("Ошибка чтения файла \"" + file + "\"", 0), 0u) << text;
  }
  ScriptedMsgBox msg_;
  int base_ = 0;
};

// A record of values base, base + 0.5, ... over the hours.
std::string LBRecord(std::uint16_t number, const std::string& name, float base) {
  std::vector<float> values;
  for (int h = 0; h < 24; ++h) values.push_back(base + 0.5f * static_cast<float>(h));
  return test::LBRecord(number, name, values);
}

TEST_F(ImportFuzz, DamagedGraphFilesAreImportedWholeOrRefusedWithTheirName) {
  const std::string valid = std::string("LB\x01\x00", 4) + LBRecord(300, "ТП-15", 1) + LBRecord(7, "Занят", 2) +
                            LBRecord(301, "ТП-16", 3);
  // Values that no graph may hold: no number, and a number the plot's axis would never find a step for.
  const std::string damaged = std::string("LB\x01\x00", 4) + LBRecord(300, "ТП-15", 1) +
                              LBRecord(302, "ТП-17", std::numeric_limits<float>::quiet_NaN()) +
                              LBRecord(303, "ТП-18", -std::numeric_limits<float>::infinity());
  const std::string file = Folder() + "типовые.LB";
  std::mt19937 random(20261207);
  int refused = 0;
  for (int round = 0; round < kRounds; ++round) {
    WriteBytes(file, Mutate(round % 4 == 3 ? damaged : valid, random));
    auto catalog = FreshCatalog();
    try {
      const long long added = TakeGraphs(ReadLBFile(file, *catalog), *catalog, Base());
      const auto [numbers, points] = Added(*catalog);
      ASSERT_EQ(static_cast<long long>(numbers.size()), added) << round;
      ASSERT_EQ(points, 24u * numbers.size()) << round;
    } catch (const Error& e) {
      ++refused;
      ExpectNamed(e.what(), file);
      // A refused file is read whole first: no graph of it is taken.
      ASSERT_EQ(Added(*catalog), (std::pair<std::vector<int>, std::size_t>{})) << round;
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_LT(refused, kRounds);
}

// The first metering system's block of two days and the second system's row of a typical day, as a
// legacy workbook whose records the damage reaches uncompressed.
std::string MeteringXls(bool typical) {
  std::vector<XlsCell> cells;
  if (typical) {
    for (int row = 1; row <= 2; ++row) {
      cells.push_back({XlsCell::Text, row, 1, 0, "Ввод " + std::to_string(row)});
      cells.push_back({XlsCell::Text, row, 2, 0, "МВт"});
      cells.push_back({XlsCell::Number, row, 3, 40.0 + row, ""});
      for (int c = 4; c <= 27; ++c) cells.push_back({XlsCell::Number, row, c, 0.25 * c, ""});
    }
  } else {
    cells.push_back({XlsCell::Text, 1, 1, 0, "Ввод Т1"});
    cells.push_back({XlsCell::Text, 1, 2, 0, "МВАр"});
    cells.push_back({XlsCell::Number, 1, 3, 12, ""});
    for (int row = 3; row <= 4; ++row) {
      cells.push_back({XlsCell::Date, row, 1, EncodeDate(2024, 3, row), ""});
      for (int c = 2; c <= 25; ++c) cells.push_back({XlsCell::Number, row, c, 0.5 * c + row, ""});
    }
  }
  return BuildXls(cells);
}

TEST_F(ImportFuzz, DamagedMeteringWorkbooksAreImportedWholeOrRefused) {
  const std::string file = Folder() + "аскуэ.xls";
  const std::string valid[2] = {MeteringXls(false), MeteringXls(true)};
  std::mt19937 random(20261208);
  int refused = 0, imported = 0;
  for (int round = 0; round < kRounds; ++round) {
    const bool typical = round % 2 == 1;
    WriteBytes(file, Mutate(valid[typical], random));
    auto catalog = FreshCatalog();
    int added = 0;
    try {
      added = static_cast<int>(TakeGraphs(ReadMeteringWorkbook(file, *catalog, typical), *catalog, Base()));
      ++imported;
      ASSERT_EQ(static_cast<int>(Added(*catalog).first.size()), added) << round;
    } catch (const Error& e) {
      ++refused;
      ExpectNamed(e.what(), file);
    }
  }
  EXPECT_GT(refused, kRounds / 20);
  EXPECT_GT(imported, kRounds / 20);
}

}  // namespace
}  // namespace ld::test
