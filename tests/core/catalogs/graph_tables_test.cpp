#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/dates.h"
#include "core/catalogs/graph_series.h"
#include "core/catalogs/graph_tables.h"
#include "core/tables/layout.h"
#include "core/tables/table_ops.h"
#include "catalog_fixture.h"

namespace ld {
namespace {

class GraphTablesTest : public test::CatalogTest {
protected:

  std::string Base() const { return dir_ / "Схема1"; }

  // Stores graph `number` on the grid of `days` days from `first`, values start, start + step, ...
  void Store(int number, bool dated, int period, TDateTime first, int days, double start, double step) {
    DAdouble dates, data;
    std::string msg;
    ASSERT_TRUE(CountGraphPoints(dated, period, dates, msg, first + days - 1, first)) << msg;
    for (int k = 1; k <= dates.Count; ++k) data[k] = start + step * (k - 1);
    data.Count = dates.Count;
    ASSERT_TRUE(StoreGraphValues(Base(), number, dates, data));
  }

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
};

TEST_F(GraphTablesTest, OpensEmptyTablesWithoutWritingThemAndStoresOneSortedRowPerPoint) {
  const auto catalog = OpenGraphCatalog(Base());
  EXPECT_EQ(std::tuple(catalog->Name, catalog->Title, catalog->RowCount), std::tuple(GraphCatalogMaket, "Схема1", 0));
  EXPECT_FALSE(std::filesystem::exists(Base() + catalog->Extention));
  EXPECT_EQ(OpenGraphValues(dir_ / "C:\\Сети\\Схема2")->Title, "Схема2");

  const TDateTime day = EncodeDate(2024, 3, 31);
  Store(7, true, 3600, day, 1, 1, 1);
  Store(7, true, 3600, day, 1, 10, 10);  // the same moments again replace the values
  auto rows = StoredRows();
  ASSERT_EQ(rows.size(), 24u);
  EXPECT_EQ(rows[23].value, 240);
  EXPECT_DOUBLE_EQ(rows[23].date, 20240401.0);

  // A smaller graph number goes in front; points handed over out of order are stored in order.
  DAdouble dates, data;
  dates[1] = 20240331.072, dates[2] = 20240331.036, dates.Count = 2;
  data[1] = 2, data[2] = 1, data.Count = 2;
  ASSERT_TRUE(StoreGraphValues(Base(), 3, dates, data));
  rows = StoredRows();
  ASSERT_EQ(rows.size(), 26u);
  EXPECT_EQ(std::tuple(rows[0].number, rows[0].date, rows[0].value, rows[2].number), std::tuple(3, 20240331.036, 1.0, 7));

  // Hours over half hours of the next day: the surplus rows go, the 00:30 point before the first new
  // moment stays.
  Store(7, true, 1800, day + 1, 1, 0.5, 0.5);
  ASSERT_EQ(StoredRows().size(), 74u);
  Store(7, true, 3600, day + 1, 1, 1000, 1);
  rows = StoredRows();
  ASSERT_EQ(rows.size(), 51u);
  EXPECT_EQ(rows[25].value, 240);
  EXPECT_DOUBLE_EQ(rows[26].date, 20240401.018);
  EXPECT_DOUBLE_EQ(rows[50].date, 20240402.0);
  for (int k = 0; k < 24; ++k) EXPECT_EQ(rows[static_cast<std::size_t>(27 + k)].value, 1000 + k);
  const std::uint8_t keys[] = {1, 2};
  EXPECT_TRUE(IsTableSorted(*OpenGraphValues(Base()), 2, keys));

  dates.Count = 0;
  EXPECT_FALSE(StoreGraphValues(Base(), 9, dates, data));
  EXPECT_EQ(StoredRows().size(), 51u);
}

TEST_F(GraphTablesTest, ReadingTurnsEnergiesIntoPowers) {
  const TDateTime day = EncodeDate(2024, 7, 1);
  Store(4, true, 1800, day, 1, 50, 0);
  DAdouble dates, data;
  dates[1] = 20240701.06, dates.Count = 1;  // 01:40, off the half-hour grid: never read
  data[1] = 777, data.Count = 1;
  ASSERT_TRUE(StoreGraphValues(Base(), 4, dates, data));

  DAdouble grid, values;
  std::string msg;
  ASSERT_TRUE(CountGraphPoints(true, 1800, grid, msg, day, day - 1));
  int newPeriod = -1;
  LoadGraphValues(Base(), 4, 1800, newPeriod, values, grid, false, 'P', kGraphSlices, 0);
  EXPECT_EQ(newPeriod, 0);
  ASSERT_EQ(values.Count, 96);
  EXPECT_EQ(values.Get(48), 0);  // the day before holds nothing
  EXPECT_EQ(values.Get(52), 100);  // 50 kWh in half an hour is 100 kW
  LoadGraphValues(Base(), 4, 1800, newPeriod, values, grid, true, 'P', kGraphSlices, 0);
  EXPECT_EQ(values.Get(49), 50);
  LoadGraphValues(Base(), 4, 1800, newPeriod, values, grid, false, 'U', kGraphSlices, 0);
  EXPECT_EQ(values.Get(96), 50);
}

TEST_F(GraphTablesTest, DailyValuesTakeTheShapeOfTheirTypicalDay) {
  const TDateTime day = EncodeDate(2024, 2, 28);
  Store(1, false, 3600, day, 1, 2, 0);  // a flat typical day
  Store(2, false, 3600, day, 1, 1, 1);  // a rising one
  Store(8, true, 86400, day, 2, 10, 10);
  const auto table = OpenGraphValues(Base());
  DAdouble grid, series;
  std::string msg;
  int newPeriod = 0;
  auto read = [&](bool raw, int typical) {
    ASSERT_TRUE(CountGraphPoints(true, 86400, grid, msg, day + 1, day));
    ReadGraphValues(table.get(), 8, 86400, newPeriod, series, grid, raw, 'P', kGraphDaily, typical);
  };

  read(false, 1);
  EXPECT_EQ(newPeriod, 3600);
  ASSERT_EQ(std::pair(grid.Count, series.Count), std::pair(48, 48));
  EXPECT_DOUBLE_EQ(grid.Get(24), 20240229.0);
  EXPECT_DOUBLE_EQ(series.Get(1), 10 * 3600.0 / 86400);  // the daily energy as a mean power
  EXPECT_DOUBLE_EQ(series.Get(48), 20 * 3600.0 / 86400);

  read(false, 2);
  double sum = 0;
  for (int h = 25; h <= 48; ++h) sum += series.Get(h);
  EXPECT_NEAR(sum / 24, 20 * 3600.0 / 86400, 1e-12);  // a day's mean is its daily value
  EXPECT_NEAR(series.Get(48) / series.Get(25), 24, 1e-12);

  read(false, 99);  // a typical day that does not exist keeps the daily grid
  EXPECT_EQ(newPeriod, 0);
  ASSERT_EQ(series.Count, 2);
  EXPECT_DOUBLE_EQ(series.Get(2), 20 * 3600.0 / 86400);
}

}  // namespace
}  // namespace ld
