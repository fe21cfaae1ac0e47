// Branch parameters from passport data: two-winding, split-winding and three-winding transformers, reactors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/catalogs/catalog_units.h"
#include "core/catalogs/trans_formulas.h"

namespace ld {

namespace {

// Results are single-precision values: compare to about seven significant digits, pairwise.
void ExpectClose(const std::vector<double>& actual, const std::vector<double>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i)
    EXPECT_NEAR(actual[i], expected[i], 2e-6 * std::max(1.0, std::abs(expected[i]))) << "value " << i;
}

const TRecT2 kTm400{.Mark = "ТМ", .Sv = 400, .Uv = 10, .Un = 0.4f, .Pk = 5.5f, .Uk = 4.5f, .Ph = 0.95f, .Ih = 2.1f};

}  // namespace

TEST(TransFormulas, TwoWinding) {
  TRecT2 rec = kTm400;
  ASSERT_TRUE(CheckT2Params(rec));
  ExpectClose({rec.R, rec.X, rec.G, rec.B, rec.Kt}, {3.4375, 10.71196, 9.5, 84, 25});

  // A Cyrillic "О" among the first two letters marks a single-phase unit: phase voltage.
  TRecT2 one{.Mark = "ом", .Sv = 10, .Uv = 10, .Un = 0.23f, .Pk = 0.3f, .Uk = 4, .Ph = 0.06f, .Ih = 5};
  ASSERT_TRUE(CheckT2Params(one));
  ExpectClose({one.R, one.X, one.B}, {100, 88.19171, 15});

  // A short-circuit voltage too small for the losses gives no reactance instead of a NaN.
  TRecT2 low = kTm400;
  low.Uk = 1;
  ASSERT_TRUE(CheckT2Params(low));
  EXPECT_EQ(low.X, 0);

  TRecT2 bad = kTm400;
  bad.Un = 0;
  bad.R = 7;
  EXPECT_FALSE(CheckT2Params(bad));
  EXPECT_EQ(CatalogErrorT2, "Не заданы параметры трансформатора - Sном, Uвн, Uнн");
  EXPECT_EQ(bad.R, 7);
}

TEST(TransFormulas, SplitWinding) {
  TRecTR rec{.Mark = "ОРДН", .Sv = 25000, .Uv = 110, .Un1 = 10.5f, .Un2 = 6.3f, .Pk = 120, .Uk = 10.5f,
             .Ph = 27, .Ih = 0.7f};
  ASSERT_TRUE(CheckTRParams(rec));  // no single-phase rule here
  ExpectClose({rec.Rv, rec.Xv, rec.Rn2, rec.Xn2, rec.G, rec.B, rec.Kv, rec.Kn1, rec.Kn2},
              {1.1616, 6.245394, 2.3232, 88.90465, 2.231405, 14.46281, 1, 110 / 10.5, 110 / 6.3});
  rec.Un2 = 0;
  EXPECT_FALSE(CheckTRParams(rec));
  EXPECT_EQ(CatalogErrorTR, "Не заданы параметры трансформатора - Sном, Uвн, Uнн1, Uнн2");
}

TEST(TransFormulas, ThreeWinding) {
  // Only the high-medium losses known, winding powers not given.
  const TRecT3 base{.Mark = "ТДТН", .Sv = 25000, .Uv = 115, .Us = 38.5f, .Un = 11, .Pv_s = 140,
                    .Uv_s = 10.5f, .Uv_n = 17.5f, .Us_n = 6.5f, .Ph = 31, .Ih = 0.7f};
  TRecT3 rec = base;
  ASSERT_TRUE(CheckT3Params(rec));
  EXPECT_EQ(rec.Ss, 100);
  EXPECT_EQ(rec.Sn, 100);
  // The medium winding's short-circuit voltage comes out negative: no reactance.
  ExpectClose({rec.Rv, rec.Rs, rec.Rn, rec.Xv, rec.Xs, rec.Xn, rec.G, rec.B, rec.Ks, rec.Kn},
              {1.4812, 1.4812, 1.4812, 56.84821, 0, 35.67677, 2.344045, 13.23251, 115 / 38.5, 115 / 11.0});

  // All three pairs, measured at the low winding's half power, brought to the rated power.
  TRecT3 full = base;
  full.Sn = 50;
  full.Pv_n = 60;
  full.Ps_n = 50;
  full.Pv_s = 200;
  ASSERT_TRUE(CheckT3Params(full));
  ExpectClose({full.Rv, full.Rs, full.Rn}, {2.5392, 1.6928, 2.5392});

  TRecT3 single = base;  // "О" anywhere in a three-winding mark
  single.Mark = "ТДТНО";
  ASSERT_TRUE(CheckT3Params(single));
  ExpectClose({single.Rv}, {1.4812 / 3});

  rec.Us = 0;
  EXPECT_FALSE(CheckT3Params(rec));
  EXPECT_EQ(CatalogErrorT3, "Не заданы параметры трансформатора - Sном, Uвн, Uсн, Uнн");
}

TEST(TransFormulas, Reactor) {
  TRecRT rec{.Mark = "РБ", .Unom = 10, .Inom = 1000, .dP = 5, .Xr = -8};
  ASSERT_TRUE(CheckRTParams(rec));
  ExpectClose({rec.Xr, rec.R}, {0.4618802, 0.005});
  rec.Mark = "рбс";  // a twin reactor; a reactance in ohms stays
  ASSERT_TRUE(CheckRTParams(rec));
  ExpectClose({rec.Xr, rec.R}, {0.4618802, 0.0025});

  rec.Inom = 0;
  rec.R = 3;
  EXPECT_FALSE(CheckRTParams(rec));
  EXPECT_EQ(CatalogErrorRT, "Не задан Iном токоогр. реактора");
  EXPECT_EQ(rec.R, 3);
}

}  // namespace ld
