#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/base/error.h"
#include "core/base/numfmt.h"

namespace ld {
namespace {

// Restores the separators a test changes.
class SeparatorsGuard {
public:
  SeparatorsGuard() : saved_(FormatSettings) {}
  ~SeparatorsGuard() { FormatSettings = saved_; }

private:
  TFormatSettings saved_;
};

TEST(NumberFormat, GeneralPicksFixedOrScientific) {
  SeparatorsGuard guard;
  SetFormatSeparators(".", " ");
  EXPECT_EQ(FloatToStrGeneral(-0.0), "0");
  EXPECT_EQ(FloatToStrGeneral(0.1 + 0.2), "0.3");
  EXPECT_EQ(FloatToStrGeneral(0.0001), "0.0001");
  EXPECT_EQ(FloatToStrGeneral(0.00001), "1E-5");
  EXPECT_EQ(FloatToStrGeneral(1e15), "1E15");
  EXPECT_EQ(FloatToStrGeneral(12345.6, 4), "1.235E4");
  EXPECT_EQ(FloatToStrGeneral(999.96, 4), "1000");
  EXPECT_EQ(FloatToStrGeneral(std::nan("")), "NAN");

  SetFormatSeparators(",", " ");
  EXPECT_EQ(FloatToStrGeneral(10.5), "10,5");
  EXPECT_EQ(FloatToStrGeneral(1.5e-9), "1,5E-9");
}

TEST(NumberFormat, FixedAndThousands) {
  SeparatorsGuard guard;
  SetFormatSeparators(".", "\u00A0");
  EXPECT_EQ(FloatToStrFixed(0.125, 2), "0.13");    // halves go up in printed tables
  EXPECT_EQ(FloatToStrFixed(-0.001, 2), "0.00");   // no "-0.00"
  EXPECT_EQ(FloatToStrNumber(1234567.891, 2), "1\u00A0234\u00A0567.89");
  EXPECT_EQ(FloatToStrNumber(-999.999, 2), "-1\u00A0000.00");
}

TEST(NumberFormat, ThousandsSeparatorNeverLooksLikeADecimalOne) {
  SeparatorsGuard guard;
  SetFormatSeparators(",", ".");
  EXPECT_EQ(FormatSettings.ThousandSeparator, "\u00A0");
  EXPECT_EQ(FloatToStrNumber(12345.5, 1), "12\u00A0345,5");
  SetFormatSeparators(".", "'");
  EXPECT_EQ(FloatToStrNumber(12345, 0), "12'345");
}

TEST(NumberFormat, RoundSendsHalvesToEven) {
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(2.5000001), 3);
  EXPECT_EQ(Round(4503599627370497.0), 4503599627370497LL);
  EXPECT_THROW(Round(1e19), Error);
  EXPECT_THROW(Round(std::nan("")), Error);
}

}  // namespace
}  // namespace ld
