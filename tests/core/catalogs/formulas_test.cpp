#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/catalogs/catalog_units.h"
#include "core/catalogs/trans_formulas.h"

namespace ld {

namespace {

// Results are single-precision values: compare to about seven significant digits.
void ExpectClose(double actual, double expected) {
  EXPECT_NEAR(actual, expected, 2e-6 * std::max(1.0, std::abs(expected))) << "expected " << expected;
}

TRecT2 Tm400() {
  TRecT2 rec;
  rec.Mark = "ТМ";
  rec.Sv = 400;
  rec.Uv = 10;
  rec.Un = 0.4f;
  rec.Pk = 5.5f;
  rec.Uk = 4.5f;
  rec.Ph = 0.95f;
  rec.Ih = 2.1f;
  return rec;
}

}  // namespace

TEST(TransFormulas, TwoWindingFromNameplate) {
  TRecT2 rec = Tm400();
  ASSERT_TRUE(CheckT2Params(rec));
  ExpectClose(rec.R, 3.4375);
  ExpectClose(rec.X, 10.71196);
  ExpectClose(rec.G, 9.5);
  ExpectClose(rec.B, 84);
  ExpectClose(rec.Kt, 25);
  EXPECT_EQ(rec.KtIm, 0);

  // Single-phase units (a Cyrillic "О" among the first two letters) are referred to the phase voltage.
  TRecT2 one;
  one.Mark = "ом";
  one.Sv = 10;
  one.Uv = 10;
  one.Un = 0.23f;
  one.Pk = 0.3f;
  one.Uk = 4;
  one.Ph = 0.06f;
  one.Ih = 5;
  ASSERT_TRUE(CheckT2Params(one));
  ExpectClose(one.R, 100);
  ExpectClose(one.X, 88.19171);
  ExpectClose(one.G, 1.8);
  ExpectClose(one.B, 15);
  one.Mark = "ТМО";  // "О" as the third letter: a three-phase unit
  ASSERT_TRUE(CheckT2Params(one));
  ExpectClose(one.R, 300);

  // A short-circuit voltage too small for the losses gives no reactance instead of a NaN.
  TRecT2 low = Tm400();
  low.Uk = 1;
  ASSERT_TRUE(CheckT2Params(low));
  EXPECT_EQ(low.X, 0);

  // Missing nameplate data: False, the text, and the computed fields untouched.
  TRecT2 bad = Tm400();
  bad.Un = 0;
  bad.R = 7;
  CatalogErrorT2.clear();
  EXPECT_FALSE(CheckT2Params(bad));
  EXPECT_EQ(CatalogErrorT2, "Не заданы параметры трансформатора - Sном, Uвн, Uнн");
  EXPECT_EQ(bad.R, 7);
  EXPECT_EQ(bad.Kt, 0);
}

TEST(TransFormulas, SplitWindingTransformer) {
  TRecTR rec;
  rec.Mark = "ТРДН";
  rec.Sv = 25000;
  rec.Uv = 110;
  rec.Un1 = 10.5f;
  rec.Un2 = 6.3f;
  rec.Pk = 120;
  rec.Uk = 10.5f;
  rec.Ph = 27;
  rec.Ih = 0.7f;
  ASSERT_TRUE(CheckTRParams(rec));
  ExpectClose(rec.Rv, 1.1616);
  ExpectClose(rec.Xv, 6.245394);
  ExpectClose(rec.Rn1, 2.3232);
  ExpectClose(rec.Xn1, 88.90465);
  EXPECT_EQ(rec.Rn2, rec.Rn1);
  EXPECT_EQ(rec.Xn2, rec.Xn1);
  ExpectClose(rec.G, 2.231405);
  ExpectClose(rec.B, 14.46281);
  EXPECT_EQ(rec.Kv, 1);
  ExpectClose(rec.Kn1, 110 / 10.5);
  ExpectClose(rec.Kn2, 110 / 6.3);

  // No single-phase rule for this kind.
  rec.Mark = "ОРДН";
  ASSERT_TRUE(CheckTRParams(rec));
  ExpectClose(rec.Rn1, 2.3232);

  rec.Un2 = 0;
  CatalogErrorTR.clear();
  EXPECT_FALSE(CheckTRParams(rec));
  EXPECT_EQ(CatalogErrorTR, "Не заданы параметры трансформатора - Sном, Uвн, Uнн1, Uнн2");
}

TEST(TransFormulas, ThreeWindingTransformer) {
  // Only the high-medium losses known, winding powers not given.
  TRecT3 rec;
  rec.Mark = "ТДТН";
  rec.Sv = 25000;
  rec.Uv = 115;
  rec.Us = 38.5f;
  rec.Un = 11;
  rec.Pv_s = 140;
  rec.Uv_s = 10.5f;
  rec.Uv_n = 17.5f;
  rec.Us_n = 6.5f;
  rec.Ph = 31;
  rec.Ih = 0.7f;
  ASSERT_TRUE(CheckT3Params(rec));
  EXPECT_EQ(rec.Ss, 100);
  EXPECT_EQ(rec.Sn, 100);
  ExpectClose(rec.Rv, 1.4812);
  ExpectClose(rec.Rs, 1.4812);
  ExpectClose(rec.Rn, 1.4812);
  ExpectClose(rec.Xv, 56.84821);
  EXPECT_EQ(rec.Xs, 0);  // the medium winding's short-circuit voltage is negative
  ExpectClose(rec.Xn, 35.67677);
  ExpectClose(rec.G, 2.344045);
  ExpectClose(rec.B, 13.23251);
  EXPECT_EQ(rec.Kv, 1);
  ExpectClose(rec.Ks, 115 / 38.5);
  ExpectClose(rec.Kn, 115 / 11.0);

  // Only the high-low pair measured, low winding of half power.
  TRecT3 half = rec;
  half.Pv_s = 0;
  half.Pv_n = 140;
  half.Sn = 50;
  ASSERT_TRUE(CheckT3Params(half));
  ExpectClose(half.Rv, 1.4812);
  ExpectClose(half.Rn, 2 * 1.4812);

  // All three pairs, measured at the low winding's half power, reduced to the rated power.
  TRecT3 full = rec;
  full.Sn = 50;
  full.Pv_s = 200;
  full.Pv_n = 60;
  full.Ps_n = 50;
  ASSERT_TRUE(CheckT3Params(full));
  ExpectClose(full.Rv, 2.5392);
  ExpectClose(full.Rs, 1.6928);
  ExpectClose(full.Rn, 2.5392);
  full.Ps_n = 60;
  full.Pv_n = 20;  // the high winding's share comes out negative
  full.Pv_s = 100;
  ASSERT_TRUE(CheckT3Params(full));
  EXPECT_EQ(full.Rv, 0);

  // A three-winding mark is single-phase with "О" anywhere in it.
  TRecT3 single = rec;
  single.Mark = "ТДТНО";
  ASSERT_TRUE(CheckT3Params(single));
  ExpectClose(single.Rv, 1.4812 / 3);

  rec.Us = 0;
  CatalogErrorT3.clear();
  EXPECT_FALSE(CheckT3Params(rec));
  EXPECT_EQ(CatalogErrorT3, "Не заданы параметры трансформатора - Sном, Uвн, Uсн, Uнн");
}

TEST(TransFormulas, Reactor) {
  TRecRT rec;
  rec.Mark = "РБ";
  rec.Unom = 10;
  rec.Inom = 1000;
  rec.Xr = -8;
  rec.dP = 5;
  ASSERT_TRUE(CheckRTParams(rec));
  ExpectClose(rec.Xr, 0.4618802);
  ExpectClose(rec.R, 0.005);
  // A reactance given in ohms stays; a twin reactor ("С" in the mark) halves the resistance.
  rec.Mark = "рбс";
  ASSERT_TRUE(CheckRTParams(rec));
  ExpectClose(rec.Xr, 0.4618802);
  ExpectClose(rec.R, 0.0025);

  TRecRT none = rec;
  none.Inom = 0;
  none.R = 3;
  CatalogErrorRT.clear();
  EXPECT_FALSE(CheckRTParams(none));
  EXPECT_EQ(CatalogErrorRT, "Не задан Iном токоогр. реактора");
  EXPECT_EQ(none.R, 3);
}

}  // namespace ld
