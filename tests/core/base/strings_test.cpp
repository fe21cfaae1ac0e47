#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/base/strings.h"

namespace ld {
namespace {

TEST(TolerantNumbers, FloatsAcceptEitherSeparatorAndEmptyFields) {
  EXPECT_EQ(StrToFloatZ("1,5"), 1.5);
  EXPECT_EQ(StrToFloatZ(""), 0.0);
  EXPECT_EQ(StrToFloatZ("-"), 0.0);
  EXPECT_EQ(StrToFloatZ("2,5E-3"), 0.0025);
  EXPECT_EQ(StrToFloatZ(" 10 "), 10.0);
  EXPECT_EQ(StrToFloatZ("0.1"), 0.1);  // the nearest double, as a literal gives it

  for (const char* bad : {"1.234,5", "12кВ", "inf", "1e999", " "}) {
    EXPECT_THROW(StrToFloatZ(bad), ConvertError) << bad;
    EXPECT_EQ(TryStrToFloatZ(bad), std::nullopt) << bad;
  }
  // the form without an exception reads what the throwing one reads
  EXPECT_EQ(TryStrToFloatZ("2,5E-3"), 0.0025);
  EXPECT_EQ(TryStrToFloatZ("-"), 0.0);
  EXPECT_EQ(TryStrToFloatZ(" -7,25 "), -7.25);
  try {
    StrToFloatZ("abc");
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "\"abc\" не является числом");
  }
}

TEST(TolerantNumbers, Integers) {
  EXPECT_EQ(StrToIntZ(""), 0);
  EXPECT_EQ(StrToIntZ("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"12.5", "2147483648", "5-"}) {
    EXPECT_THROW(StrToIntZ(bad), ConvertError) << bad;
    EXPECT_EQ(TryStrToIntZ(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(TryStrToIntZ(" -2147483648"), -2147483647 - 1);
  EXPECT_EQ(TryStrToIntZ("-"), 0);
  try {
    StrToIntZ("12.5");
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "\"12.5\" не является целым числом");
  }
}

TEST(TolerantNumbers, DigitsOfTextsWithUnits) {
  EXPECT_EQ(DigitsToFloat("U=10,5kV"), 10.5);
  EXPECT_EQ(DigitsToFloat("Р = -0.4 МВт"), -0.4);
  // Only the first 20 kept characters count.
  EXPECT_EQ(DigitsToFloat("1234567890 1234567890 999"), 12345678901234567890.0);
  EXPECT_EQ(DigitsToInt("12.7"), 12);
  EXPECT_EQ(DigitsToInt("№ 3, 4"), 34);
}

TEST(Texts, BlanksCommasAndSpaces) {
  EXPECT_EQ(RemoveBlanks(" 1\u00A0234\t567 "), "1234567");
  EXPECT_EQ(RemoveBlanks("Р С"), "РС");  // "Р" ends in the byte 0xA0 but is no blank
  EXPECT_EQ(FirstCommaToPoint("1,2,3"), "1.2,3");
  EXPECT_EQ(TrimLeadSpaces("  а б \t "), "а б \t ");
  EXPECT_EQ(TrimTrailSpaces(" \tа б  "), " \tа б");
}

TEST(Texts, FixedWidthCountsCharacters) {
  EXPECT_EQ(FitLeft("абв", 5), "  абв");
  EXPECT_EQ(FitRight("абвгд", 3), "абв");
  EXPECT_EQ(PadLeft("абвгде", 3), "абвгде");
  EXPECT_EQ(PadLeft("ёж", 4), "  ёж");
}

TEST(Texts, DosTextsAndElementNames) {
  EXPECT_EQ(OemToAnsiStr("\x8F\xE1 \xB9\xFC" "5"), "Пс ╣№5");
  // Latin T and P typed for Cyrillic Т and Р compare equal after normalising.
  EXPECT_EQ(NormalizeName("TP-1"), NormalizeName("ТР-1"));
  EXPECT_EQ(NormalizeName("ABCEHKMOPT"), "АВСЕНКМОРТ");
  EXPECT_EQ(NormalizeName("ґ X y"), "Ґ X Y");  // X and Y have no twin in the list
}

TEST(Texts, SingleToDoubleKeepsSevenDigits) {
  EXPECT_EQ(SingleToDouble(0.1f), 0.1);
  EXPECT_EQ(SingleToDouble(16777217.0f), 16777220.0);

  // Bit for bit the double that the 7-digit decimal text reads back as, over every decade, the edges of
  // the arithmetic route and every float just above 1.
  auto byText = [](float f) {
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), f, std::chars_format::scientific, 6).ptr;
    double value = 0;
    std::from_chars(text.data(), end, value);
    return value;
  };
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> exponent(-9, 9);
  std::vector<float> values = {0.4f, 12.66f, 0.0922f, 16777215.0f, 1e-5f, 9.9999995e-6f, 9999999.0f, 1234567.5f,
                               0.5f, 2.5e-5f, -0.3f, 3.4e38f, 1e-30f, 0.0f, -0.0f};
  for (int i = 0; i < 200000; ++i) {
    const float f = static_cast<float>(std::pow(10.0, exponent(rng)));
    values.push_back(i % 2 == 0 ? f : -f);
  }
  // Either side of every power of ten, where the decade of a value changes.
  for (int p = -6; p <= 8; ++p) {
    float f = std::nextafter(std::nextafter(static_cast<float>(std::pow(10.0, p)), 0.0f), 0.0f);
    for (int k = 0; k < 5; ++k, f = std::nextafter(f, 1e30f)) {
      values.push_back(f);
      values.push_back(-f);
    }
  }
  for (std::uint32_t bits = 0x3F800000u; bits < 0x3F800000u + 20000u; ++bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    values.push_back(f);
  }
  int wrong = 0;
  for (const float f : values) {
    const double fast = SingleToDouble(f), text = byText(f);
    if (std::memcmp(&fast, &text, sizeof fast) != 0 && ++wrong <= 5) ADD_FAILURE() << f;
  }
  EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace ld
