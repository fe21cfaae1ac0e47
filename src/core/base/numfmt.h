#pragma once
// How numbers are shown: one record of separators, set by the front end from the user's locale.
#include <cstdint>
#include <string>

namespace ld {

struct TFormatSettings {
  std::string DecimalSeparator = ".";
  std::string ThousandSeparator = "\u00A0";
};

extern TFormatSettings FormatSettings;

// Sets both separators. A thousands separator equal to "." or "," (either decimal separator that
// tolerant parsing accepts) becomes the non-breaking space, so shown numbers read back unambiguously.
void SetFormatSeparators(const std::string& decimalSeparator, const std::string& thousandSeparator);

// The shortest of fixed and scientific notation for `precision` significant digits (1..17), trailing
// zeros dropped: 0.5 -> "0.5", 1e-5 -> "1E-5", 1e20 -> "1E20", 0 -> "0".
std::string FloatToStrGeneral(double v, int precision = 15);
// Fixed notation with `decimals` digits after the separator, no thousands separators.
std::string FloatToStrFixed(double v, int decimals);
// Fixed notation with thousands separators: 1234567.891, 2 -> "1 234 567.89".
std::string FloatToStrNumber(double v, int decimals);
std::string IntToStr(std::int64_t v);

// Rounds to the nearest integer, halves to the even one (2.5 -> 2, 3.5 -> 4).
// Throws ld::Error for a value outside the 64-bit range.
std::int64_t Round(double v);

}  // namespace ld
