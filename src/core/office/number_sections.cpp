#include "core/office/number_sections.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <tuple>
#include <utility>

#include "core/base/numfmt.h"

namespace ld::office {

using namespace codes;

namespace {

bool StartsGeneral(std::string_view section, std::size_t i) {
  constexpr std::string_view kGeneral = "general";
  if (section.size() - i < kGeneral.size()) return false;
  for (std::size_t k = 0; k < kGeneral.size(); ++k)
    if (Lower(section[i + k]) != kGeneral[k]) return false;
  return true;
}

// What a section of a whole number among texts of its own holds: digit placeholders ('0' shows a digit
// or a zero, '#' a digit or nothing; no decimals, no thousands) or the number in general format, and
// quoted texts, escaped characters, the characters shown as they are, a colour or a language in brackets.
// A section's condition ([<1000], [>=0]): which numbers it shows.
struct TCondition {
  enum : unsigned char { None, Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual } op = None;
  double limit = 0;
  bool Holds(double value) const {
    switch (op) {
      case Less: return value < limit;
      case LessEqual: return value <= limit;
      case Greater: return value > limit;
      case GreaterEqual: return value >= limit;
      case Equal: return value == limit;
      case NotEqual: return value != limit;
      case None: break;
    }
    return true;
  }
};

// The condition written inside a bracket ("<1000", ">=-1"); false for a bracket that is none.
bool ParseCondition(std::string_view inside, TCondition& condition) {
  static constexpr std::pair<std::string_view, decltype(TCondition::op)> kOps[] = {
      {"<=", TCondition::LessEqual}, {">=", TCondition::GreaterEqual}, {"<>", TCondition::NotEqual},
      {"<", TCondition::Less},       {">", TCondition::Greater},       {"=", TCondition::Equal}};
  for (const auto& [sign, op] : kOps) {
    if (!inside.starts_with(sign)) continue;
    const std::string_view number = inside.substr(sign.size());
    double limit = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), limit);
    if (number.empty() || ec != std::errc() || end != number.data() + number.size()) return false;
    condition = {op, limit};
    return true;
  }
  return false;
}

struct TPlaced {
  std::size_t zeros = 0, hashes = 0;
  bool general = false;
  bool literal = false;  // whether any text stands beside the number
  TCondition condition;
};

// False for a section that holds anything else.
bool ParsePlaced(std::string_view section, TPlaced& placed) {
  placed = {};
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (c == '0' || c == '#') {
      if (placed.general) return false;
      ++(c == '0' ? placed.zeros : placed.hashes);
    } else if (StartsGeneral(section, i)) {
      if (placed.general || placed.zeros + placed.hashes > 0) return false;
      placed.general = true;
      i += 6;
    } else if (c == '"') {
      const std::size_t end = section.find('"', i + 1);
      if (end == std::string_view::npos) return false;
      placed.literal = placed.literal || end > i + 1;
      i = end;
    } else if (c == '\\') {
      if (++i >= section.size()) return false;
      i = EscapedEnd(section, i) - 1;
      placed.literal = true;
    } else if (c == '[') {
      const std::size_t end = section.find(']', i);
      if (end == std::string_view::npos) return false;
      const std::string_view inside = section.substr(i + 1, end - i - 1);
      // a language shows nothing, a colour neither; a currency sign is more than digits; a condition
      // chooses the section
      if (ParseCondition(inside, placed.condition)) {
        if (placed.zeros + placed.hashes > 0 || placed.general || placed.literal) return false;
      } else if (!inside.starts_with("$-") && inside.find_first_of("$<>=") != std::string_view::npos) {
        return false;
      }
      i = end;
    } else if (IsPlainLiteral(c)) {
      placed.literal = true;
    } else {
      return false;
    }
  }
  return true;
}


// A section that shows a number as a fraction ("# ?/?", "# ??/??", "?/?", "0 ?/8"): texts before and
// after, the whole part's placeholders (none for an improper fraction), the numerator's and the
// denominator's ('?' a digit or a blank, '0' a digit or a zero, '#' a digit or nothing), or a denominator
// written as digits, which every number is shown over.
struct TFraction {
  std::string before, between, after;  // `between`: what stands between the whole part and the numerator
  std::string whole, numerator, denominator;
  std::uint64_t fixed = 0;  // the denominator written, 0 for one found
  bool beyond = false;      // a denominator written with more digits than a double holds: no number shown
};

// The most digits a fraction's numerator, whole part or written denominator may have for a double to
// hold each of its units: past them a spreadsheet shows an error mark.
constexpr double kFractionDigitsEnd = 1e15;

bool IsPlaceholder(char c) { return c == '?' || c == '#' || c == '0'; }

bool ParseFraction(std::string_view section, TFraction& f) {
  f = {};
  // the runs of placeholders in order, and the texts after each
  std::vector<std::string> runs, texts(1);
  bool slash = false, inRun = false;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (IsPlaceholder(c) || (slash && c >= '1' && c <= '9')) {
      if (!inRun) {
        runs.emplace_back();
        texts.emplace_back();
      }
      runs.back() += c;
      inRun = true;
      continue;
    }
    inRun = false;
    if (c == '/' && !slash && !runs.empty() && texts.back().empty()) {
      slash = true;
      texts.back().push_back('/');
    } else if (c == '"') {
      const std::size_t end = section.find('"', i + 1);
      if (end == std::string_view::npos) return false;
      texts.back().append(section.substr(i + 1, end - i - 1));
      i = end;
    } else if (c == '\\') {
      const std::size_t end = EscapedEnd(section, ++i);
      if (i >= section.size()) return false;
      texts.back().append(section.substr(i, end - i));
      i = end - 1;
    } else if (c == '[') {
      const std::size_t end = section.find(']', i);
      if (end == std::string_view::npos) return false;
      const std::string_view inside = section.substr(i + 1, end - i - 1);
      if (!inside.starts_with("$-") && inside.find_first_of("$<>=") != std::string_view::npos) return false;
      i = end;
    } else if (IsPlainLiteral(c)) {
      texts.back() += c;
    } else {
      return false;
    }
  }
  // runs: [whole] numerator denominator; the text after the numerator is the slash alone
  if (!slash || runs.size() < 2 || runs.size() > 3 || texts[runs.size() - 1] != "/") return false;
  const std::size_t n = runs.size();
  f.before = texts[0];
  f.after = texts[n];
  f.numerator = runs[n - 2];
  f.denominator = runs[n - 1];
  if (n == 3) {
    f.whole = runs[0];
    f.between = texts[1];
    if (f.whole.find('?') != std::string::npos) return false;
  }
  if (f.denominator.find_first_of("123456789") != std::string::npos) {
    if (f.denominator.find_first_not_of("0123456789") != std::string::npos) return false;
    const auto [end, ec] = std::from_chars(f.denominator.data(), f.denominator.data() + f.denominator.size(), f.fixed);
    f.beyond = ec != std::errc() || static_cast<double>(f.fixed) >= kFractionDigitsEnd;
    if (f.beyond) f.fixed = 1;
  }
  return true;
}

// Digits placed right-aligned in a run of placeholders: '?' pads with a blank, '0' with a zero.
std::string PadLeft(const std::string& digits, std::string_view run) {
  std::string text;
  for (std::size_t k = digits.size(); k < run.size(); ++k) {
    const char c = run[run.size() - 1 - k];
    if (c != '#') text.insert(text.begin(), c == '?' ? ' ' : '0');
  }
  return text + digits;
}

// The fraction nearest to x >= 0 whose denominator is below `most`, the smallest denominator of those
// equally near: the last convergent of x's continued fraction within the bound, or the semiconvergent
// that reaches the bound, whichever is nearer. A few steps a number, where trying every denominator of a
// four-digit run costs ten thousand.
void NearestFraction(double x, std::uint64_t most, std::uint64_t& num, std::uint64_t& den) {
  const std::uint64_t top = most - 1;
  std::uint64_t p0 = 0, q0 = 1, p1 = 1, q1 = 0;  // the convergents before the last, and the last
  double rest = x;
  for (int step = 0; step < 64; ++step) {
    const double a = std::floor(rest);
    if (q1 > 0 && !(a <= static_cast<double>((top - q0) / q1))) break;
    const auto whole = static_cast<std::uint64_t>(a);
    const std::uint64_t p2 = whole * p1 + p0, q2 = whole * q1 + q0;
    p0 = std::exchange(p1, p2);
    q0 = std::exchange(q1, q2);
    const double fraction = rest - a;
    if (!(fraction > 0)) break;
    rest = 1 / fraction;
  }
  num = p1;
  den = q1;
  const auto error = [x](std::uint64_t n, std::uint64_t d) { return std::fabs(x - static_cast<double>(n) / static_cast<double>(d)); };
  if (const std::uint64_t k = (top - q0) / q1; k > 0) {
    const std::uint64_t n = p0 + k * p1, d = q0 + k * q1;
    const double near = error(n, d), last = error(num, den);
    if (near < last || (near == last && d < den)) {
      num = n;
      den = d;
    }
  }
}

// What a fraction section makes of a magnitude: the whole part (0 for an improper fraction), the
// numerator and the denominator; false for a number whose digits a double no longer holds.
bool FractionOf(const TFraction& f, double a, double& whole, std::uint64_t& num, std::uint64_t& den) {
  if (f.beyond) return false;
  whole = f.whole.empty() ? 0 : std::floor(a);
  if (!(whole < kFractionDigitsEnd)) return false;
  const double part = a - whole;
  if (f.fixed > 0) {
    den = f.fixed;
    const double n = std::round(part * static_cast<double>(den));
    if (!(n < kFractionDigitsEnd)) return false;
    num = static_cast<std::uint64_t>(n);
  } else {
    if (!(part < kFractionDigitsEnd)) return false;
    std::uint64_t most = 1;
    for (std::size_t k = 0; k < f.denominator.size() && k < 4; ++k) most *= 10;
    NearestFraction(part, most, num, den);
    if (!(static_cast<double>(num) < kFractionDigitsEnd)) return false;
  }
  // a fraction that rounds to a whole one is that whole number
  if (!f.whole.empty() && num == den) {
    whole += 1;
    num = 0;
  }
  return true;
}

std::string ShownFraction(const TFraction& f, double value) {
  double whole = 0;
  std::uint64_t num = 0, den = 1;
  if (!FractionOf(f, std::fabs(value), whole, num, den)) return {};
  std::string text = value < 0 && (whole > 0 || num > 0) ? "-" : "";
  text += f.before;
  if (!f.whole.empty()) {
    char buffer[400];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, whole, std::chars_format::fixed, 0);
    std::string digits(buffer, ec == std::errc() ? end : buffer);
    if (whole == 0 && num > 0) digits.clear();  // " 1/2": a whole part of nothing shows none
    text += PadLeft(digits, f.whole);
  }
  const std::string denominator = f.fixed > 0 ? f.denominator : std::to_string(den);
  if (!f.whole.empty() && num == 0) {
    // a whole number shows blanks where its fraction would stand
    text.append(f.between.size() + f.numerator.size() + 1 + std::max(f.denominator.size(), denominator.size()), ' ');
  } else {
    text += f.between + PadLeft(std::to_string(num), f.numerator) + "/" + denominator;
    if (f.fixed == 0 && denominator.size() < f.denominator.size())
      text.append(f.denominator.size() - denominator.size(), ' ');
  }
  return text + f.after;
}

// A section that dresses a number: digit placeholders with a thousands separator, decimals, a percent
// sign or an exponent ("0.00", "#,##0", "0%", "0.00E+00", "# ##0,00 ₽"), with texts before and after
// the number. A comma between the whole part's placeholders groups its digits by thousands; commas after
// the last of them divide the number by a thousand each.
struct TDecimal {
  std::string before, after;
  std::string whole, decimals;  // the placeholders ('0' a digit or a zero, '#' a digit or nothing, '?' a blank)
  bool point = false;           // a decimal point, shown even with no decimals after it ("5," under 0.##)
  bool grouping = false;
  int scale = 0;
  bool percent = false;
  bool exponent = false, exponentPlus = false;
  std::size_t exponentDigits = 0;
};

// The longest run of decimals a section may show: spreadsheet programs show no more.
constexpr std::size_t kMostDecimals = 30;

// False for a section that holds anything else (a condition, General, a text's '@', placeholders
// separated by texts, an exponent of an engineering form).
bool ParseDecimal(std::string_view section, TDecimal& d) {
  d = {};
  enum { Before, Whole, Decimals, Exponent, After } state = Before;
  int commas = 0;  // commas after the last whole placeholder so far
  const auto literal = [&](std::string_view text) {
    if (state == Before) {
      d.before.append(text);
    } else {
      if (state == Whole) d.scale += std::exchange(commas, 0);
      state = After;
      d.after.append(text);
    }
  };
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (IsPlaceholder(c)) {
      if (state == Before || state == Whole) {
        if (commas > 0 && !d.whole.empty()) d.grouping = true;
        commas = 0;
        d.whole += c;
        state = Whole;
      } else if (state == Decimals) {
        d.decimals += c;
      } else if (state == Exponent && c == '0') {
        ++d.exponentDigits;
      } else {
        return false;
      }
    } else if (c == ',' && state == Whole) {
      ++commas;
    } else if (c == '.' && (state == Before || state == Whole)) {
      d.scale += std::exchange(commas, 0);
      d.point = true;
      state = Decimals;
    } else if ((c == 'E' || c == 'e') && (state == Whole || state == Decimals) && i + 1 < section.size() &&
               (section[i + 1] == '+' || section[i + 1] == '-')) {
      d.scale += std::exchange(commas, 0);
      d.exponent = true;
      d.exponentPlus = section[++i] == '+';
      state = Exponent;
    } else if (c == '%') {
      d.percent = true;
      literal("%");
    } else if (c == '"') {
      const std::size_t end = section.find('"', i + 1);
      if (end == std::string_view::npos) return false;
      literal(section.substr(i + 1, end - i - 1));
      i = end;
    } else if (c == '\\' || c == '_' || c == '*') {
      // an escaped character shows itself, '_' the blank as wide as the next one, '*' repeats the next to
      // fill the column: nothing of it in the text
      if (i + 1 >= section.size()) return false;
      const std::size_t end = EscapedEnd(section, i + 1);
      literal(c == '\\' ? section.substr(i + 1, end - i - 1) : c == '_' ? std::string_view(" ") : std::string_view());
      i = end - 1;
    } else if (c == '[') {
      const std::size_t end = section.find(']', i);
      if (end == std::string_view::npos) return false;
      const std::string_view inside = section.substr(i + 1, end - i - 1);
      if (inside.starts_with('$')) {
        // a currency and its language ([$₽-419]) shows the currency's sign; a language alone nothing
        literal(inside.substr(1, inside.find('-') == std::string_view::npos ? std::string_view::npos : inside.find('-') - 1));
      } else if (inside.find_first_of("<>=") != std::string_view::npos) {
        return false;
      }
      i = end;
    } else if (IsPlainLiteral(c) && !(state == Exponent && d.exponentDigits == 0)) {
      literal(std::string_view(&c, 1));
    } else {
      return false;
    }
  }
  if (state == Whole) d.scale += commas;
  if (d.whole.empty() && d.decimals.empty()) return false;
  if (d.decimals.size() > kMostDecimals) return false;
  return !d.exponent || (d.exponentDigits > 0 && d.whole.size() == 1);
}


// The digits of x >= 0 rounded to `decimals` digits after the point, as a spreadsheet shows a number:
// the value as it was typed or computed (the fewest digits that read back as it) brought to 16
// significant digits first, then rounded half away from zero at the last place shown. So a double a
// hair under a half rounds as the half it was typed or computed as (2.4999999999999996 is "03" under 00,
// =4.35*100/2 "218" under 0, 9.995 "10.00" and 2.675 "2.68" under 0.00), while one further from it stays
// under (0.4999999999999997 is "Д-0000" under "Д-"0000). A spreadsheet shows no more than 15 significant
// digits: a text of more places is those 15 and zeros, and so is a whole number of 10^15 and more, past
// 2^53 or with a fraction (12345678901234499584, the double nearest 12345678901234500000, is
// "12345678901234500000"), while one that a double holds to its unit is all its digits (1234567890123456
// under 0 is itself). The whole part ("" for none) and the decimals, always `decimals` of them.
std::pair<std::string, std::string> DecimalDigits(double x, std::size_t decimals) {
  constexpr double kEveryUnit = 9007199254740992.0;  // 2^53: from here a double skips whole numbers
  constexpr std::size_t kRoundedDigits = 16, kShownDigits = 15;
  char buffer[400];
  if (x >= 1e15 && x < kEveryUnit && std::trunc(x) == x) {
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, static_cast<int>(decimals));
    const std::string_view s(buffer, ec == std::errc() ? end : buffer);
    const std::size_t point = s.find('.');
    return {std::string(s.substr(0, point)), point == std::string_view::npos ? std::string() : std::string(s.substr(point + 1))};
  }
  // the significant digits of x as it was typed (the fewest that read back as x, as a person or a
  // formula's result shows it: 9.995, never the 9.99499999999999921840 a double holds) and the exponent
  // with its sign ("e-01" is -1), rounded half up to `count` significant digits
  const auto significant = [&buffer, x](std::size_t count, std::string& digits, int& exp10) {
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific);
    const std::string_view s(buffer, ec == std::errc() ? end : buffer);
    const std::size_t e = s.find('e');
    if (e == std::string_view::npos) return false;
    digits.clear();
    for (std::size_t i = 0; i < e; ++i)
      if (s[i] != '.') digits += s[i];
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exp10);
    if (digits.size() > count) {
      const bool up = digits[count] >= '5';
      digits.resize(count);
      std::size_t k = count;
      for (; up && k > 0 && digits[k - 1] == '9'; --k) digits[k - 1] = '0';
      if (up && k > 0) ++digits[k - 1];
      if (up && k == 0) {
        digits.insert(digits.begin(), '1');
        digits.pop_back();
        ++exp10;
      }
    }
    return true;
  };
  std::string digits;
  int exp10 = 0;
  if (!significant(kRoundedDigits, digits, exp10)) return {};
  // a text of more places than a spreadsheet shows digits of is its 15 significant digits and zeros
  if (exp10 + 1 + static_cast<long>(decimals) > static_cast<long>(kShownDigits) && !significant(kShownDigits, digits, exp10)) return {};
  if (x == 0) digits.clear();
  long whole = exp10 + 1;  // how many of the digits stand before the point
  long keep = whole + static_cast<long>(decimals);
  if (keep < 0) {
    digits.clear();
  } else if (keep < static_cast<long>(digits.size())) {
    const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    long k = keep - 1;
    for (; up && k >= 0 && digits[static_cast<std::size_t>(k)] == '9'; --k) digits[static_cast<std::size_t>(k)] = '0';
    if (up && k >= 0) ++digits[static_cast<std::size_t>(k)];
    if (up && k < 0) {
      // a carry into a new digit (9.995 is 10.00): one more digit before the point, the decimals as many
      digits.insert(digits.begin(), '1');
      ++whole;
      ++keep;
    }
  }
  std::string integer, fraction;
  for (long k = 0; k < whole; ++k) integer += k < static_cast<long>(digits.size()) ? digits[static_cast<std::size_t>(k)] : '0';
  for (long k = whole; k < keep; ++k)
    fraction += k >= 0 && k < static_cast<long>(digits.size()) ? digits[static_cast<std::size_t>(k)] : '0';
  integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
  return {integer, fraction};
}

// The digits of a magnitude rounded to a whole number as the sheet shows it ("" for zero).
std::string WholeDigits(double magnitude) { return DecimalDigits(magnitude, 0).first; }

// A number at the 15 significant digits a spreadsheet shows of it.
double Significant(double x) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, 14);
  double read = x;
  if (ec == std::errc()) std::from_chars(buffer, end, read);
  return read;
}

// What a dressing section shows of a magnitude.
struct TDecimalText {
  std::string text;
  bool same = false;         // the text shows the number itself, only dressed (its decimals, the thousands)
  bool dropsDigits = false;  // a whole number whose digits the text does not all show (an exponent, a scale)
  std::string plain;         // the number's own digits as shown, without the thousands: same's text
  double shownNumber = 0;    // the number the digits read as (0 for a number shown as zero)
};

TDecimalText RenderDecimal(const TDecimal& d, double magnitude) {
  TDecimalText out;
  double x = magnitude * (d.percent ? 100 : 1);
  for (int k = 0; k < d.scale; ++k) x /= 1000;
  long exp10 = 0;
  std::string integer, fraction;
  if (d.exponent) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific,
                                         static_cast<int>(d.decimals.size()));
    const std::string_view s(buffer, ec == std::errc() ? end : buffer);
    const std::size_t e = s.find('e');
    if (e == std::string_view::npos) return out;
    integer = s.substr(0, 1);
    if (e > 2) fraction = s.substr(2, e - 2);
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exp10);
    if (integer == "0") integer.clear();
  } else {
    std::tie(integer, fraction) = DecimalDigits(x, d.decimals.size());
  }
  std::string read = (integer.empty() ? "0" : integer) + "." + fraction;
  std::string whole = PadLeft(integer, d.whole);
  if (d.grouping) {
    std::string grouped;
    for (std::size_t k = 0; k < whole.size(); ++k) {
      if (k > 0 && (whole.size() - k) % 3 == 0 && whole[k - 1] != ' ') grouped += FormatSettings.ThousandSeparator;
      grouped += whole[k];
    }
    whole = std::move(grouped);
  }
  std::string trimmed = fraction;
  trimmed.erase(trimmed.find_last_not_of('0') == std::string::npos ? 0 : trimmed.find_last_not_of('0') + 1);
  out.plain = (integer.empty() ? "0" : integer) + (trimmed.empty() ? "" : FormatSettings.DecimalSeparator + trimmed);
  // the decimals' '#' drop zeros at the end and '?' show blanks for them
  for (std::size_t k = fraction.size(); k-- > 0 && fraction[k] == '0' && d.decimals[k] != '0';) {
    if (d.decimals[k] == '#') fraction.erase(k);
    else fraction[k] = ' ';
  }
  out.text = d.before + whole;
  if (d.point) out.text += FormatSettings.DecimalSeparator + fraction;
  if (d.exponent) {
    std::string power = std::to_string(exp10 < 0 ? -exp10 : exp10);
    if (power.size() < d.exponentDigits) power.insert(0, d.exponentDigits - power.size(), '0');
    out.text += std::string("E") + (exp10 < 0 ? "-" : d.exponentPlus ? "+" : "") + power;
  }
  out.text += d.after;
  double& shownNumber = out.shownNumber;
  std::from_chars(read.data(), read.data() + read.size(), shownNumber);
  out.same = !d.percent && !d.exponent && d.scale == 0 && d.before.find_first_not_of(' ') == std::string::npos &&
             d.after.find_first_not_of(' ') == std::string::npos &&
             (shownNumber == Significant(magnitude) || shownNumber == magnitude);
  // the number the text reads as, back in the cell's units
  double back = shownNumber * std::pow(10.0, static_cast<double>(exp10)) / (d.percent ? 100 : 1);
  for (int k = 0; k < d.scale; ++k) back *= 1000;
  out.dropsDigits = std::trunc(magnitude) == magnitude && std::fabs(back - magnitude) >= 0.5;
  return out;
}

bool GivesText(const TPlaced& placed) {
  return placed.zeros >= 2 || (placed.literal && (placed.zeros + placed.hashes > 0 || placed.general));
}

// The section's text for a number: a whole number's digits fill the placeholders from the right, the
// first placeholder taking those the others leave over (1234 under 00-00 is 12-34), a '0' left over
// showing a zero and a '#' nothing (0 under "Д-"# is "Д-"); General shows the number as the general
// format does. A section of texts alone shows them whatever the number, an empty one nothing.
std::string RenderPlaced(std::string_view section, std::size_t placeholders, double magnitude) {
  const std::string digits = placeholders > 0 ? WholeDigits(magnitude) : std::string();
  std::size_t left = placeholders;  // placeholders still to come, this one included
  std::size_t next = 0;             // the next digit to place
  std::string text;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (c == '0' || c == '#') {
      // the digit this placeholder stands for counts from the right: digits past the others' go here
      const std::size_t own = digits.size() > next && digits.size() - next >= left ? digits.size() - next - left + 1 : 0;
      if (own > 0) {
        text.append(digits, next, own);
        next += own;
      } else if (c == '0') {
        text += '0';
      }
      --left;
    } else if (StartsGeneral(section, i)) {
      text += FloatToStrGeneral(magnitude, 15);
      i += 6;
    } else if (!TakeLiteral(section, i, text)) {
      text += c;
    }
  }
  return text;
}

}  // namespace

// One number section of a code as parsed: as digits among texts, as a dressed number, or neither.
struct TCodeSection {
  std::string code;
  TPlaced placed;
  bool isPlaced = false;
  TDecimal decimal;
  bool isDecimal = false;

  // A section of texts alone, or an empty one: it shows what it holds whatever the number.
  bool TextOnly() const {
    return isPlaced && placed.zeros + placed.hashes == 0 && !placed.general && placed.condition.op == TCondition::None;
  }
  std::string Literal() const { return RenderPlaced(code, 0, 0); }
};

struct TNumberCode {
  // Conditional: the first section carries a condition and every section holds digits among texts
  // ([>=1000]0;"№ "0000). Fraction: one section of a fraction. Placed: digits padded with zeros or set
  // among texts. Decimal: a number dressed with decimals, thousands, a percent or an exponent, its
  // negative and zero sections dressing it too or showing texts alone ("-") or nothing.
  enum class TKind : unsigned char { Conditional, Fraction, Placed, Decimal } kind = TKind::Placed;
  std::vector<TCodeSection> sections;  // the number sections (the fourth shows texts)
  TFraction fraction;
};

namespace {

// The section that shows the value: a negative number takes the second when there is one, zero the
// third.
std::size_t PickBySign(const TNumberCode& code, double value) {
  if (value < 0 && code.sections.size() > 1) return 1;
  if (value == 0 && code.sections.size() > 2) return 2;
  return 0;
}

// The section of a conditional code that shows the value, as a spreadsheet chooses it: the first when
// its condition holds; else the second when its own condition holds or it has none, the second then
// taking the negative numbers when a third takes the rest; else the third. Empty for a number no
// section shows.
std::optional<std::size_t> PickConditional(const TNumberCode& code, double value) {
  if (code.sections[0].placed.condition.Holds(value)) return 0;
  if (code.sections.size() < 2) return std::nullopt;
  const TCondition& second = code.sections[1].placed.condition;
  const bool takes = second.op != TCondition::None ? second.Holds(value) : code.sections.size() < 3 || value < 0;
  if (takes) return 1;
  if (code.sections.size() == 3) return 2;
  return std::nullopt;
}

// Whether the placed section shows a number other than zero: a minus stands only before such a one.
bool ShowsNonZero(const TCodeSection& section, double magnitude) {
  return section.placed.general ? magnitude != 0 : !WholeDigits(magnitude).empty();
}

// The magnitude under the placed section, after a minus when the number is `negative` and shown as other
// than zero.
std::string ShownPlaced(const TCodeSection& section, double magnitude, bool negative) {
  std::string shown;
  if (negative && ShowsNonZero(section, magnitude)) shown.push_back('-');
  shown += RenderPlaced(section.code, section.placed.zeros + section.placed.hashes, magnitude);
  return shown;
}

// The minus is shown by the first section alone, and not by a first section for the numbers below zero
// ([<0], [<=0]).
std::string ShownConditional(const TNumberCode& code, double value) {
  const std::optional<std::size_t> pick = PickConditional(code, value);
  if (!pick) return {};
  const TCodeSection& section = code.sections[*pick];
  const TCondition& c = code.sections[0].placed.condition;
  const bool minus = *pick == 0 && !((c.op == TCondition::Less || c.op == TCondition::LessEqual) && c.limit == 0);
  return ShownPlaced(section, std::fabs(value), minus && value < 0);
}

// A negative number takes the second section as it is when there is one, else the first after a minus;
// zero takes the third.
std::string ShownPadded(const TNumberCode& code, double value) {
  std::size_t pick = PickBySign(code, value);
  if (!code.sections[pick].isPlaced) pick = 0;
  const TCodeSection& section = code.sections[pick];
  return ShownPlaced(section, std::fabs(value), pick == 0 && value < 0);
}

// The first section after a minus (none for a number shown as zero) where the code has no section for
// negative numbers. A number only dressed is the number itself, its general digits, as the text of a
// number in the general format: 8 under 0.00 is "8", 2750.333 "2750.33", 0.5 under 0% "50%"; one of
// more digits than the general format shows is its own digits, 1234567890123456, never "1.23456789012346E15".
std::string ShownDecimal(const TNumberCode& code, double value, bool* dropsDigits) {
  const std::size_t pick = PickBySign(code, value);
  const TCodeSection& section = code.sections[pick];
  if (!section.isDecimal) return section.Literal();
  const TDecimalText shown = RenderDecimal(section.decimal, std::fabs(value));
  if (dropsDigits) *dropsDigits = shown.dropsDigits;
  if (shown.same) {
    std::string general = FloatToStrGeneral(value, 15);
    if (general.find('E') == std::string::npos) return general;
    return (value < 0 ? "-" : "") + shown.plain;
  }
  return (pick == 0 && value < 0 && shown.shownNumber != 0 ? "-" : "") + shown.text;
}

bool IsConditional(const TNumberCode& code) {
  bool gives = false;
  for (std::size_t k = 0; k < code.sections.size(); ++k) {
    const TCodeSection& s = code.sections[k];
    if (!s.isPlaced) return false;
    if ((k == 0 && s.placed.condition.op == TCondition::None) || (k == 2 && s.placed.condition.op != TCondition::None))
      return false;
    gives = gives || GivesText(s.placed) || s.placed.literal;
  }
  return gives;
}

// Every number section dresses a number or shows texts alone, and the first dresses it: no section of
// digits among texts that shows a whole number (those are the placed codes') nor a lone '#', which shows
// nothing for zero.
bool IsDecimal(const TNumberCode& code) {
  const TCodeSection& first = code.sections.front();
  if (!first.isDecimal) return false;
  for (std::size_t k = 1; k < code.sections.size(); ++k)
    if (!code.sections[k].isDecimal && !code.sections[k].TextOnly()) return false;
  const TDecimal& d = first.decimal;
  return d.point || d.grouping || d.percent || d.exponent || d.scale > 0 || d.whole.find('0') != std::string::npos;
}

}  // namespace

std::shared_ptr<const TNumberCode> ParseNumberCode(std::string_view text) {
  auto code = std::make_shared<TNumberCode>();
  std::vector<std::string_view> sections = Sections(text);
  if (sections.size() > 3) sections.resize(3);
  for (const std::string_view s : sections) {
    TCodeSection& section = code->sections.emplace_back();
    section.code = s;
    section.isPlaced = ParsePlaced(s, section.placed);
    section.isDecimal = ParseDecimal(s, section.decimal);
  }
  using TKind = TNumberCode::TKind;
  const TCodeSection& first = code->sections.front();
  if (IsConditional(*code)) code->kind = TKind::Conditional;
  else if (code->sections.size() == 1 && ParseFraction(first.code, code->fraction)) code->kind = TKind::Fraction;
  else if (first.isPlaced && first.placed.condition.op == TCondition::None && GivesText(first.placed)) code->kind = TKind::Placed;
  else if (IsDecimal(*code)) code->kind = TKind::Decimal;
  else return nullptr;
  return code;
}

bool ShowsCodedNumber(const TNumberCode& code, double value) {
  switch (code.kind) {
    case TNumberCode::TKind::Conditional: return PickConditional(code, value).has_value();
    case TNumberCode::TKind::Decimal: return !(std::fabs(value) > 1e300);
    case TNumberCode::TKind::Fraction: {
      double whole = 0;
      std::uint64_t num = 0, den = 1;
      return FractionOf(code.fraction, std::fabs(value), whole, num, den);
    }
    case TNumberCode::TKind::Placed: break;
  }
  return true;
}

std::string ShownCodedNumber(const TNumberCode& code, double value, bool* dropsDigits) {
  if (dropsDigits) *dropsDigits = false;
  switch (code.kind) {
    case TNumberCode::TKind::Conditional: return ShownConditional(code, value);
    case TNumberCode::TKind::Fraction: return ShownFraction(code.fraction, value);
    case TNumberCode::TKind::Decimal: return ShownDecimal(code, value, dropsDigits);
    case TNumberCode::TKind::Placed: break;
  }
  return ShownPadded(code, value);
}

}  // namespace ld::office
