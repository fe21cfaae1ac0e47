// A node's load from measured values: the ten entry modes, the cos check and the note addition.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/diagram/elem_load.h"

namespace ld {
namespace {

TNodeLoadValues Apply(TLoadEntry e) {
  TNodeLoadValues v;
  v.Pn = v.Qn = v.Pg = v.Qg = v.WPn = v.WQn = v.WPg = v.WQg = -7;  // untouched values stay
  ApplyLoadEntry(e, v);
  return v;
}

TEST(ElemLoad, EveryModeConvertsBothSides) {
  const double s = std::sqrt(3.0) * 100 * 10.5 * 0.001;  // 100 A at 1.05 of 10 kV
  const double c06 = std::cos(std::atan(0.5));
  const struct {
    int mode;
    double x[4];
    bool kw;
    int divisor;
    double p, q, pg, qg;  // expected load and generation (powers or energies)
  } cases[] = {
      {lmPQ, {500, 200, 0, 0}, true, 1, 0.5, 0.2, 0, 0},
      {lmIUCos, {100, 0.8, 100, 1}, true, 1, 0.8 * s, 0.6 * s, s, 0},
      {lmSTg, {2, 0.5, 0, 0}, false, 2, c06, 0.5 * c06, 0, 0},
      {lmWPTg, {100, 0.2, 40, 0}, false, 2, 50, 10, 20, 10},
  };
  for (const auto& c : cases) {
    TLoadEntry e;
    e.Mode = c.mode, e.Unom = 10, e.KiloWatt = c.kw, e.Divisor = c.divisor;
    for (int i = 0; i < 4; ++i) e.X[i] = c.x[i];
    EXPECT_EQ(CheckLoadEntry(e), "") << kLoadModeNames[c.mode];
    const TNodeLoadValues v = Apply(e);
    const bool energy = c.mode >= lmWPWQ;
    const double got[4] = {energy ? v.WPn : v.Pn, energy ? v.WQn : v.Qn, energy ? v.WPg : v.Pg,
                           energy ? v.WQg : v.Qg};
    const double want[4] = {c.p, c.q, c.pg, c.qg};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << kLoadModeNames[c.mode] << " value " << i;
    const double other[4] = {energy ? v.Pn : v.WPn, energy ? v.Qn : v.WQn, energy ? v.Pg : v.WPg,
                             energy ? v.Qg : v.WQg};
    for (double o : other) EXPECT_EQ(o, -7) << kLoadModeNames[c.mode] << " writes only its own columns";
  }
  // The published figures of 100 A at 10 kV with cos 0.8.
  TLoadEntry e;
  e.Mode = lmIUCos, e.Unom = 10, e.X[0] = 100, e.X[1] = 0.8;
  const TNodeLoadValues v = Apply(e);
  EXPECT_NEAR(v.Pn, 1.454923, 5e-7);
  EXPECT_NEAR(v.Qn, 1.091192, 5e-7);
}

TEST(ElemLoad, CosOutsideItsRangeOrAnUnusableDefaultIsRefused) {
  TLoadEntry e;
  e.Mode = lmPCos, e.X[0] = 1, e.X[1] = 1.2;
  EXPECT_EQ(CheckLoadEntry(e), "Неверно задан COS");
  e.X[1] = 1, e.X[3] = -0.1;
  EXPECT_EQ(CheckLoadEntry(e), "Неверно задан COS");
  e.X[3] = 0, e.DefaultCos = 0;
  EXPECT_EQ(CheckLoadEntry(e), "Неверно задан COS") << "the default that would be used";
}

TEST(ElemLoad, NoteAdditionIsAppendedOnce) {
  const std::string long250(250, 'x');
  EXPECT_EQ(AppendNoteAddition(long250, "абвгд"), long250 + "абвгд") << "255 characters";
  EXPECT_EQ(AppendNoteAddition(long250, "абвгде"), long250) << "256 characters";
}

}  // namespace
}  // namespace ld
