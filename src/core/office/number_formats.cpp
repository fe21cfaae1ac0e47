#include "core/office/number_formats.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "core/base/dates.h"
#include "core/base/numfmt.h"

namespace ld::office {

namespace {

// The sections of a code (for positive numbers, negative ones, zero, texts): split at each ';' outside a
// quoted text or an escaped character.
std::vector<std::string_view> Sections(std::string_view code) {
  std::vector<std::string_view> sections;
  bool quoted = false;
  std::size_t begin = 0;
  for (std::size_t i = 0; i < code.size(); ++i) {
    if (quoted) {
      quoted = code[i] != '"';
    } else if (code[i] == '"') {
      quoted = true;
    } else if (code[i] == '\\') {
      ++i;
    } else if (code[i] == ';') {
      sections.push_back(code.substr(begin, i - begin));
      begin = i + 1;
    }
  }
  sections.push_back(code.substr(begin < code.size() ? begin : code.size()));
  return sections;
}

std::string_view FirstSection(std::string_view code) { return Sections(code).front(); }

// The end of the character escaped at section[i] (after a '\\'), a letter of several bytes whole.
std::size_t EscapedEnd(std::string_view section, std::size_t i) {
  std::size_t end = i + 1;
  while (end < section.size() && (static_cast<unsigned char>(section[end]) & 0xC0) == 0x80) ++end;
  return end;
}

// A literal piece of a format at i (a quoted text, an escaped sign, a bracketed condition, colour or
// locale): its shown text appended and i left on its last character; false for anything else.
bool TakeLiteral(std::string_view section, std::size_t& i, std::string& text) {
  const char c = section[i];
  if (c == '"') {
    const std::size_t end = section.find('"', i + 1);
    text.append(section.substr(i + 1, end - i - 1));
    i = end;
  } else if (c == '\\') {
    const std::size_t end = EscapedEnd(section, ++i);
    text.append(section.substr(i, end - i));
    i = end - 1;
  } else if (c == '[') {
    i = section.find(']', i);
  } else {
    return false;
  }
  return true;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

void AppendPadded(std::string& out, std::uint64_t number, std::size_t width) {
  const std::string digits = std::to_string(number);
  if (digits.size() < width) out.append(width - digits.size(), '0');
  out += digits;
}

// A duration or a time shown in whole seconds: from 10^11 days on a double no longer holds every second
// (and a spreadsheet shows an error mark instead).
constexpr double kLongestTime = 1e11;

enum class TTime { None, Duration, Clock };

// The digits of a fraction of a second a code may show (ss.000): a spreadsheet shows no more.
constexpr std::size_t kSecondDigits = 3;

// What the first section of a code makes of a number as a time, with its text: a duration when the
// section counts hours, minutes or seconds however many ([h]), a time of day when it shows hours,
// minutes or seconds of the day alone (hh:mm), either with tenths to thousandths of its seconds (ss.0).
// None for a section holding what neither does (a date letter, AM/PM, a digit placeholder), or only
// minutes ("mm" is the month).
TTime RenderTime(std::string_view code, double value, std::string* out) {
  const std::string_view section = FirstSection(code);
  bool elapsed = false, hoursOrSeconds = false;
  std::uint64_t total = 0, part = 0;  // whole seconds, and the fraction in units of the shown digits
  std::size_t digits = 0;             // how many digits the fraction shows
  std::string text;
  const bool shown = std::isfinite(value) && std::fabs(value) < kLongestTime;
  for (int pass = 0; pass < 2; ++pass) {
    char last = '\0';  // the unit shown last: a fraction follows seconds only
    // the first pass tells the kind, which decides how the seconds are counted
    if (pass == 1) {
      if (!out || !shown) break;
      // in units of the last digit shown: a duration of 36:29:59.7 is shown 36:30:00, as a spreadsheet
      // rounds it; a time of day cuts what is past its last digit (23:59:59.9 is 23:59:59, 12:29:59.6
      // under hh:mm 12:29; a hair under a unit, the double's own, is none) and is the time past the
      // last midnight, before a day's start too (-0.25 shows 18:00)
      std::uint64_t scale = 1;
      for (std::size_t k = 0; k < digits; ++k) scale *= 10;
      const double exact = value * 86400 * static_cast<double>(scale), units = std::round(exact);
      std::uint64_t count = 0;
      if (elapsed) {
        count = static_cast<std::uint64_t>(std::fabs(units));
        if (value < 0 && count > 0) text = "-";
      } else {
        const double whole = std::fabs(exact - units) < 1e-6 ? units : std::floor(exact);
        const double day = 86400.0 * static_cast<double>(scale);
        count = static_cast<std::uint64_t>(whole - std::floor(whole / day) * day);
      }
      total = count / scale;
      part = count % scale;
    }
    for (std::size_t i = 0; i < section.size(); ++i) {
      const char c = section[i];
      if (c == '"') {
        const std::size_t end = section.find('"', i + 1);
        if (end == std::string_view::npos) return TTime::None;
        text.append(section.substr(i + 1, end - i - 1));
        i = end;
      } else if (c == '\\') {
        if (++i < section.size()) text += section[i];
      } else if (c == '[') {
        const std::size_t end = section.find(']', i);
        if (end == std::string_view::npos) return TTime::None;
        const std::string_view inside = section.substr(i + 1, end - i - 1);
        const char unit = inside.empty() ? '\0' : Lower(inside.front());
        bool same = unit == 'h' || unit == 'm' || unit == 's';
        for (const char k : inside) same = same && Lower(k) == unit;
        if (same) {
          elapsed = true;
          last = unit;
          AppendPadded(text, unit == 'h' ? total / 3600 : unit == 'm' ? total / 60 : total, inside.size());
        }
        // other bracketed parts ([Red], [$-419]) show nothing
        i = end;
      } else if (const char unit = Lower(c); unit == 'h' || unit == 'm' || unit == 's') {
        std::size_t run = 1;
        while (i + run < section.size() && Lower(section[i + run]) == unit) ++run;
        hoursOrSeconds = hoursOrSeconds || unit != 'm';
        last = unit;
        AppendPadded(text, unit == 'h' ? total / 3600 % 24 : unit == 'm' ? total / 60 % 60 : total % 60, run);
        i += run - 1;
      } else if (c == '.' && last == 's' && i + 1 < section.size() && section[i + 1] == '0') {
        std::size_t run = 1;
        while (i + 1 + run < section.size() && section[i + 1 + run] == '0') ++run;
        if (run > kSecondDigits || (pass == 0 && digits > 0)) return TTime::None;
        digits = run;
        // the decimal separator the program shows numbers with, as the general format's numbers
        text += FormatSettings.DecimalSeparator;
        AppendPadded(text, part, run);
        last = '\0';
        i += run;
      } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '0' || c == '#' || c == '?' || c == '.' ||
                 c == '@' || c == '*' || c == '_') {
        return TTime::None;
      } else {
        text += c;
      }
    }
    if (pass == 0) {
      if (!elapsed && !hoursOrSeconds) return TTime::None;
      text.clear();
    }
  }
  if (out) *out = shown ? std::move(text) : std::string();
  return elapsed ? TTime::Duration : TTime::Clock;
}

// Characters a code shows as they are without quotes.
bool IsPlainLiteral(char c) { return std::string_view("$-+/():!^&'~{}<>= ").find(c) != std::string_view::npos; }

// The names a Russian spreadsheet gives months and days: a month after a day is in the genitive ("1
// ноября 2026"), alone in the nominative with a capital ("Ноябрь 2026").
constexpr const char* kMonthsShort[] = {"янв", "фев", "мар", "апр", "май", "июн", "июл", "авг", "сен", "окт", "ноя", "дек"};
constexpr const char* kMonthsOf[] = {"января", "февраля", "марта", "апреля", "мая", "июня",
                                     "июля", "августа", "сентября", "октября", "ноября", "декабря"};
constexpr const char* kMonths[] = {"Январь", "Февраль", "Март", "Апрель", "Май", "Июнь",
                                   "Июль", "Август", "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
constexpr const char* kWeekdays[] = {"суббота", "воскресенье", "понедельник", "вторник", "среда", "четверг", "пятница"};

// What the first section of a date code shows for a serial day, as a Russian spreadsheet shows it: days,
// months (numbers, names, the first letter), years of two or four digits, hours, minutes and seconds of
// the day ("mm" after hours or before seconds is minutes), full day names, texts; '/' is the date
// separator, a dot. A time shown rounds the moment to its second (23:59:59.99 shows the next day's
// 00:00:00), a day alone is the day the moment falls in. False for a code holding what this does not
// show (AM/PM, fractions of a second, short day names, an era, a language other than Russian, the
// system's date format).
bool RenderDate(std::string_view code, double serial, std::string* out) {
  const std::string_view section = FirstSection(code);
  // the letters of date and time in order, each a run of one letter, to tell minutes from months
  struct TToken {
    char unit;
    std::size_t run, at;
  };
  std::vector<TToken> tokens;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (c == '"') {
      const std::size_t end = section.find('"', i + 1);
      if (end == std::string_view::npos) return false;
      i = end;
    } else if (c == '\\') {
      i = EscapedEnd(section, i + 1) - 1;
    } else if (c == '[') {
      const std::size_t end = section.find(']', i);
      if (end == std::string_view::npos) return false;
      const std::string_view inside = section.substr(i + 1, end - i - 1);
      // a colour shows nothing; a language other than Russian names months otherwise, and the system's
      // long date or time (F800, F400) is the system's format, whatever the code says
      if (inside.starts_with("$-")) {
        if (inside.substr(2) != "419") return false;
      } else if (inside.find_first_of("$<>=hHmMsS") != std::string_view::npos) {
        return false;
      }
      i = end;
    } else if (const char unit = Lower(c); unit == 'd' || unit == 'm' || unit == 'y' || unit == 'h' || unit == 's') {
      std::size_t run = 1;
      while (i + run < section.size() && Lower(section[i + run]) == unit) ++run;
      tokens.push_back({unit, run, i});
      i += run - 1;
    } else if (c == '.' && !tokens.empty() && tokens.back().unit == 's' && i + 1 < section.size() && section[i + 1] == '0') {
      return false;
    } else if (!IsPlainLiteral(c) && c != '.' && c != ',') {
      return false;
    }
  }
  bool time = false, day = false;
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    TToken& t = tokens[k];
    if (t.unit == 'm' && t.run <= 2 && ((k > 0 && tokens[k - 1].unit == 'h') || (k + 1 < tokens.size() && tokens[k + 1].unit == 's')))
      t.unit = 'n';  // minutes
    time = time || t.unit == 'h' || t.unit == 'n' || t.unit == 's';
    day = day || (t.unit == 'd' && t.run <= 2);
    if ((t.unit == 'd' && t.run == 3) || t.run > (t.unit == 'm' ? 5u : 4u) ||
        ((t.unit == 'h' || t.unit == 'n' || t.unit == 's') && t.run > 2))
      return false;
  }
  if (!out) return true;
  if (!IsDateSerialInRange(serial)) return false;
  double whole = std::floor(serial);
  std::int64_t seconds = 0;
  if (time) {
    const double total = std::round(serial * 86400.0);
    whole = std::floor(total / 86400.0);
    seconds = static_cast<std::int64_t>(total - whole * 86400.0);
  }
  int year = 0, month = 0, date = 0;
  DecodeDate(whole, year, month, date);
  const auto weekday = static_cast<std::size_t>(static_cast<std::int64_t>(whole) % 7);
  std::string text;
  std::size_t next = 0;  // the next token
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (next < tokens.size() && tokens[next].at == i) {
      const TToken& t = tokens[next++];
      const auto number = [&](std::int64_t value, std::size_t width) {
        AppendPadded(text, static_cast<std::uint64_t>(value), width);
      };
      switch (t.unit) {
        case 'd':
          if (t.run <= 2) number(date, t.run);
          else text += kWeekdays[weekday];
          break;
        case 'm':
          if (t.run <= 2) number(month, t.run);
          else if (t.run == 3) text += kMonthsShort[month - 1];
          else if (t.run == 4) text += day ? kMonthsOf[month - 1] : kMonths[month - 1];
          else text.append(kMonthsShort[month - 1], 2);  // a Cyrillic letter's two bytes
          break;
        case 'y': number(t.run <= 2 ? year % 100 : year, t.run <= 2 ? 2 : 4); break;
        case 'h': number(seconds / 3600, t.run); break;
        case 'n': number(seconds / 60 % 60, t.run); break;
        case 's': number(seconds % 60, t.run); break;
        default: break;
      }
      i += t.run - 1;
    } else if (!TakeLiteral(section, i, text)) {
      text += c == '/' ? '.' : c;
    }
  }
  *out = std::move(text);
  return true;
}


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

// The number sections of a code (the fourth shows texts).
std::vector<std::string_view> NumberSections(std::string_view code) {
  std::vector<std::string_view> sections = Sections(code);
  if (sections.size() > 3) sections.resize(3);
  return sections;
}

// A section that shows a number as a fraction ("# ?/?", "# ??/??", "?/?", "0 ?/8"): texts before and
// after, the whole part's placeholders (none for an improper fraction), the numerator's and the
// denominator's ('?' a digit or a blank, '0' a digit or a zero, '#' a digit or nothing), or a denominator
// written as digits, which every number is shown over.
struct TFraction {
  std::string before, between, after;  // `between`: what stands between the whole part and the numerator
  std::string whole, numerator, denominator;
  int fixed = 0;  // the denominator written, 0 for one found
};

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
      texts.back() = "/";
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
    f.fixed = std::stoi(f.denominator);
  }
  return true;
}

// A code of one number section that shows a fraction.
bool IsFractionCode(std::string_view code) {
  TFraction f;
  return NumberSections(code).size() == 1 && ParseFraction(FirstSection(code), f);
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

std::string ShownFraction(std::string_view code, double value) {
  TFraction f;
  ParseFraction(FirstSection(code), f);
  const double a = std::fabs(value);
  double whole = f.whole.empty() ? 0 : std::floor(a);
  const double part = a - whole;
  // the nearest fraction over the written denominator, or over any of as many digits as it has places
  // (the smallest of those equally near)
  std::uint64_t num = 0, den = 1;
  if (f.fixed > 0) {
    den = static_cast<std::uint64_t>(f.fixed);
    num = static_cast<std::uint64_t>(std::llround(part * static_cast<double>(den)));
  } else {
    std::uint64_t most = 1;
    for (std::size_t k = 0; k < f.denominator.size() && k < 4; ++k) most *= 10;
    double best = HUGE_VAL;
    for (std::uint64_t d = 1; d < most; ++d) {
      const double n = std::round(part * static_cast<double>(d));
      if (const double error = std::fabs(part - n / static_cast<double>(d)); error < best) {
        best = error;
        num = static_cast<std::uint64_t>(n);
        den = d;
      }
    }
  }
  if (!f.whole.empty() && num == den) {
    whole += 1;
    num = 0;
  }
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

// Every number section of the code dresses a number, and the first is no section of digits among texts
// that shows a whole number (those are the padded codes') nor a lone '#', which shows nothing for zero.
bool IsDecimalCode(std::string_view code) {
  const std::vector<std::string_view> sections = NumberSections(code);
  for (const std::string_view section : sections) {
    TDecimal d;
    if (!ParseDecimal(section, d)) return false;
  }
  TDecimal first;
  ParseDecimal(sections.front(), first);
  return first.point || first.grouping || first.percent || first.exponent || first.scale > 0 ||
         first.whole.find('0') != std::string::npos;
}

// The digits of x >= 0 at 15 significant digits, as a spreadsheet takes a number to show it, rounded half
// up to `decimals` digits after the point: the whole part ("" for none) and the decimals.
std::pair<std::string, std::string> DecimalDigits(double x, std::size_t decimals) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, 14);
  const std::string_view s(buffer, ec == std::errc() ? end : buffer);
  const std::size_t e = s.find('e');
  if (e == std::string_view::npos) return {};
  std::string digits;
  for (std::size_t i = 0; i < e; ++i)
    if (s[i] != '.') digits += s[i];
  int exp10 = 0;
  std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exp10);
  if (s[e + 1] == '-') exp10 = -exp10;
  if (x == 0) digits.clear();
  long whole = exp10 + 1;  // how many of the digits stand before the point
  const long keep = whole + static_cast<long>(decimals);
  if (keep < 0) {
    digits.clear();
  } else if (keep < static_cast<long>(digits.size())) {
    const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    long k = keep - 1;
    for (; up && k >= 0 && digits[static_cast<std::size_t>(k)] == '9'; --k) digits[static_cast<std::size_t>(k)] = '0';
    if (up && k >= 0) ++digits[static_cast<std::size_t>(k)];
    if (up && k < 0) {
      digits.insert(digits.begin(), '1');
      ++whole;
    }
  }
  std::string integer, fraction;
  for (long k = 0; k < whole; ++k) integer += k < static_cast<long>(digits.size()) ? digits[static_cast<std::size_t>(k)] : '0';
  for (long k = whole; k < keep; ++k)
    fraction += k >= 0 && k < static_cast<long>(digits.size()) ? digits[static_cast<std::size_t>(k)] : '0';
  integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
  return {integer, fraction};
}

// The section's text for a number's magnitude, and the number its digits show; `same` tells whether the
// text shows the number itself, only dressed (its decimals, the thousands), its digits reading back as
// the number stored.
// A number at the 15 significant digits a spreadsheet shows of it.
double Significant(double x) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, 14);
  double read = x;
  if (ec == std::errc()) std::from_chars(buffer, end, read);
  return read;
}

std::string RenderDecimal(const TDecimal& d, double magnitude, bool& same, double& shownNumber) {
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
    if (e == std::string_view::npos) return {};
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
  // the decimals' '#' drop zeros at the end and '?' show blanks for them
  for (std::size_t k = fraction.size(); k-- > 0 && fraction[k] == '0' && d.decimals[k] != '0';) {
    if (d.decimals[k] == '#') fraction.erase(k);
    else fraction[k] = ' ';
  }
  std::string text = d.before + whole;
  if (d.point) text += FormatSettings.DecimalSeparator + fraction;
  if (d.exponent) {
    std::string power = std::to_string(exp10 < 0 ? -exp10 : exp10);
    if (power.size() < d.exponentDigits) power.insert(0, d.exponentDigits - power.size(), '0');
    text += std::string("E") + (exp10 < 0 ? "-" : d.exponentPlus ? "+" : "") + power;
  }
  text += d.after;
  shownNumber = 0;
  std::from_chars(read.data(), read.data() + read.size(), shownNumber);
  same = !d.percent && !d.exponent && d.scale == 0 && d.before.find_first_not_of(' ') == std::string::npos &&
         d.after.find_first_not_of(' ') == std::string::npos && shownNumber == Significant(magnitude);
  return text;
}

// The text a code of dressing sections shows for a number: a negative number takes the second section
// as it is when there is one, else the first after a minus (none for a number shown as zero); zero the
// third. A number only dressed is the number itself, its general digits, as the text of a number in
// the general format: 8 under 0.00 is "8", 2750.333 "2750.33", 0.5 under 0% "50%".
std::string ShownDecimal(std::string_view code, double value) {
  const std::vector<std::string_view> sections = NumberSections(code);
  std::size_t pick = 0;
  if (value < 0 && sections.size() > 1) pick = 1;
  else if (value == 0 && sections.size() > 2) pick = 2;
  TDecimal d;
  ParseDecimal(sections[pick], d);
  bool same = false;
  double shown = 0;
  std::string text = RenderDecimal(d, std::fabs(value), same, shown);
  if (same) return FloatToStrGeneral(value, 15);
  return (pick == 0 && value < 0 && shown != 0 ? "-" : "") + text;
}

bool GivesText(const TPlaced& placed) {
  return placed.zeros >= 2 || (placed.literal && (placed.zeros + placed.hashes > 0 || placed.general));
}

// A code whose first section carries a condition: every number section holds digits among texts, and
// the code is the value's text when any section gives it one ([>=1000]0;"№ "0000). A condition on a
// later section alone is no code of sections a spreadsheet chooses so.
bool IsConditionalCode(std::string_view code) {
  bool gives = false;
  const std::vector<std::string_view> sections = NumberSections(code);
  for (std::size_t k = 0; k < sections.size(); ++k) {
    TPlaced placed;
    if (!ParsePlaced(sections[k], placed)) return false;
    if ((k == 0 && placed.condition.op == TCondition::None) || (k == 2 && placed.condition.op != TCondition::None))
      return false;
    gives = gives || GivesText(placed) || placed.literal;
  }
  return gives;
}

// Whether the code gives a number a text of its own: digits padded with zeros (two zeros and more), the
// number set among texts ("Д-"0000, "Д-"#, "Д-"General, 0" кВт"), by conditions or as a fraction, or
// dressed with decimals, thousands, a percent or an exponent (a text that stays the number itself where
// it only dresses it: ShownDecimal). General alone is no format at all, and a lone '#' neither: the
// number stays the value.
bool IsPaddedCode(std::string_view code) {
  if (IsConditionalCode(code) || IsFractionCode(code)) return true;
  TPlaced placed;
  if (ParsePlaced(FirstSection(code), placed) && placed.condition.op == TCondition::None && GivesText(placed))
    return true;
  return IsDecimalCode(code);
}

// The section's text for a number: a whole number's digits fill the placeholders from the right, the
// first placeholder taking those the others leave over (1234 under 00-00 is 12-34), a '0' left over
// showing a zero and a '#' nothing (0 under "Д-"# is "Д-"); General shows the number as the general
// format does.
std::string RenderPlaced(std::string_view section, double magnitude) {
  char buffer[400];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::round(magnitude), std::chars_format::fixed, 0);
  if (ec != std::errc()) return {};
  std::string digits(buffer, end);
  if (digits == "0") digits.clear();
  std::size_t placeholders = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < section.size(); ++i) {
    if (quoted) quoted = section[i] != '"';
    else if (section[i] == '"') quoted = true;
    else if (section[i] == '\\') i = EscapedEnd(section, i + 1) - 1;
    else if (section[i] == '[') i = section.find(']', i);
    else if (section[i] == '0' || section[i] == '#') ++placeholders;
  }
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

// The section of a conditional code that shows the value, as a spreadsheet chooses it: the first when
// its condition holds; else the second when its own condition holds or it has none, the second then
// taking the negative numbers when a third takes the rest; else the third. The minus is shown by the
// first section alone, and not by a first section for the numbers below zero ([<0], [<=0]). Empty for a
// number no section shows.
std::optional<std::string> ShownConditional(std::string_view code, double value) {
  const std::vector<std::string_view> sections = NumberSections(code);
  std::vector<TPlaced> placed(sections.size());
  for (std::size_t k = 0; k < sections.size(); ++k) ParsePlaced(sections[k], placed[k]);
  std::size_t pick = 0;
  if (!placed[0].condition.Holds(value)) {
    if (sections.size() < 2) return std::nullopt;
    const TCondition& second = placed[1].condition;
    const bool takes = second.op != TCondition::None ? second.Holds(value) : sections.size() < 3 || value < 0;
    if (takes) pick = 1;
    else if (sections.size() == 3) pick = 2;
    else return std::nullopt;
  }
  const TCondition& c = placed[0].condition;
  const bool minus = pick == 0 && !((c.op == TCondition::Less || c.op == TCondition::LessEqual) && c.limit == 0);
  const double shown = placed[pick].general ? std::fabs(value) : std::round(std::fabs(value));
  return (minus && value < 0 && shown > 0 ? "-" : "") + RenderPlaced(sections[pick], std::fabs(value));
}

std::string ShownPadded(std::string_view code, double value) {
  if (IsConditionalCode(code)) return ShownConditional(code, value).value_or(std::string());
  if (IsFractionCode(code)) return ShownFraction(code, value);
  if (TPlaced first; !ParsePlaced(FirstSection(code), first) || !GivesText(first)) return ShownDecimal(code, value);
  // a negative number takes the second section as it is when there is one, else the first after a minus;
  // zero takes the third
  const std::vector<std::string_view> sections = Sections(code);
  std::size_t pick = 0;
  if (value < 0 && sections.size() > 1) pick = 1;
  else if (value == 0 && sections.size() > 2) pick = 2;
  TPlaced placed;
  if (pick > 0 && !ParsePlaced(sections[pick], placed)) pick = 0;
  if (pick == 0) ParsePlaced(sections[0], placed);
  // the digits show the whole number, half away from zero as a spreadsheet rounds; General the number
  const double shown = placed.general ? std::fabs(value) : std::round(std::fabs(value));
  const std::string sign = pick == 0 && value < 0 && shown > 0 ? "-" : "";
  return sign + RenderPlaced(sections[pick], std::fabs(value));
}

// The section of a code that shows a text cell: the fourth, or the one section of a code that holds '@';
// empty when it shows the text as it is ('@' alone, no text of its own beside it) or is no such section.
std::string TextSection(std::string_view code) {
  const std::vector<std::string_view> sections = Sections(code);
  const std::string_view section = sections.size() >= 4 ? sections[3] : sections.size() == 1 ? sections[0] : "";
  bool at = false, literal = false;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (c == '"') {
      const std::size_t end = section.find('"', i + 1);
      if (end == std::string_view::npos) return {};
      literal = literal || end > i + 1;
      i = end;
    } else if (c == '\\') {
      if (i + 1 >= section.size()) return {};
      i = EscapedEnd(section, i + 1) - 1;
      literal = true;
    } else if (c == '[') {
      const std::size_t end = section.find(']', i);
      if (end == std::string_view::npos) return {};
      i = end;
    } else if (c == '@') {
      at = true;
    } else if (IsPlainLiteral(c)) {
      literal = true;
    } else {
      return {};
    }
  }
  return at && literal ? std::string(section) : std::string();
}

}  // namespace

bool IsDateFormatCode(std::string_view code) {
  bool quoted = false;
  int bracket = 0;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (quoted) {
      quoted = c != '"';
      continue;
    }
    if (c == '"') quoted = true;
    else if (c == '\\' || c == '_' || c == '*') ++i;
    else if (c == '[') ++bracket;
    else if (c == ']') bracket = bracket > 0 ? bracket - 1 : 0;
    else if (bracket == 0 && std::string_view("dDmMyYhHsS").find(c) != std::string_view::npos) {
      // "General" carries none of these letters but "e"; still guard against a spelled-out name
      return code != "General" && code != "general";
    }
  }
  return false;
}

bool IsBuiltinDateFormat(int id) {
  return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

bool IsDateSerialInRange(double serial) { return serial >= 0 && serial < 2958466; }

std::string FormatCodeFault(int id, std::string_view code) {
  // characters, not bytes: a code of Cyrillic texts takes two bytes a letter
  std::size_t characters = 0;
  for (std::size_t i = 0; i < code.size() && characters <= kLongestFormatCode; ++i)
    if ((static_cast<unsigned char>(code[i]) & 0xC0) != 0x80) ++characters;
  if (characters <= kLongestFormatCode) return {};
  return "формат чисел " + std::to_string(id) + " длиннее " + std::to_string(kLongestFormatCode) +
         " символов, а табличные программы не пишут таких";
}

TNumberFormat NumberFormatOf(int id, std::string_view code) {
  TNumberFormat format{TNumberShow::Plain, id, {}, TextSection(code)};
  if (const TTime time = RenderTime(code, 0, nullptr); time != TTime::None) {
    format.show = time == TTime::Duration ? TNumberShow::Duration : TNumberShow::Clock;
    format.code = code;
  } else if (IsDateFormatCode(code)) {
    format.show = TNumberShow::Date;
    // a code this shows gives the day its text ("01.11" under DD.MM); any other shows it whole
    if (RenderDate(code, 0, nullptr)) format.code = code;
  } else if (IsPaddedCode(code)) {
    format.show = TNumberShow::Padded;
    format.code = code;
  }
  return format;
}

TNumberFormat BuiltinNumberFormat(int id) {
  switch (id) {
    // the built-in days as a Russian spreadsheet shows them
    case 14: return NumberFormatOf(id, "DD.MM.YYYY");
    case 15: return NumberFormatOf(id, "DD.MMM.YY");
    case 16: return NumberFormatOf(id, "DD.MMM");
    case 17: return NumberFormatOf(id, "MMM.YY");
    case 22: return NumberFormatOf(id, "DD.MM.YYYY H:MM");
    case 1: return NumberFormatOf(id, "0");
    case 2: return NumberFormatOf(id, "0.00");
    case 3: return NumberFormatOf(id, "#,##0");
    case 4: return NumberFormatOf(id, "#,##0.00");
    case 9: return NumberFormatOf(id, "0%");
    case 10: return NumberFormatOf(id, "0.00%");
    case 11: return NumberFormatOf(id, "0.00E+00");
    case 12: return NumberFormatOf(id, "# ?/?");
    case 13: return NumberFormatOf(id, "# ?\?/?\?");
    case 20: return NumberFormatOf(id, "h:mm");
    case 21: return NumberFormatOf(id, "h:mm:ss");
    case 45: return NumberFormatOf(id, "mm:ss");
    case 46: return NumberFormatOf(id, "[h]:mm:ss");
    case 47: return NumberFormatOf(id, "mm:ss.0");
    default: return {IsBuiltinDateFormat(id) ? TNumberShow::Date : TNumberShow::Plain, id, {}, {}};
  }
}

bool ShowsNumber(const TNumberFormat& format, double value) {
  if (!std::isfinite(value)) return format.show == TNumberShow::Plain || format.show == TNumberShow::Date;
  // a number that no section of a conditional code takes has no text under it
  if (format.show == TNumberShow::Padded && IsConditionalCode(format.code)) return ShownConditional(format.code, value).has_value();
  // a percent of a number near the largest is past every number: no digits to show
  if (format.show == TNumberShow::Padded && std::fabs(value) > 1e300 && IsDecimalCode(format.code)) return false;
  return (format.show != TNumberShow::Duration && format.show != TNumberShow::Clock) || std::fabs(value) < kLongestTime;
}

std::string ShownNumberText(const TNumberFormat& format, double value) {
  if (!ShowsNumber(format, value)) return {};
  std::string text;
  if (format.show == TNumberShow::Duration || format.show == TNumberShow::Clock)
    RenderTime(format.code, value, &text);
  else if (format.show == TNumberShow::Padded)
    text = ShownPadded(format.code, value);
  else if (format.show == TNumberShow::Date && !format.code.empty())
    RenderDate(format.code, value, &text);
  return text;
}

std::string ShownTextOf(const TNumberFormat& format, std::string_view text) {
  if (format.text.empty()) return std::string(text);
  const std::string_view section = format.text;
  std::string shown;
  for (std::size_t i = 0; i < section.size(); ++i) {
    if (section[i] == '@') shown.append(text);
    else if (!TakeLiteral(section, i, shown)) shown += section[i];
  }
  return shown;
}

}  // namespace ld::office
