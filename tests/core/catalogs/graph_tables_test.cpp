#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/dates.h"
#include "core/base/error.h"
#include "core/catalogs/graph_series.h"
#include "core/catalogs/graph_tables.h"
#include "core/tables/layout.h"
#include "core/tables/table_ops.h"
#include "support/test_env.h"

namespace ld {
namespace {

class GraphTablesTest : public ::testing::Test {
protected:
  GraphTablesTest() : savedMaket_(MaketFileName) { MaketFileName = (test::DataDir() / "maket.zr").string(); }
  ~GraphTablesTest() override { MaketFileName = savedMaket_; }

  std::string Base() const { return dir_ / "Схема1"; }

  struct Row {
    int number;
    double date, value;
  };
  std::vector<Row> StoredRows() const {
    const auto table = OpenGraphValues(Base());
    TGraphValueCols cols;
    FillGraphValueCols(*table, cols);
    std::vector<Row> rows;
    for (int r = 1; r <= cols.RowCount; ++r) rows.push_back({cols.Ngr->Get(r), cols.Date->Get(r), cols.Value->Get(r)});
    return rows;
  }

  test::TempDir dir_;

private:
  std::string savedMaket_;
};

void Fill(DAdouble& array, const std::vector<double>& values) {
  array.Clear();
  for (std::size_t k = 0; k < values.size(); ++k) array[static_cast<int>(k) + 1] = values[k];
  array.Count = static_cast<int>(values.size());
}

// The grid of whole days from `first`, with values start, start + step, ...
void Series(DAdouble& dates, DAdouble& data, bool dated, int period, TDateTime first, int days, double start,
            double step) {
  std::string msg;
  ASSERT_TRUE(CountGraphPoints(dated, period, dates, msg, first + days - 1, first)) << msg;
  data.Clear();
  for (int k = 1; k <= dates.Count; ++k) data[k] = start + step * (k - 1);
  data.Count = dates.Count;
}

TEST_F(GraphTablesTest, OpensEmptyTablesWithoutWritingThem) {
  const auto catalog = OpenGraphCatalog(Base());
  EXPECT_EQ(catalog->Name, GraphCatalogMaket);
  EXPECT_EQ(catalog->Title, "Схема1");
  EXPECT_EQ(catalog->RowCount, 0);
  TGraphCatalogCols cat;
  FillGraphCatalogCols(*catalog, cat);
  EXPECT_EQ(cat.RowCount, 0);
  EXPECT_NE(cat.Dat2, nullptr);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(Base() + catalog->Extention)));

  EXPECT_EQ(OpenGraphValues(dir_ / "C:\\Сети\\Схема2")->Title, "Схема2");

  // Another table kind lacks the graph fields.
  TDataFile other;
  ReadMaket(LayoutUsers, other);
  CreateColumns(other, 0);
  TGraphValueCols cols;
  try {
    FillGraphValueCols(other, cols);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Поле \"Ngr\" макета \"Пользователи\" не найдено");
  }
}

TEST_F(GraphTablesTest, StoringKeepsOneSortedRowPerPoint) {
  const TDateTime day = EncodeDate(2024, 3, 31);
  DAdouble dates, data;
  Series(dates, data, true, 3600, day, 1, 1, 1);
  ASSERT_TRUE(StoreGraphValues(Base(), 7, dates, data));
  ASSERT_EQ(StoredRows().size(), 24u);

  // The same moments again replace the values.
  Series(dates, data, true, 3600, day, 1, 10, 10);
  ASSERT_TRUE(StoreGraphValues(Base(), 7, dates, data));
  auto rows = StoredRows();
  ASSERT_EQ(rows.size(), 24u);
  EXPECT_EQ(rows[0].value, 10);
  EXPECT_EQ(rows[23].value, 240);
  EXPECT_DOUBLE_EQ(rows[23].date, 20240401.0);

  // A smaller graph number goes in front; points handed over out of order are stored in order.
  Fill(dates, {20240331.072, 20240331.036});
  Fill(data, {2, 1});
  ASSERT_TRUE(StoreGraphValues(Base(), 3, dates, data));
  rows = StoredRows();
  ASSERT_EQ(rows.size(), 26u);
  EXPECT_EQ(rows[0].number, 3);
  EXPECT_DOUBLE_EQ(rows[0].date, 20240331.036);
  EXPECT_EQ(rows[0].value, 1);
  EXPECT_EQ(rows[1].value, 2);
  EXPECT_EQ(rows[2].number, 7);

  // Half hours of the next day, then hours over them: the surplus half-hour rows go, the 00:30 point
  // before the first new moment stays.
  Series(dates, data, true, 1800, day + 1, 1, 0.5, 0.5);
  ASSERT_TRUE(StoreGraphValues(Base(), 7, dates, data));
  ASSERT_EQ(StoredRows().size(), 74u);
  Series(dates, data, true, 3600, day + 1, 1, 1000, 1);
  ASSERT_TRUE(StoreGraphValues(Base(), 7, dates, data));
  rows = StoredRows();
  ASSERT_EQ(rows.size(), 51u);
  EXPECT_DOUBLE_EQ(rows[26].date, 20240401.018);
  EXPECT_EQ(rows[26].value, 0.5);
  for (int k = 0; k < 24; ++k) {
    const Row& row = rows[static_cast<std::size_t>(27 + k)];
    EXPECT_EQ(row.number, 7);
    EXPECT_DOUBLE_EQ(row.date, dates.Get(k + 1));
    EXPECT_EQ(row.value, 1000 + k);
  }
  EXPECT_EQ(rows[25].value, 240);  // the first day kept its points
  const auto table = OpenGraphValues(Base());
  const std::uint8_t keys[] = {1, 2};
  EXPECT_TRUE(IsTableSorted(*table, 2, keys));

  dates.Count = 0;
  EXPECT_FALSE(StoreGraphValues(Base(), 9, dates, data));
  EXPECT_EQ(StoredRows().size(), 51u);
}

TEST_F(GraphTablesTest, ReadingTurnsEnergiesIntoPowers) {
  const TDateTime day = EncodeDate(2024, 7, 1);
  DAdouble dates, data;
  Series(dates, data, true, 1800, day, 1, 50, 0);
  data[1] = 20;
  ASSERT_TRUE(StoreGraphValues(Base(), 4, dates, data));
  // A point off the half-hour grid is not read.
  Fill(dates, {20240701.06});
  Fill(data, {777});
  ASSERT_TRUE(StoreGraphValues(Base(), 4, dates, data));
  ASSERT_EQ(StoredRows().size(), 49u);

  DAdouble grid, values;
  std::string msg;
  ASSERT_TRUE(CountGraphPoints(true, 1800, grid, msg, day, day));
  int newPeriod = -1;
  LoadGraphValues(Base(), 4, 1800, newPeriod, values, grid, false, 'P', kGraphSlices, 0);
  EXPECT_EQ(newPeriod, 0);
  ASSERT_EQ(values.Count, 48);
  EXPECT_EQ(values.Get(1), 40);  // 20 kWh in half an hour is 40 kW
  EXPECT_EQ(values.Get(2), 100);
  EXPECT_EQ(values.Get(48), 100);

  LoadGraphValues(Base(), 4, 1800, newPeriod, values, grid, true, 'P', kGraphSlices, 0);
  EXPECT_EQ(values.Get(2), 50);
  LoadGraphValues(Base(), 4, 1800, newPeriod, values, grid, false, 'U', kGraphSlices, 0);
  EXPECT_EQ(values.Get(2), 50);

  // Points outside the graph's stored range stay 0.
  ASSERT_TRUE(CountGraphPoints(true, 1800, grid, msg, day, day - 1));
  LoadGraphValues(Base(), 4, 1800, newPeriod, values, grid, true, 'P', kGraphSlices, 0);
  ASSERT_EQ(values.Count, 96);
  EXPECT_EQ(values.Get(48), 0);
  EXPECT_EQ(values.Get(49), 20);
  EXPECT_EQ(values.Get(96), 50);
  LoadGraphValues(Base(), 5, 1800, newPeriod, values, grid, true, 'P', kGraphSlices, 0);
  EXPECT_EQ(values.Get(49), 0);
  ReadGraphValues(nullptr, 4, 1800, newPeriod, values, grid, true, 'P', kGraphSlices, 0);
  ASSERT_EQ(values.Count, 96);
  EXPECT_EQ(values.Get(49), 0);
}

TEST_F(GraphTablesTest, DailyValuesTakeTheShapeOfTheirTypicalDay) {
  const TDateTime day = EncodeDate(2024, 2, 28);
  DAdouble dates, data;
  Series(dates, data, false, 3600, day, 1, 2, 0);
  ASSERT_TRUE(StoreGraphValues(Base(), 1, dates, data));  // a flat typical day
  Series(dates, data, false, 3600, day, 1, 1, 1);
  ASSERT_TRUE(StoreGraphValues(Base(), 2, dates, data));  // a rising one
  Series(dates, data, true, 86400, day, 2, 10, 10);
  ASSERT_TRUE(StoreGraphValues(Base(), 8, dates, data));

  const auto values = OpenGraphValues(Base());
  DAdouble grid, series;
  std::string msg;
  int newPeriod = 0;
  ASSERT_TRUE(CountGraphPoints(true, 86400, grid, msg, day + 1, day));
  ReadGraphValues(values.get(), 8, 86400, newPeriod, series, grid, false, 'P', kGraphDaily, 1);
  EXPECT_EQ(newPeriod, 3600);
  ASSERT_EQ(grid.Count, 48);
  ASSERT_EQ(series.Count, 48);
  EXPECT_DOUBLE_EQ(grid.Get(1), 20240228.036);
  EXPECT_DOUBLE_EQ(grid.Get(24), 20240229.0);
  EXPECT_DOUBLE_EQ(grid.Get(48), 20240301.0);
  EXPECT_DOUBLE_EQ(series.Get(1), 10 * 3600.0 / 86400);  // the daily energy as a mean power
  EXPECT_DOUBLE_EQ(series.Get(48), 20 * 3600.0 / 86400);

  ASSERT_TRUE(CountGraphPoints(true, 86400, grid, msg, day + 1, day));
  ReadGraphValues(values.get(), 8, 86400, newPeriod, series, grid, false, 'P', kGraphDaily, 2);
  double sum = 0;
  for (int h = 25; h <= 48; ++h) sum += series.Get(h);
  EXPECT_EQ(newPeriod, 3600);
  EXPECT_NEAR(sum / 24, 20 * 3600.0 / 86400, 1e-12);  // the day's mean is its daily value
  EXPECT_NEAR(series.Get(48) / series.Get(25), 24, 1e-12);

  // Raw values and a missing typical day keep the daily grid.
  ASSERT_TRUE(CountGraphPoints(true, 86400, grid, msg, day + 1, day));
  ReadGraphValues(values.get(), 8, 86400, newPeriod, series, grid, true, 'P', kGraphDaily, 1);
  EXPECT_EQ(newPeriod, 0);
  EXPECT_EQ(series.Count, 2);
  ReadGraphValues(values.get(), 8, 86400, newPeriod, series, grid, false, 'P', kGraphDaily, 99);
  EXPECT_EQ(newPeriod, 0);
  ASSERT_EQ(series.Count, 2);
  EXPECT_DOUBLE_EQ(series.Get(2), 20 * 3600.0 / 86400);
}

}  // namespace
}  // namespace ld
