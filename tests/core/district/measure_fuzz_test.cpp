// Damaged measurement workbooks and sheets of random texts: every workbook is read or refused with its
// name, and whatever the cells hold the three measurement imports keep the tables' rows and write only
// the kinds and finite values they may.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/base/error.h"
#include "core/base/import_text.h"
#include "core/district/feeder_measure.h"
#include "core/district/tp_measure.h"
#include "core/office/sheet_raw_cells.h"
#include "core/office/sheet_reader.h"
#include "core/office/xlsx_file.h"
#include "core/tables/colmaps_district.h"
#include "fake_sheet.h"
#include "support/fuzz_mutations.h"
#include "support/table_rows.h"
#include "support/test_env.h"
#include "support/xls_builder.h"

namespace ld::test {
namespace {

constexpr int kRounds = 300;

class MeasureFuzz : public ::testing::Test {
protected:
  MeasureFuzz() {
    const std::filesystem::path layouts = dir.Path() / "maket.zr";
    WriteLayoutSubset(layouts, {LayoutTransTP, LayoutSubstInputs, LayoutSubstFeeders});
    MaketFileName = layouts.string();
  }

  // All three imports over one sheet; the tables keep their rows and get finite loads and known kinds.
  void ImportAll(const TSheetCells& cells) {
    TDataFile inputs, feeders, stations;
    FillRows(inputs, LayoutSubstInputs, {{"ПС-1", "Ввод 1"}, {"ПС-1", "Ввод 2", "", "", "-4"}});
    FillRows(feeders, LayoutSubstFeeders, {{"ПС-1.1", "Ф-1"}, {"ПС-1.1", ""}});
    Rows stationRows{{"", "ТП-5", "Т1", "", "", "ТМ-400/10"},
                     {"", "ТП-5", "Т2", "", "", "ТМ-250/10", "", "", "О"},
                     {"", "КТП 6", "Т1", "", "", "ТМ-"}};
    std::vector<std::string> messages;
    ImportFeederMeasurements(inputs, feeders, cells, messages);
    TSubstInputCols in;
    FillSubstInputCols(inputs, in);
    ASSERT_EQ(in.RowCount, 2);
    for (int r = 1; r <= 2; ++r) {
      EXPECT_TRUE(std::isfinite((*in.P)[r]) && std::isfinite((*in.Q)[r]));
      const int t = in.T[r];
      EXPECT_TRUE(t == 0 || t == 4 || t == 5 || (r == 2 && t == -4)) << t;
    }
    for (const bool perStation : {false, true}) {
      FillRows(stations, LayoutTransTP, stationRows);
      if (perStation)
        ImportTPStationMeasurements(stations, cells, 3, messages);
      else
        ImportTPMeasurements(stations, cells, 0.426, messages);
      TTransTPCols c;
      FillTransTPCols(stations, c);
      ASSERT_EQ(c.RowCount, 3);
      for (int r = 1; r <= 3; ++r) {
        EXPECT_TRUE(std::isfinite((*c.Pn)[r]) && std::isfinite((*c.Qn)[r]));
        const int t = c.T[r];
        EXPECT_TRUE(t == 0 || t == (perStation ? 3 : 1)) << t;
      }
    }
  }
  TempDir dir;
};

TEST_F(MeasureFuzz, DamagedWorkbooksAreReadOrRefusedByName) {
  Workbook book;
  Worksheet& s = book.sheets.emplace_back("Замеры");
  s.SetText(1, 1, "ТП");
  s.SetText(1, 4, "Sн Т2");
  s.SetText(2, 1, "ТП-5");
  s.SetNumber(2, 2, 400);
  s.SetText(2, 3, "ТП 5");
  s.SetText(2, 4, "т-1");
  s.SetText(2, 5, "400 кВА");
  s.SetNumber(2, 8, 12.5);
  s.SetNumber(2, 12, 1e30);
  s.SetText(3, 3, "Ф-1");
  s.SetText(3, 18, "abc");
  const std::string xlsx = dir / "замеры.xlsx";
  WriteXlsx(xlsx, book);
  const std::vector<std::string> valid{
      ReadBytes(xlsx), BuildXls({{XlsCell::Text, 2, 1, 0, "ТП-5"},
                                 {XlsCell::Text, 2, 3, 0, "Ввод 1"},
                                 {XlsCell::Number, 2, 8, 2.5, ""},
                                 {XlsCell::Text, 3, 3, 0, "ТП 5"},
                                 {XlsCell::Text, 3, 5, 0, "400"},
                                 {XlsCell::Number, 3, 7, -1, ""}})};
  std::mt19937 random(45061207);
  const std::string file = dir / "повреждённый.xls";
  int read = 0, refused = 0;
  // a cell whose text no table field could hold refuses the workbook by name when it is read
  const auto readOrRefuse = [&](const std::string& bytes) {
    WriteBytes(file, bytes);
    TSheetReader sheet;
    try {
      sheet.Open(file);
      ++read;
      ImportAll(SheetCells(sheet));
    } catch (const Error& e) {
      ++refused;
      ASSERT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
  };
  for (int round = 0; round < kRounds && !HasFatalFailure(); ++round)
    readOrRefuse(Mutate(valid[static_cast<std::size_t>(round) % valid.size()], random));
  EXPECT_GT(read, 0);

  // A seed of its own, refused as it stands: one text past the bound of every field, named by a thousand
  // cells, each read of which would copy it whole.
  std::vector<XlsCell> named{{XlsCell::Text, 1, 1, 0, "ТП"}};
  for (int row = 2; row <= 1001; ++row) named.push_back({XlsCell::Text, row, 1, 0, "ТП-" + std::string(kMostCellBytes, '5')});
  const std::string longText = BuildXls(named);
  const int before = refused;
  readOrRefuse(longText);
  EXPECT_EQ(refused, before + 1);
  for (int round = 0; round < kRounds / 10 && !HasFatalFailure(); ++round) readOrRefuse(Mutate(longText, random));
}

TEST_F(MeasureFuzz, RandomCellTextsKeepRowsAndValuesFinite) {
  const std::vector<std::string> pieces{"ТП", "КТП", "-", " ", "5", "Т", "т", "1", "2", ",", ".", "e", "E308",
                                        "1e39", "-1", "abc", "ё", "\xC2\xA0", "Ф-1", "Ввод 1", "0", "400", "nan"};
  std::mt19937 random(7045);
  for (int round = 0; round < kRounds; ++round) {
    FakeSheet sheet;
    for (int cell = 0; cell < 40; ++cell) {
      std::string text;
      for (unsigned n = random() % 4; n > 0; --n) text += pieces[random() % pieces.size()];
      sheet.cells[{1 + static_cast<int>(random() % 8), 1 + static_cast<int>(random() % 22)}] = text;
    }
    ImportAll(sheet.Cells());
  }
}

// A number cell of a workbook reads as the same value, or fails with the same message, whether the
// import takes the reader's cells or the texts of those cells: short decimals, numbers of 16 and 17
// digits, zeros of both signs, the ends of the range and numbers no column holds.
TEST_F(MeasureFuzz, NumberCellsReadAsTheirTexts) {
  Workbook book;
  Worksheet& s = book.sheets.emplace_back("Числа");
  std::mt19937_64 random(20261207);
  std::vector<double> values{0.0, -0.0, 0.1 + 0.2, 1.0 / 3, -2.0 / 3, 1e-300, 2.5e-301, 1e300, 3e300, 1e30, -1e30,
                             123456789012345.0, 1234567890123456.0, 0.000123456789012345, 9.999999999999999e22};
  while (values.size() < 600) {
    const double digits = static_cast<double>(random() % 100000000000000000ull) / std::pow(10.0, random() % 18);
    const double scaled = digits * std::pow(10.0, static_cast<int>(random() % 41) - 20);
    values.push_back(random() % 2 ? scaled : -scaled);
    double bits = 0;
    do {
      const std::uint64_t pattern = random();
      std::memcpy(&bits, &pattern, sizeof bits);
    } while (!std::isfinite(bits));
    values.push_back(bits);
  }
  for (std::size_t i = 0; i < values.size(); ++i) s.SetNumber(static_cast<int>(i) + 1, 2, values[i]);
  const std::string file = dir / "числа.xlsx";
  WriteXlsx(file, book);
  TSheetReader sheet;
  sheet.Open(file);
  const TSheetCells cells = SheetCells(sheet);
  const office::TRawCells raw(sheet);
  const TSheetCells texts = [&raw](int row, int col) { return TOutsideValue::Text(raw.Cell(row, col)); };
  int faults = 0;
  for (int row = 1; row <= static_cast<int>(values.size()); ++row) {
    double viaCells = -7, viaTexts = -7;
    std::vector<std::string> cellMessages, textMessages;
    const bool read = ReadSheetValue(cells, 2, row, viaCells, cellMessages);
    EXPECT_EQ(read, ReadSheetValue(texts, 2, row, viaTexts, textMessages)) << raw.Cell(row, 2);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(viaCells), std::bit_cast<std::uint64_t>(viaTexts)) << raw.Cell(row, 2);
    EXPECT_EQ(cellMessages, textMessages);
    faults += read ? 0 : 1;
  }
  EXPECT_GT(faults, 2);  // 1e30 and the like
}

}  // namespace
}  // namespace ld::test
