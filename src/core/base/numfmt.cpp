#include "core/base/numfmt.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "core/base/error.h"

namespace ld {

TFormatSettings FormatSettings;

void SetFormatSeparators(const std::string& decimalSeparator, const std::string& thousandSeparator) {
  FormatSettings.DecimalSeparator = decimalSeparator.empty() ? "." : decimalSeparator;
  FormatSettings.ThousandSeparator =
      thousandSeparator == "." || thousandSeparator == "," ? "\u00A0" : thousandSeparator;
}

namespace {

// A finite value as 0.d1d2d3... x 10^exponent; no digits for zero.
struct Decimal {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

// The decimal digits are taken at 18 significant digits and then rounded half up at the shown position,
// so 0.125 shows as 0.13 and 2.5 with no decimals as 3, as people read printed tables.
Decimal ToDecimal(double v) {
  Decimal d;
  if (v == 0.0) return d;
  d.negative = v < 0;
  std::array<char, 64> text{};
  const auto written =
      std::to_chars(text.data(), text.data() + text.size(), std::fabs(v), std::chars_format::scientific, 17);
  const std::string_view s(text.data(), static_cast<std::size_t>(written.ptr - text.data()));
  const auto e = s.find('e');
  for (std::size_t i = 0; i < e; ++i) {
    if (s[i] != '.') d.digits.push_back(s[i]);
  }
  int exp10 = 0;
  std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exp10);
  d.exponent = exp10 + 1;
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// Keeps the first `keep` digits, rounding half up; zero when nothing is left.
void RoundDigits(Decimal& d, int keep) {
  if (keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
  } else {
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
      int i = keep - 1;
      while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') d.digits[static_cast<std::size_t>(i--)] = '0';
      if (i >= 0) {
        ++d.digits[static_cast<std::size_t>(i)];
      } else {
        d.digits.insert(d.digits.begin(), '1');
        ++d.exponent;
      }
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.exponent = 0;
}

char DigitAt(const Decimal& d, int index) {
  return index >= 0 && index < static_cast<int>(d.digits.size()) ? d.digits[static_cast<std::size_t>(index)] : '0';
}

std::string NonFinite(double v) {
  if (std::isnan(v)) return "NAN";
  return v < 0 ? "-INF" : "INF";
}

std::string Fixed(double v, int decimals, bool thousands) {
  if (!std::isfinite(v)) return NonFinite(v);
  decimals = std::clamp(decimals, 0, 18);
  Decimal d = ToDecimal(v);
  RoundDigits(d, d.exponent + decimals);
  std::string integer;
  if (d.exponent <= 0) {
    integer = "0";
  } else {
    for (int i = 0; i < d.exponent; ++i) integer.push_back(DigitAt(d, i));
  }
  std::string out;
  if (d.negative && !d.digits.empty()) out.push_back('-');
  if (thousands) {
    for (std::size_t i = 0; i < integer.size(); ++i) {
      if (i > 0 && (integer.size() - i) % 3 == 0) out += FormatSettings.ThousandSeparator;
      out.push_back(integer[i]);
    }
  } else {
    out += integer;
  }
  if (decimals > 0) {
    out += FormatSettings.DecimalSeparator;
    for (int k = 0; k < decimals; ++k) out.push_back(DigitAt(d, d.exponent + k));
  }
  return out;
}

}  // namespace

std::string FloatToStrGeneral(double v, int precision) {
  if (!std::isfinite(v)) return NonFinite(v);
  precision = std::clamp(precision, 1, 17);
  Decimal d = ToDecimal(v);
  RoundDigits(d, precision);
  if (d.digits.empty()) return "0";
  std::string out = d.negative ? "-" : "";
  const int count = static_cast<int>(d.digits.size());
  if (d.exponent > precision || d.exponent < -3) {
    out.push_back(d.digits[0]);
    if (count > 1) out += FormatSettings.DecimalSeparator + d.digits.substr(1);
    out += 'E';
    out += std::to_string(d.exponent - 1);
    return out;
  }
  if (d.exponent <= 0) {
    out += "0" + FormatSettings.DecimalSeparator + std::string(static_cast<std::size_t>(-d.exponent), '0') +
           d.digits;
    return out;
  }
  for (int i = 0; i < d.exponent; ++i) out.push_back(DigitAt(d, i));
  if (count > d.exponent) out += FormatSettings.DecimalSeparator + d.digits.substr(static_cast<std::size_t>(d.exponent));
  return out;
}

std::string FloatToStrFixed(double v, int decimals) { return Fixed(v, decimals, false); }

std::string FloatToStrNumber(double v, int decimals) { return Fixed(v, decimals, true); }

std::string IntToStr(std::int64_t v) { return std::to_string(v); }

std::int64_t Round(double v) {
  const double r = std::nearbyint(v);  // the default rounding mode sends halves to the even neighbour
  // 2^63 is exact in a double; every double below it converts without overflow.
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) {
    throw Error("Недопустимая операция с плавающей точкой");
  }
  return static_cast<std::int64_t>(r);
}

}  // namespace ld
