#include "core/office/number_formats.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

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
struct TPlaced {
  std::size_t zeros = 0, hashes = 0;
  bool general = false;
  bool literal = false;  // whether any text stands beside the number
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
      // a language shows nothing, a colour neither; a currency sign or a condition is more than digits
      if (!inside.starts_with("$-") && inside.find_first_of("$<>=") != std::string_view::npos) return false;
      i = end;
    } else if (IsPlainLiteral(c)) {
      placed.literal = true;
    } else {
      return false;
    }
  }
  return true;
}

// Whether the first section gives the number a text that is the value: digits padded with zeros (two
// zeros and more), or the number set among texts ("Д-"0000, "Д-"#, "Д-"General, 0" кВт"); a bare '0' or
// '#' only rounds the number, and General alone is no format at all: the number stays the value.
bool IsPaddedCode(std::string_view code) {
  TPlaced placed;
  if (!ParsePlaced(FirstSection(code), placed)) return false;
  return placed.zeros >= 2 || (placed.literal && (placed.zeros + placed.hashes > 0 || placed.general));
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
    } else if (c == '"') {
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
      text += c;
    }
  }
  return text;
}

std::string ShownPadded(std::string_view code, double value) {
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
  } else if (IsPaddedCode(code)) {
    format.show = TNumberShow::Padded;
    format.code = code;
  }
  return format;
}

TNumberFormat BuiltinNumberFormat(int id) {
  switch (id) {
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
  return (format.show != TNumberShow::Duration && format.show != TNumberShow::Clock) || std::fabs(value) < kLongestTime;
}

std::string ShownNumberText(const TNumberFormat& format, double value) {
  if (!ShowsNumber(format, value)) return {};
  std::string text;
  if (format.show == TNumberShow::Duration || format.show == TNumberShow::Clock)
    RenderTime(format.code, value, &text);
  else if (format.show == TNumberShow::Padded)
    text = ShownPadded(format.code, value);
  return text;
}

std::string ShownTextOf(const TNumberFormat& format, std::string_view text) {
  if (format.text.empty()) return std::string(text);
  const std::string_view section = format.text;
  std::string shown;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (c == '"') {
      const std::size_t end = section.find('"', i + 1);
      shown.append(section.substr(i + 1, end - i - 1));
      i = end;
    } else if (c == '\\') {
      const std::size_t end = EscapedEnd(section, ++i);
      shown.append(section.substr(i, end - i));
      i = end - 1;
    } else if (c == '[') {
      i = section.find(']', i);
    } else if (c == '@') {
      shown.append(text);
    } else {
      shown += c;
    }
  }
  return shown;
}

}  // namespace ld::office
