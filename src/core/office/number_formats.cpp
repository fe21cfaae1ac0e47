#include "core/office/number_formats.h"
#include "core/office/number_sections.h"

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

namespace codes {

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

// Characters a code shows as they are without quotes.
bool IsPlainLiteral(char c) { return std::string_view("$-+/():!^&'~{}<>= ").find(c) != std::string_view::npos; }

}  // namespace codes

namespace {

using namespace codes;

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

// Whether "AM/PM" (in any letter case) stands at section[i]: the half of the day, the hours counted in it.
bool IsHalfOfDay(std::string_view section, std::size_t i) {
  if (i + 5 > section.size()) return false;
  for (std::size_t k = 0; k < 5; ++k)
    if (Lower(section[i + k]) != "am/pm"[k]) return false;
  return true;
}

// What the first section of a code makes of a number as a time, with its text: a duration when the
// section counts hours, minutes or seconds however many ([h]), a time of day when it shows hours,
// minutes or seconds of the day alone (hh:mm), either with tenths to thousandths of its seconds (ss.0); a
// time of day with AM/PM counts its hours from 1 to 12 and shows "AM" or "PM" there ("8:30 AM"). None for
// a section holding what neither does (a date letter, a digit placeholder, AM/PM of a duration), or only
// minutes ("mm" is the month).
TTime RenderTime(std::string_view code, double value, std::string* out) {
  const std::string_view section = FirstSection(code);
  // the system's time ([$-F400]) is the system's format whatever the code says of it, its half of the
  // day included: a Russian system counts the hours of the whole day ("20:30:00")
  for (const std::string_view system : {"[$-F400]", "[$-f400]"})
    if (section.find(system) != std::string_view::npos) return RenderTime("hh:mm:ss", value, out);
  bool elapsed = false, hoursOrSeconds = false, twelve = false;
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
        if (value < 0 && count > 0) text.push_back('-');
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
      } else if (IsHalfOfDay(section, i)) {
        twelve = true;
        text += total / 3600 % 24 < 12 ? "AM" : "PM";
        i += 4;
      } else if (const char unit = Lower(c); unit == 'h' || unit == 'm' || unit == 's') {
        std::size_t run = 1;
        while (i + run < section.size() && Lower(section[i + run]) == unit) ++run;
        hoursOrSeconds = hoursOrSeconds || unit != 'm';
        last = unit;
        const std::uint64_t hour = twelve ? (total / 3600 + 11) % 12 + 1 : total / 3600 % 24;
        AppendPadded(text, unit == 'h' ? hour : unit == 'm' ? total / 60 % 60 : total % 60, run);
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
      if ((!elapsed && !hoursOrSeconds) || (elapsed && twelve)) return TTime::None;
      text.clear();
    }
  }
  if (out) *out = shown ? std::move(text) : std::string();
  return elapsed ? TTime::Duration : TTime::Clock;
}


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
// separator, a dot; AM/PM counts the hours from 1 to 12. A time shown rounds the moment to its second
// (23:59:59.99 shows the next day's 00:00:00), a day alone is the day the moment falls in. Russian is
// the language of a code that names none, and of one that names the system's ([$-FC19], as a Russian
// spreadsheet writes "mmmm yyyy"). False for a code holding what this does not show (fractions of a
// second, short day names, an era, a language other than Russian, the system's date format).
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
        if (inside.substr(2) != "419" && inside.substr(2) != "FC19" && inside.substr(2) != "fc19") return false;
      } else if (inside.find_first_of("$<>=hHmMsS") != std::string_view::npos) {
        return false;
      }
      i = end;
    } else if (IsHalfOfDay(section, i)) {
      tokens.push_back({'a', 5, i});
      i += 4;
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
  bool time = false, day = false, twelve = false;
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    TToken& t = tokens[k];
    twelve = twelve || t.unit == 'a';
    if (t.unit == 'a') {
      time = true;
      continue;
    }
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
        case 'h': number(twelve ? (seconds / 3600 + 11) % 12 + 1 : seconds / 3600, t.run); break;
        case 'a': text += seconds < 43200 ? "AM" : "PM"; break;
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
  TNumberFormat format{TNumberShow::Plain, id, {}, TextSection(code), nullptr};
  if (const TTime time = RenderTime(code, 0, nullptr); time != TTime::None) {
    format.show = time == TTime::Duration ? TNumberShow::Duration : TNumberShow::Clock;
    format.code = code;
  } else if (IsDateFormatCode(code)) {
    format.show = TNumberShow::Date;
    // a code this shows gives the day its text ("01.11" under DD.MM); any other shows it whole
    if (RenderDate(code, 0, nullptr)) format.code = code;
  } else if (std::shared_ptr<const TNumberCode> number = ParseNumberCode(code)) {
    format.show = TNumberShow::Padded;
    format.code = code;
    format.number = std::move(number);
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
    case 18: return NumberFormatOf(id, "h:mm AM/PM");
    case 19: return NumberFormatOf(id, "h:mm:ss AM/PM");
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
    default: return {IsBuiltinDateFormat(id) ? TNumberShow::Date : TNumberShow::Plain, id, {}, {}, nullptr};
  }
}

bool ShowsNumber(const TNumberFormat& format, double value) {
  if (!std::isfinite(value)) return format.show == TNumberShow::Plain || format.show == TNumberShow::Date;
  if (format.show == TNumberShow::Padded) return !format.number || ShowsCodedNumber(*format.number, value);
  return (format.show != TNumberShow::Duration && format.show != TNumberShow::Clock) || std::fabs(value) < kLongestTime;
}

std::string ShownNumberText(const TNumberFormat& format, double value, bool* dropsDigits) {
  if (dropsDigits) *dropsDigits = false;
  if (!ShowsNumber(format, value)) return {};
  std::string text;
  if (format.show == TNumberShow::Duration || format.show == TNumberShow::Clock)
    RenderTime(format.code, value, &text);
  else if (format.show == TNumberShow::Padded && format.number)
    text = ShownCodedNumber(*format.number, value, dropsDigits);
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

namespace {

std::size_t Characters(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

}  // namespace

std::size_t ShownTextLength(const TNumberFormat& format, std::string_view text) {
  const std::size_t own = Characters(text);
  if (format.text.empty()) return own;
  const std::string_view section = format.text;
  std::size_t length = 0;
  std::string piece;
  for (std::size_t i = 0; i < section.size(); ++i) {
    piece.clear();
    if (section[i] == '@') length += own;
    else if (TakeLiteral(section, i, piece)) length += Characters(piece);
    else length += (static_cast<unsigned char>(section[i]) & 0xC0) != 0x80;
  }
  return length;
}

}  // namespace ld::office
