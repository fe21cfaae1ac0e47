#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "core/base/dates.h"
#include "core/catalogs/graph_series.h"

namespace ld {
namespace {

void Fill(DAdouble& array, const std::vector<double>& values) {
  array.Clear();
  for (std::size_t k = 0; k < values.size(); ++k) array[static_cast<int>(k) + 1] = values[k];
  array.Count = static_cast<int>(values.size());
}

void Grid(DAdouble& dates, bool dated, int period, TDateTime first, TDateTime last) {
  std::string msg;
  ASSERT_TRUE(CountGraphPoints(dated, period, dates, msg, last, first)) << msg;
}

TEST(GraphSeries, GridsEndEachIntervalAndRollOverMidnight) {
  DAdouble d;
  Grid(d, true, 3600, EncodeDate(2024, 2, 28), EncodeDate(2024, 2, 28) + 0.75);
  ASSERT_EQ(d.Count, 24);
  EXPECT_DOUBLE_EQ(d.Get(1), 20240228.036);
  EXPECT_DOUBLE_EQ(d.Get(24), 20240229.0);  // the last point is 00:00 of the (leap) next day
  Grid(d, true, 86400, EncodeDate(2024, 3, 1), EncodeDate(2024, 3, 7));
  ASSERT_EQ(d.Count, 7);
  EXPECT_DOUBLE_EQ(d.Get(7), 20240307.0);  // a daily point is stamped 00:00 of its own day
  Grid(d, false, 3600, EncodeDate(2024, 3, 1), EncodeDate(2024, 3, 9));
  ASSERT_EQ(d.Count, 24);
  EXPECT_DOUBLE_EQ(d.Get(24), 0.864);  // a typical day ends at 24:00, never 0

  Fill(d, {5.0});
  std::string msg;
  EXPECT_FALSE(CountGraphPoints(true, 3600, d, msg, EncodeDate(2024, 3, 1), EncodeDate(2024, 3, 2)));
  EXPECT_EQ(msg, "Начальная дата больше конечной даты");
  EXPECT_EQ(std::pair(d.Count, d.Get(1)), std::pair(1, 5.0));
  // Dates beyond the years 1 to 9999 are damage: no count of points is made of them.
  const double inf = std::numeric_limits<double>::infinity();
  for (const auto& [first, last] : {std::pair(0.0, 1e18), std::pair(-1e300, 0.0), std::pair(std::nan(""), 0.0),
                                    std::pair(0.0, inf), std::pair(-693594.0, 0.0)}) {
    msg.clear();
    EXPECT_FALSE(CountGraphPoints(true, 3600, d, msg, last, first)) << first << " " << last;
    EXPECT_EQ(msg, "Недопустимые даты графика");
  }
  EXPECT_EQ(std::pair(d.Count, d.Get(1)), std::pair(1, 5.0));
  Grid(d, true, 86400, EncodeDate(1, 1, 1), EncodeDate(1, 1, 2));
  Grid(d, true, 86400, EncodeDate(9999, 12, 30), EncodeDate(9999, 12, 31));
  EXPECT_EQ(d.Count, 2);

  // A moment is found on the grid to the second, whichever way its fraction was computed.
  Grid(d, true, 3600, EncodeDate(2024, 5, 1), EncodeDate(2024, 5, 1));
  EXPECT_EQ(FindGraphPoint(d, DateTimeToPacked(EncodeDate(2024, 5, 1) + EncodeTime(10, 0, 0))), 10);
  EXPECT_EQ(FindGraphPoint(d, 20240501 + 36000 * 0.00001), 10);
  EXPECT_EQ(FindGraphPoint(d, DateTimeToPacked(EncodeDate(2024, 5, 1) + EncodeTime(10, 30, 0))), 0);
}

TEST(GraphSeries, ResamplingAveragesOrRepeats) {
  const TDateTime day = EncodeDate(2024, 6, 10);
  DAdouble data, dates, target;
  std::string msg;
  std::vector<double> values;
  for (int k = 1; k <= 48; ++k) values.push_back(k);
  Fill(data, values);
  Grid(dates, true, 1800, day, day);
  Grid(target, true, 3600, day, day);
  ASSERT_TRUE(ResampleGraph(1800, 3600, true, msg, data, target, dates)) << msg;
  ASSERT_EQ(data.Count, 24);
  EXPECT_DOUBLE_EQ(data.Get(24), 47.5);  // the mean of each pair
  EXPECT_DOUBLE_EQ(dates.Get(24), target.Get(24));
  Grid(target, true, 1800, day, day);
  ASSERT_TRUE(ResampleGraph(3600, 1800, true, msg, data, target, dates)) << msg;
  ASSERT_EQ(data.Count, 48);
  EXPECT_DOUBLE_EQ(data.Get(47), 47.5);  // each value twice

  // A daily point covers the hours of its own day, 00:00 of the next day included.
  Fill(data, {10, 20});
  Grid(dates, true, 86400, day, day + 1);
  Grid(target, true, 3600, day, day + 1);
  ASSERT_TRUE(ResampleGraph(86400, 3600, true, msg, data, target, dates)) << msg;
  ASSERT_EQ(data.Count, 48);
  EXPECT_EQ(std::pair(data.Get(24), data.Get(25)), std::pair(10.0, 20.0));
  for (int k = 25; k <= 48; ++k) data[k] = 3 + (k % 2 ? 1 : -1);
  Grid(target, true, 86400, day, day + 1);
  ASSERT_TRUE(ResampleGraph(3600, 86400, true, msg, data, target, dates)) << msg;
  EXPECT_EQ(std::tuple(data.Count, data.Get(1), data.Get(2)), std::tuple(2, 10.0, 3.0));

  Fill(data, {1, 2, 3});
  EXPECT_FALSE(ResampleGraph(1200, 1800, true, msg, data, target, dates));
  EXPECT_EQ(msg, "Несоблюдение кратности периодов (30 мин и 20 мин)");
  EXPECT_EQ(data.Count, 3);
}

TEST(GraphSeries, TypicalDayRepeatsOnEveryDay) {
  const TDateTime first = EncodeDate(2024, 12, 30);
  std::vector<double> shape;
  for (int h = 1; h <= 24; ++h) shape.push_back(h * 10);
  DAdouble data, dates, target;
  std::string msg;
  Fill(data, shape);
  Grid(dates, false, 3600, first, first);
  Grid(target, true, 3600, first, first + 2);
  ASSERT_TRUE(ResampleGraph(3600, 3600, false, msg, data, target, dates)) << msg;
  ASSERT_EQ(data.Count, 72);
  for (int k = 1; k <= 72; ++k) ASSERT_EQ(data.Get(k), ((k - 1) % 24 + 1) * 10) << "point " << k;
  EXPECT_DOUBLE_EQ(dates.Get(72), 20250102.0);  // the series now carries the dated grid
}

}  // namespace
}  // namespace ld
