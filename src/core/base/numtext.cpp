#include "core/base/numtext.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

#include "core/base/numfmt.h"

namespace ld {

namespace {

// |v| as the digits d1 d2 ... of 0.d1d2... x 10^exponent, at 17 significant digits.
void Digits(double v, std::string& digits, int& exponent) {
  digits.clear();
  exponent = 0;
  if (v == 0.0) return;
  std::array<char, 64> text{};
  const auto written = std::to_chars(text.data(), text.data() + text.size(), std::fabs(v), std::chars_format::scientific, 16);
  const std::string_view s(text.data(), static_cast<std::size_t>(written.ptr - text.data()));
  const auto e = s.find('e');
  for (std::size_t i = 0; i < e; ++i)
    if (s[i] != '.') digits.push_back(s[i]);
  int exp10 = 0;
  std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exp10);
  exponent = exp10 + 1;
}

// Keeps `keep` digits, rounding half up; an empty result is zero.
void RoundTo(std::string& digits, int& exponent, int keep) {
  if (keep >= static_cast<int>(digits.size())) return;
  if (keep < 0) {
    digits.clear();
    return;
  }
  const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
  digits.resize(static_cast<std::size_t>(keep));
  if (!up) return;
  int i = keep - 1;
  while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') digits[static_cast<std::size_t>(i--)] = '0';
  if (i >= 0) {
    ++digits[static_cast<std::size_t>(i)];
  } else {
    digits.insert(digits.begin(), '1');
    ++exponent;
  }
}

}  // namespace

std::string FixedText(double v, int decimals, int precision) {
  if (!std::isfinite(v)) return FloatToStrFixed(v, 0);
  decimals = std::clamp(decimals, 0, 18);
  precision = std::clamp(precision, 1, 18);
  std::string digits;
  int exponent = 0;
  Digits(v, digits, exponent);
  if (exponent > precision) return GeneralText(v, precision);
  RoundTo(digits, exponent, std::min(precision, exponent + decimals));
  if (exponent > precision) return GeneralText(v, precision);
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  auto digitAt = [&](int i) { return i >= 0 && i < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(i)] : '0'; };
  std::string out;
  if (v < 0 && !digits.empty()) out.push_back('-');
  if (exponent <= 0 || digits.empty()) {
    out.push_back('0');
  } else {
    for (int i = 0; i < exponent; ++i) out.push_back(digitAt(i));
  }
  if (decimals > 0) {
    out += FormatSettings.DecimalSeparator;
    for (int k = 0; k < decimals; ++k) out.push_back(digits.empty() ? '0' : digitAt(exponent + k));
  }
  return out;
}

std::string GeneralText(double v, int precision) { return FloatToStrGeneral(v, precision); }

}  // namespace ld
