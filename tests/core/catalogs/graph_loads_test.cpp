#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/base/dates.h"
#include "core/catalogs/graph_loads.h"
#include "core/catalogs/graph_series.h"
#include "core/catalogs/graph_tables.h"
#include "core/tables/layout.h"
#include "core/tables/table_ops.h"
#include "catalog_fixture.h"

namespace ld {
namespace {

struct GraphRow {
  int number;
  std::uint8_t kind;
  char quantity;
  int period;
  std::string unit;
  int nu = 0, ntg = 0, nt = 0;
  float us = 0, tgf = 0;
};

// One day, 15 May 2024, with its catalogue and values in a temporary folder.
class GraphLoadsTest : public test::CatalogTest {
protected:
  GraphLoadsTest() {
    catalog_ = OpenGraphCatalog(Base());
    Grid(3600, day_, day_, target_);
  }

  std::string Base() const { return dir_ / "Схема"; }

  static void Grid(int period, TDateTime first, TDateTime last, DAdouble& dates) {
    std::string msg;
    ASSERT_TRUE(CountGraphPoints(true, period, dates, msg, last, first)) << msg;
  }

  // A catalogue row and its stored values over `days` days from day_, value(k) for point k.
  void AddGraph(const GraphRow& g, const std::function<double(int)>& value, int days = 1) {
    InsertTableRows(*catalog_, catalog_->RowCount + 1, 1);
    TGraphCatalogCols c;
    FillGraphCatalogCols(*catalog_, c);
    const int r = c.RowCount;
    (*c.Ngr)[r] = g.number;
    (*c.Typ)[r] = g.kind;
    (*c.Zam)[r] = g.quantity;
    (*c.Per)[r] = g.period;
    c.Unt->SetItem(r, g.unit);
    (*c.Nu)[r] = g.nu;
    (*c.Ntg)[r] = g.ntg;
    (*c.Nt)[r] = g.nt;
    (*c.Us)[r] = g.us;
    (*c.Tgf)[r] = g.tgf;
    DAdouble dates, data;
    std::string msg;
    ASSERT_TRUE(CountGraphPoints(g.kind != kGraphTypical, g.period, dates, msg, day_ + days - 1, day_)) << msg;
    for (int k = 1; k <= dates.Count; ++k) data[k] = value(k);
    data.Count = dates.Count;
    ASSERT_TRUE(StoreGraphValues(Base(), g.number, dates, data));
  }

  // Runs the load calculation over `days` days from day_ into P_, Q_, PS_, QS_ and Msg_.
  void Run(std::uint8_t mode, int pGraph, int qGraph, double pGiven, double qGiven, bool energy = false,
           std::vector<double> switching = {}, TDateTime moment = 0, int days = 1) {
    const auto values = OpenGraphValues(Base());
    BuildLoadGraphPQ(catalog_.get(), values.get(), mode, day_, day_ + days - 1, moment, targetPeriod_, target_,
                     switching, energy, pGiven, qGiven, pGraph, qGraph, P_, Q_, PS_, QS_, Msg_);
  }

  TDateTime At(int hour, int minute = 0) const { return day_ + EncodeTime(hour, minute, 0); }
  double Packed(int hour) const { return DateTimeToPacked(day_ + hour / 24.0); }

  const TDateTime day_ = EncodeDate(2024, 5, 15);
  std::unique_ptr<TDataFile> catalog_;
  int targetPeriod_ = 3600;
  DAdouble target_;
  double P_ = 0, Q_ = 0;
  DAdouble PS_, QS_;
  std::string Msg_;
};

TEST_F(GraphLoadsTest, GivenNumbersWithoutGraphs) {
  Run(kLoadMean, 0, 0, 3, -1);
  EXPECT_EQ(std::tuple(P_, Q_, PS_.Count), std::tuple(3.0, -1.0, 0));
  Run(kLoadMaximum, 0, 0, 4800, 2400, true);  // kWh of one day
  EXPECT_DOUBLE_EQ(Q_, 2400 / 24000.0);

  // Off from 10:00 to 16:00: the energy falls on 18 hours, and the moments inside get no load.
  const std::vector<double> offSixHours = {Packed(0), -Packed(10), Packed(16), Packed(24)};
  Run(kLoadMean, 0, 0, 4800, 0, true, offSixHours);
  EXPECT_DOUBLE_EQ(P_, 4800 / 18000.0);
  Run(kLoadMoment, 0, 0, 3, 1, false, offSixHours, At(12));
  ASSERT_EQ(PS_.Count, 24);
  EXPECT_EQ(std::tuple(P_, Q_, PS_.Get(9), PS_.Get(10), PS_.Get(16)), std::tuple(0.0, 0.0, 3.0, 0.0, 3.0));

  // Off for the whole day: no hours of supply, no load (and no division by zero).
  Run(kLoadMean, 0, 0, 4800, 100, true, {-Packed(0), Packed(24)});
  EXPECT_EQ(std::tuple(Msg_, P_, Q_), std::tuple("", 0.0, 0.0));
}

TEST_F(GraphLoadsTest, PowerGraphsChosenByMode) {
  AddGraph({1, kGraphSlices, 'P', 3600, "%"}, [](int k) { return k <= 12 ? 50 : 100; });
  AddGraph({2, kGraphSlices, 'P', 1800, "кВт"}, [](int k) { return k == 20 ? -300 : -100; });  // kWh per 30 min
  AddGraph({3, kGraphSlices, 'Q', 3600, "кВАр"}, [](int k) { return k; });

  Run(kLoadMean, 1, 3, 2, 5);
  EXPECT_EQ(Msg_, "");
  ASSERT_EQ(PS_.Count, 24);
  EXPECT_EQ(std::tuple(PS_.Get(1), PS_.Get(24), P_), std::tuple(1.0, 2.0, 1.5));
  EXPECT_DOUBLE_EQ(Q_, 12.5 * 0.001);
  Run(kLoadMaximum, 1, 0, -2, 0);
  EXPECT_DOUBLE_EQ(P_, -2);  // a relative graph takes the sign of the given power

  // Stored kW keep their own sign.
  Run(kLoadMean, 2, 0, 5, 0);
  EXPECT_NEAR(P_, -(47 * 0.2 + 0.6) / 48, 1e-12);

  // At a moment, a half-hour graph is averaged onto the calculation's hours.
  Run(kLoadMoment, 2, 3, 5, 5, false, {}, At(10));
  EXPECT_EQ(Msg_, "");
  ASSERT_EQ(PS_.Count, 24);
  EXPECT_DOUBLE_EQ(P_, -0.4);  // points 19 and 20 end at 09:30 and 10:00
  EXPECT_DOUBLE_EQ(Q_, 0.01);
}

TEST_F(GraphLoadsTest, EnergyFollowsTheHoursOfSupply) {
  AddGraph({5, kGraphSlices, 'P', 3600, "кВт"}, [](int k) { return k; });
  const std::vector<double> offSixHours = {Packed(0), -Packed(10), Packed(16), Packed(24)};

  Run(kLoadMean, 5, 0, 1800, 0, true, offSixHours);
  EXPECT_EQ(Msg_, "");
  ASSERT_EQ(PS_.Count, 24);
  // Points 10..15 are off; the energy of the other 18 hours (shape sum 225) is 1800 kWh.
  EXPECT_EQ(PS_.Get(10) + PS_.Get(15), 0);
  EXPECT_NEAR(PS_.Get(16), 16 * 3.6 * 1800 / (3600 * 225.0), 1e-12);
  double energy = 0;
  for (int k = 1; k <= 24; ++k) energy += PS_.Get(k);
  EXPECT_NEAR(energy, 1.8, 1e-12);  // MWh
  EXPECT_NEAR(P_, 0.1, 1e-12);
  // Off for the whole day: the shape has no hours to share the energy, and no load comes of it.
  Run(kLoadMean, 5, 0, 1800, 0, true, {-Packed(0), Packed(24)});
  EXPECT_EQ(std::pair(Msg_, P_), std::pair(std::string(), 0.0));
}

TEST_F(GraphLoadsTest, CurrentAndTangentGraphs) {
  AddGraph({10, kGraphSlices, 'I', 3600, "А", 11, 0, 0, 0, 0.75f}, [](int) { return 100; });
  AddGraph({11, kGraphSlices, 'U', 1800, "кВ"}, [](int k) { return k % 2 ? 9 : 11; });
  AddGraph({12, kGraphSlices, 'I', 3600, "А", 99}, [](int) { return 1; });
  AddGraph({13, kGraphSlices, 'I', 1800, "А", 14}, [](int) { return 1; });
  AddGraph({14, kGraphSlices, 'U', 1200, "кВ"}, [](int) { return 10; });
  AddGraph({20, kGraphSlices, 't', 3600, ""}, [](int) { return 0.5; });
  AddGraph({21, kGraphSlices, 'P', 3600, "%"}, [](int k) { return k <= 12 ? 50 : 100; });

  // P = √3·U·I·cos(f): 10 kV (the mean of each half-hour pair), 100 A, tg(f) 0.75.
  Run(kLoadMean, 10, 0, 0, 0);
  EXPECT_EQ(Msg_, "");
  const double p = 0.001 * 10 * 100 * std::sqrt(3 / 1.5625);
  EXPECT_NEAR(P_, p, 1e-12);
  EXPECT_NEAR(Q_, p * 0.75, 1e-12);

  for (const auto& [pGraph, qGraph, text] :
       {std::tuple{12, 0, "График напряжений № 99 не найден, основной график № 12"},
        {13, 0, "График токов № 13 и график напряжений № 14 : Несоблюдение кратности периодов (30 мин и 20 мин)"},
        {21, 11, "Некорректное задание графика № 11"},
        {77, 0, "График № 77 не найден"}}) {
    Run(kLoadMean, pGraph, qGraph, 1, 1);
    EXPECT_EQ(Msg_, text);
  }

  // Q from a tg(f) graph: point by point from the P series, or from the given P.
  Run(kLoadMaximum, 21, 20, 2, 0);
  EXPECT_EQ(std::tuple(Msg_, P_, Q_, QS_.Get(1)), std::tuple("", 2.0, 1.0, 0.5));
  Run(kLoadMean, 0, 20, -4, 0);
  EXPECT_DOUBLE_EQ(Q_, -2);
}

TEST_F(GraphLoadsTest, TypicalAndDailyGraphsOverSeveralDays) {
  AddGraph({30, kGraphTypical, 'P', 3600, "%"}, [](int k) { return k; });
  AddGraph({31, kGraphDaily, 'P', 86400, "кВт", 0, 0, 30}, [](int k) { return 300 * k; }, 2);

  // The typical day repeats; a half-hour calculation grid takes each hour's value twice.
  targetPeriod_ = 1800;
  Grid(1800, day_, day_ + 1, target_);
  Run(kLoadMoment, 30, 0, 24, 0, false, {}, day_ + 1 + EncodeTime(10, 30, 0), 2);
  EXPECT_EQ(std::tuple(Msg_, PS_.Count, P_, PS_.Get(1), PS_.Get(96)), std::tuple("", 96, 11.0, 1.0, 24.0));

  // Daily energies spread by the typical day: 300 and 600 kWh a day, shaped 1..24 (sum 300).
  Run(kLoadMean, 31, 0, 0, 0, false, {}, 0, 2);
  EXPECT_EQ(Msg_, "");
  ASSERT_EQ(PS_.Count, 48);
  EXPECT_NEAR(PS_.Get(48), 600.0 / 24 * 24 * 24 / 300 * 0.001, 1e-12);
  EXPECT_NEAR(P_, 900.0 / 48 * 0.001, 1e-12);
}

TEST_F(GraphLoadsTest, BranchCurrentsAndTangents) {
  AddGraph({40, kGraphSlices, 'I', 3600, "%"}, [](int k) { return k <= 12 ? 50 : 100; });
  AddGraph({41, kGraphSlices, 'I', 3600, "А", 0, 42}, [](int k) { return k == 5 ? -90 : 30; });
  AddGraph({42, kGraphSlices, 't', 1800, ""}, [](int k) { return k % 2 ? 0.4 : 0.6; });
  AddGraph({43, kGraphSlices, 'P', 3600, ""}, [](int) { return 1; });
  const auto values = OpenGraphValues(Base());
  double current = 0, tg = 0;
  DAdouble is, ts;
  std::string msg;
  auto run = [&](std::uint8_t mode, int graph, TDateTime moment = 0) {
    BuildLoadGraphIT(catalog_.get(), values.get(), mode, day_, day_, moment, 3600, target_, 0.3, 200, graph, current,
                     tg, is, ts, msg);
  };

  run(kLoadMean, 40);
  EXPECT_DOUBLE_EQ(current, 150);
  run(kLoadMoment, 40, At(13));
  EXPECT_EQ(std::tuple(current, tg, ts.Count, ts.Get(24)), std::tuple(200.0, 0.3, 24, 0.3));

  run(kLoadMaximum, 41);
  EXPECT_EQ(msg, "");
  EXPECT_DOUBLE_EQ(current, -90);
  EXPECT_DOUBLE_EQ(tg, 0.5);  // the mean of the tg(f) graph taken hourly

  run(kLoadMean, 43);
  EXPECT_EQ(msg, "Некорректное задание графика № 43");
}

}  // namespace
}  // namespace ld
