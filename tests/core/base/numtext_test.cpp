#include "core/base/numtext.h"

#include <gtest/gtest.h>

#include "core/base/numfmt.h"

namespace ld {
namespace {

TEST(NumText, FixedWithinSignificantDigits) {
  EXPECT_EQ(FixedText(10.4956, 2, 7), "10.50");
  EXPECT_EQ(FixedText(0.125, 2), "0.13");  // halves away from zero, as printed
  EXPECT_EQ(FixedText(-0.001, 2), "0.00");  // no minus on a zero
  EXPECT_EQ(FixedText(1234.5678, 2, 5), "1234.60");
  EXPECT_EQ(FixedText(999.96, 1, 7), "1000.0");
  // More integer digits than the precision: the general format.
  EXPECT_EQ(FixedText(123456789, 2, 7), "1.234568E8");
  EXPECT_EQ(FixedText(9999999.6, 0, 7), "1E7");
  EXPECT_EQ(FixedText(123456789, 0, 15), "123456789");
  EXPECT_EQ(GeneralText(400.0 * 1000, 7), "400000");
  EXPECT_EQ(GeneralText(1.0 / 3, 7), "0.3333333");

  const TFormatSettings saved = FormatSettings;
  SetFormatSeparators(",", " ");
  EXPECT_EQ(FixedText(1234567.5, 1, 15), "1234567,5");
  EXPECT_EQ(GeneralText(0.95, 7), "0,95");
  FormatSettings = saved;
}

}  // namespace
}  // namespace ld
