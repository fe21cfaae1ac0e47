#include "core/base/strings.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

#include "core/base/codepage.h"

namespace ld {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

[[noreturn]] void NotAFloat(std::string_view s) {
  throw ConvertError("\"" + std::string(s) + "\" не является числом");
}

[[noreturn]] void NotAnInteger(std::string_view s) {
  throw ConvertError("\"" + std::string(s) + "\" не является целым числом");
}

// A decimal float with "." as the separator: sign, digits with at most one point, optional exponent.
bool ParseFloat(std::string_view text, double& value) {
  std::string_view s = TrimBlanks(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  // from_chars also takes "inf", "nan" and hexadecimal forms; only plain decimals are numbers here.
  std::size_t i = 0, digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t expStart = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    if (i == expStart) return false;
  }
  if (i != s.size()) return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  if (negative) value = -value;
  return true;
}

bool ParseInt(std::string_view text, int& value) {
  std::string_view s = text;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || !IsDigit(s.front())) return false;
  std::int64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue < INT32_MIN || signedValue > INT32_MAX) return false;
  value = static_cast<int>(signedValue);
  return true;
}

std::string Spaces(std::size_t n) { return std::string(n, ' '); }

}  // namespace

std::optional<double> TryStrToFloatZ(std::string_view s) {
  if (s.empty() || s == "-") return 0.0;
  std::string text(s);
  if (const auto comma = text.find(','); comma != std::string::npos) text[comma] = '.';
  double value = 0.0;
  if (!ParseFloat(text, value)) return std::nullopt;
  return value;
}

std::optional<int> TryStrToIntZ(std::string_view s) {
  if (s.empty() || s == "-") return 0;
  int value = 0;
  if (!ParseInt(s, value)) return std::nullopt;
  return value;
}

double StrToFloatZ(std::string_view s) {
  const std::optional<double> value = TryStrToFloatZ(s);
  if (!value) NotAFloat(s);
  return *value;
}

int StrToIntZ(std::string_view s) {
  const std::optional<int> value = TryStrToIntZ(s);
  if (!value) NotAnInteger(s);
  return *value;
}

double DigitsToFloat(std::string_view s) {
  std::string kept;
  for (const char c : s) {
    if (kept.size() == 20) break;
    if (IsDigit(c) || c == ',' || c == '-' || c == '.') kept.push_back(c);
  }
  return kept.empty() ? 0.0 : StrToFloatZ(kept);
}

int DigitsToInt(std::string_view s) {
  std::string kept;
  for (const char c : s) {
    if (c == '.' || kept.size() == 20) break;
    if (IsDigit(c) || c == '-') kept.push_back(c);
  }
  if (kept.empty()) return 0;
  int value = 0;
  if (!ParseInt(kept, value)) NotAnInteger(kept);
  return value;
}

std::string RemoveBlanks(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == ' ' || c == '\t') continue;
    if (c == '\xC2' && i + 1 < s.size() && s[i + 1] == '\xA0') {  // U+00A0
      ++i;
      continue;
    }
    out.push_back(c);
  }
  return out;
}

std::string FirstCommaToPoint(std::string_view s) {
  std::string out(s);
  if (const auto comma = out.find(','); comma != std::string::npos) out[comma] = '.';
  return out;
}

std::string TrimLeadSpaces(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string() : std::string(s.substr(first));
}

std::string TrimTrailSpaces(std::string_view s) {
  const auto last = s.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string() : std::string(s.substr(0, last + 1));
}

std::string FitLeft(std::string_view s, int n) {
  if (n <= 0) return {};
  const std::size_t width = static_cast<std::size_t>(n);
  const std::size_t length = Utf8Length(s);
  if (length >= width) return Utf8Left(s, width);
  return Spaces(width - length) + std::string(s);
}

std::string FitRight(std::string_view s, int n) {
  if (n <= 0) return {};
  const std::size_t width = static_cast<std::size_t>(n);
  const std::size_t length = Utf8Length(s);
  if (length >= width) return Utf8Left(s, width);
  return std::string(s) + Spaces(width - length);
}

std::string PadLeft(std::string_view s, int n) {
  const std::size_t length = Utf8Length(s);
  if (n <= 0 || length >= static_cast<std::size_t>(n)) return std::string(s);
  return Spaces(static_cast<std::size_t>(n) - length) + std::string(s);
}

std::string OemToAnsiStr(std::string_view s) { return Cp866ToUtf8(s); }

std::string NormalizeName(std::string_view s) {
  // Latin A B C E H K M O P T and, in the same order, Cyrillic А В С Е Н К М О Р Т.
  static constexpr std::string_view kLatin = "ABCEHKMOPT";
  static constexpr std::array<char32_t, 10> kCyrillic = {0x0410, 0x0412, 0x0421, 0x0415, 0x041D,
                                                         0x041A, 0x041C, 0x041E, 0x0420, 0x0422};
  const std::string upper = UpperCase(s);
  std::string out;
  out.reserve(upper.size() + 8);
  for (const char c : upper) {
    const auto at = kLatin.find(c);
    if (at == std::string_view::npos) {
      out.push_back(c);
    } else {
      AppendUtf8(out, kCyrillic[at]);
    }
  }
  return out;
}

namespace {

// The 7-digit decimal of f written out and read back: exact, and slow enough to matter where every value
// of a table passes through.
double SingleToDoubleByText(float f) {
  std::array<char, 32> text{};
  const auto written = std::to_chars(text.data(), text.data() + text.size(), f, std::chars_format::scientific, 6);
  double value = 0.0;
  std::from_chars(text.data(), written.ptr, value);
  return value;
}

}  // namespace

double SingleToDouble(float f) {
  // A whole number of up to 7 digits is already the decimal it shows.
  if (f == std::trunc(f) && std::abs(f) < 1e7f) return f;
  const double d = f;
  const double a = std::abs(d);
  // Outside this range the scaling below would need a power of ten too large for an exact product; those
  // values, and anything that is not a finite number, take the text route.
  if (!(a >= 1e-5 && a < 1e7)) return SingleToDoubleByText(f);
  static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
  // The decades 10^-5 .. 10^7 as the exact powers divide out (10^-e is 1 / 10^e rounded once).
  static constexpr double kDecade[] = {1.0 / 1e5, 1.0 / 1e4, 1.0 / 1e3, 1.0 / 1e2, 1.0 / 1e1, 1e0, 1e1,
                                       1e2,       1e3,       1e4,       1e5,       1e6,       1e7};
  // The decade of a from the binary exponent of f (a normal float here), floor(e2 * log10(2)), is right
  // or one too small; one comparison settles it.
  const int e2 = static_cast<int>((std::bit_cast<std::uint32_t>(f) >> 23) & 0xFF) - 127;
  int e10 = (e2 * 1233) >> 12;
  if (e10 < -5) e10 = -5;
  if (a >= kDecade[e10 + 1 + 5]) ++e10;
  // Seven significant digits: f times 10^k (k <= 11) is exact, 24 bits of f and at most 26 of 5^k fitting a
  // double, so rounding it to a whole number rounds the exact value as writing the text does; the
  // division by the exact 10^k then rounds once, as reading the text back does.
  const int k = 6 - e10;
  if (k < 0 || k > 12) return SingleToDoubleByText(f);
  return std::nearbyint(d * kPow10[k]) / kPow10[k];
}

}  // namespace ld
