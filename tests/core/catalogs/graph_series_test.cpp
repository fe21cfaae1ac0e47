#include <gtest/gtest.h>

#include <memory>
#include <string>
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

// The grid of the period as a new array.
std::unique_ptr<DAdouble> Grid(bool dated, int period, TDateTime start, TDateTime end) {
  auto dates = std::make_unique<DAdouble>();
  std::string msg;
  EXPECT_TRUE(CountGraphPoints(dated, period, *dates, msg, end, start)) << msg;
  return dates;
}

TEST(GraphSeries, GridsEndEachIntervalAndRollOverMidnight) {
  const auto hourly = Grid(true, 3600, EncodeDate(2024, 2, 28), EncodeDate(2024, 2, 28) + 0.75);
  ASSERT_EQ(hourly->Count, 24);
  EXPECT_DOUBLE_EQ(hourly->Get(1), 20240228.036);
  EXPECT_DOUBLE_EQ(hourly->Get(23), 20240228.828);
  EXPECT_DOUBLE_EQ(hourly->Get(24), 20240229.0);  // leap day: the last point is the next day's 00:00

  const auto halfHours = Grid(true, 1800, EncodeDate(2023, 12, 31), EncodeDate(2024, 1, 1));
  ASSERT_EQ(halfHours->Count, 96);
  EXPECT_DOUBLE_EQ(halfHours->Get(48), 20240101.0);
  EXPECT_DOUBLE_EQ(halfHours->Get(49), 20240101.018);
  EXPECT_DOUBLE_EQ(halfHours->Get(96), 20240102.0);

  const auto daily = Grid(true, 86400, EncodeDate(2024, 3, 1), EncodeDate(2024, 3, 7));
  ASSERT_EQ(daily->Count, 7);
  EXPECT_DOUBLE_EQ(daily->Get(1), 20240301.0);  // a daily point is stamped 00:00 of its own day
  EXPECT_DOUBLE_EQ(daily->Get(7), 20240307.0);

  const auto typical = Grid(false, 3600, EncodeDate(2024, 3, 1), EncodeDate(2024, 3, 9));
  ASSERT_EQ(typical->Count, 24);
  EXPECT_DOUBLE_EQ(typical->Get(1), 0.036);
  EXPECT_DOUBLE_EQ(typical->Get(24), 0.864);  // 24:00, never 0

  DAdouble kept;
  Fill(kept, {5.0});
  std::string msg;
  EXPECT_FALSE(CountGraphPoints(true, 3600, kept, msg, EncodeDate(2024, 3, 1), EncodeDate(2024, 3, 2)));
  EXPECT_EQ(msg, "Начальная дата больше конечной даты");
  EXPECT_EQ(kept.Count, 1);
  EXPECT_EQ(kept.Get(1), 5.0);
  msg.clear();
  EXPECT_FALSE(CountGraphPoints(true, 0, kept, msg, EncodeDate(2024, 3, 1), EncodeDate(2024, 3, 1)));
  EXPECT_FALSE(msg.empty());
  EXPECT_EQ(kept.Count, 1);
}

TEST(GraphSeries, MomentsMatchToTheSecond) {
  EXPECT_TRUE(SamePackedMoment(20240101 + 3600 * 0.00001, 20240101 + 3600 / 100000.0));
  EXPECT_LT(ComparePackedMoments(20240101.036, 20240101.03601), 0);
  EXPECT_GT(ComparePackedMoments(20240102.0, 20240101.864), 0);

  const auto hourly = Grid(true, 3600, EncodeDate(2024, 5, 1), EncodeDate(2024, 5, 1));
  EXPECT_EQ(FindGraphPoint(*hourly, DateTimeToPacked(EncodeDate(2024, 5, 1) + EncodeTime(10, 0, 0))), 10);
  EXPECT_EQ(FindGraphPoint(*hourly, DateTimeToPacked(EncodeDate(2024, 5, 2))), 24);
  EXPECT_EQ(FindGraphPoint(*hourly, DateTimeToPacked(EncodeDate(2024, 5, 1) + EncodeTime(10, 30, 0))), 0);
  EXPECT_EQ(FindGraphPoint(*hourly, DateTimeToPacked(EncodeDate(2024, 5, 1))), 0);  // belongs to the day before
}

TEST(GraphSeries, ResamplingAveragesOrRepeats) {
  const TDateTime day = EncodeDate(2024, 6, 10);
  const auto hourly = Grid(true, 3600, day, day);
  std::string msg;

  // Half hours to hours: the mean of each pair.
  DAdouble data;
  auto dates = Grid(true, 1800, day, day);
  std::vector<double> values;
  for (int k = 1; k <= 48; ++k) values.push_back(k);
  Fill(data, values);
  ASSERT_TRUE(ResampleGraph(1800, 3600, true, msg, data, *hourly, *dates)) << msg;
  ASSERT_EQ(data.Count, 24);
  ASSERT_EQ(dates->Count, 24);
  EXPECT_DOUBLE_EQ(data.Get(1), 1.5);
  EXPECT_DOUBLE_EQ(data.Get(24), 47.5);
  EXPECT_DOUBLE_EQ(dates->Get(24), hourly->Get(24));

  // Hours to half hours: each value twice.
  const auto halfHourly = Grid(true, 1800, day, day);
  ASSERT_TRUE(ResampleGraph(3600, 1800, true, msg, data, *halfHourly, *dates)) << msg;
  ASSERT_EQ(data.Count, 48);
  EXPECT_DOUBLE_EQ(data.Get(1), 1.5);
  EXPECT_DOUBLE_EQ(data.Get(2), 1.5);
  EXPECT_DOUBLE_EQ(data.Get(47), 47.5);
  EXPECT_DOUBLE_EQ(data.Get(48), 47.5);

  // Days to hours and back: a daily point covers the hours of its own day.
  const auto twoDaysHourly = Grid(true, 3600, day, day + 1);
  auto daily = Grid(true, 86400, day, day + 1);
  Fill(data, {10, 20});
  ASSERT_TRUE(ResampleGraph(86400, 3600, true, msg, data, *twoDaysHourly, *daily)) << msg;
  ASSERT_EQ(data.Count, 48);
  EXPECT_EQ(data.Get(1), 10);
  EXPECT_EQ(data.Get(24), 10);  // 00:00 of the next day still ends the first day
  EXPECT_EQ(data.Get(25), 20);
  EXPECT_EQ(data.Get(48), 20);
  for (int k = 1; k <= 48; ++k) data[k] = k <= 24 ? 1 : 3 + (k % 2 ? 1 : -1);
  const auto dailyGrid = Grid(true, 86400, day, day + 1);
  ASSERT_TRUE(ResampleGraph(3600, 86400, true, msg, data, *dailyGrid, *daily)) << msg;
  ASSERT_EQ(data.Count, 2);
  EXPECT_DOUBLE_EQ(data.Get(1), 1);
  EXPECT_DOUBLE_EQ(data.Get(2), 3);

  // A source that ends early leaves the later target points at zero.
  auto shortDates = Grid(true, 3600, day, day);
  std::vector<double> ones(24, 1.0);
  Fill(data, ones);
  ASSERT_TRUE(ResampleGraph(3600, 3600, true, msg, data, *twoDaysHourly, *shortDates)) << msg;
  ASSERT_EQ(data.Count, 48);
  EXPECT_EQ(data.Get(24), 1);
  EXPECT_EQ(data.Get(25), 0);
}

TEST(GraphSeries, TypicalDayRepeatsAndPeriodsMustDivide) {
  const TDateTime first = EncodeDate(2024, 12, 30);
  auto dates = Grid(false, 3600, first, first);
  DAdouble data;
  std::vector<double> shape;
  for (int h = 1; h <= 24; ++h) shape.push_back(h * 10);
  Fill(data, shape);
  const auto threeDays = Grid(true, 3600, first, first + 2);
  std::string msg;
  ASSERT_TRUE(ResampleGraph(3600, 3600, false, msg, data, *threeDays, *dates)) << msg;
  ASSERT_EQ(data.Count, 72);
  for (int k = 1; k <= 72; ++k) ASSERT_EQ(data.Get(k), ((k - 1) % 24 + 1) * 10) << "point " << k;
  EXPECT_DOUBLE_EQ(dates->Get(72), 20250102.0);  // the series now carries the dated grid

  // A typical day onto a finer dated grid repeats each hour for its half hours.
  auto typical = Grid(false, 3600, first, first);
  Fill(data, shape);
  ASSERT_TRUE(ResampleGraph(3600, 1800, false, msg, data, *Grid(true, 1800, first, first + 1), *typical)) << msg;
  ASSERT_EQ(data.Count, 96);
  EXPECT_EQ(data.Get(1), 10);
  EXPECT_EQ(data.Get(2), 10);
  EXPECT_EQ(data.Get(48), 240);
  EXPECT_EQ(data.Get(49), 10);

  Fill(data, {1, 2, 3});
  DAdouble source;
  Fill(source, {20240101.02, 20240101.04, 20240101.06});
  EXPECT_FALSE(ResampleGraph(1200, 1800, true, msg, data, *threeDays, source));
  EXPECT_EQ(msg, "Несоблюдение кратности периодов (30 мин и 20 мин)");
  EXPECT_EQ(data.Count, 3);
  EXPECT_EQ(source.Get(3), 20240101.06);
}

}  // namespace
}  // namespace ld
