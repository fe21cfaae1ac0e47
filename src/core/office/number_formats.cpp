#include "core/office/number_formats.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

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

// What the first section of a code makes of a number as a time, with its text: a duration when the
// section counts hours, minutes or seconds however many ([h]), a time of day when it shows hours,
// minutes or seconds of the day alone (hh:mm). None for a section holding what neither does (a date
// letter, AM/PM, fractions of a second, a digit placeholder), or only minutes ("mm" is the month).
TTime RenderTime(std::string_view code, double value, std::string* out) {
  const std::string_view section = FirstSection(code);
  bool elapsed = false, hoursOrSeconds = false;
  std::uint64_t total = 0;
  std::string text;
  const bool shown = std::isfinite(value) && std::fabs(value) < kLongestTime;
  for (int pass = 0; pass < 2; ++pass) {
    // the first pass tells the kind, which decides how the seconds are counted
    if (pass == 1) {
      if (!out || !shown) break;
      // seconds as a whole: a duration of 36:29:59.7 is shown 36:30:00, as a spreadsheet rounds it; a
      // time of day cuts what is past its last second (23:59:59.9 is 23:59:59, 12:29:59.6 under hh:mm
      // 12:29; a hair under a second, the double's own, is none) and is the time past the last
      // midnight, before a day's start too (-0.25 shows 18:00)
      const double exact = value * 86400, seconds = std::round(exact);
      if (elapsed) {
        total = static_cast<std::uint64_t>(std::fabs(seconds));
        if (value < 0 && total > 0) text = "-";
      } else {
        const double whole = std::fabs(exact - seconds) < 1e-6 ? seconds : std::floor(exact);
        total = static_cast<std::uint64_t>(whole - std::floor(whole / 86400) * 86400);
      }
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
          AppendPadded(text, unit == 'h' ? total / 3600 : unit == 'm' ? total / 60 : total, inside.size());
        }
        // other bracketed parts ([Red], [$-419]) show nothing
        i = end;
      } else if (const char unit = Lower(c); unit == 'h' || unit == 'm' || unit == 's') {
        std::size_t run = 1;
        while (i + run < section.size() && Lower(section[i + run]) == unit) ++run;
        hoursOrSeconds = hoursOrSeconds || unit != 'm';
        AppendPadded(text, unit == 'h' ? total / 3600 % 24 : unit == 'm' ? total / 60 % 60 : total % 60, run);
        i += run - 1;
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

// A section of digits padded with zeros among texts of its own: '0' placeholders (no '#', no decimals, no
// thousands) and quoted texts, escaped characters, the characters shown as they are, a colour or a
// language in brackets. False for any other section; zeros: how many placeholders (none in a section of
// texts alone), literal: whether any text stands among them.
bool ParsePadded(std::string_view section, std::size_t& zeros, bool& literal) {
  zeros = 0;
  literal = false;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (c == '0') {
      ++zeros;
    } else if (c == '"') {
      const std::size_t end = section.find('"', i + 1);
      if (end == std::string_view::npos) return false;
      literal = literal || end > i + 1;
      i = end;
    } else if (c == '\\') {
      if (++i >= section.size()) return false;
      i = EscapedEnd(section, i) - 1;
      literal = true;
    } else if (c == '[') {
      const std::size_t end = section.find(']', i);
      if (end == std::string_view::npos) return false;
      const std::string_view inside = section.substr(i + 1, end - i - 1);
      // a language shows nothing, a colour neither; a currency sign or a condition is more than zeros
      if (!inside.starts_with("$-") && inside.find_first_of("$<>=") != std::string_view::npos) return false;
      i = end;
    } else if (IsPlainLiteral(c)) {
      literal = true;
    } else {
      return false;
    }
  }
  return true;
}

// Whether the first section pads digits with zeros or sets them among texts: two zeros and more, or any
// text beside them ("Д-"0000, 0" кВт"); a single bare zero only rounds the number, which stays the value.
bool IsPaddedCode(std::string_view code) {
  std::size_t zeros = 0;
  bool literal = false;
  return ParsePadded(FirstSection(code), zeros, literal) && zeros > 0 && (zeros >= 2 || literal);
}

// The section's text for a whole number's digits: the digits fill the placeholders from the right, the
// first run taking those the placeholders leave over (1234 under 00-00 is 12-34), zeros the rest.
std::string RenderPadded(std::string_view section, std::string_view digits, std::size_t zeros) {
  const std::size_t lead = digits.size() > zeros ? digits.size() - zeros : 0;
  std::string padded(zeros > digits.size() ? zeros - digits.size() : 0, '0');
  padded.append(digits);
  std::size_t next = 0;  // the next digit of `padded` to place
  bool first = true;
  std::string text;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (c == '0') {
      const std::size_t take = first ? lead + 1 : 1;
      first = false;
      text.append(padded, next, take);
      next += take;
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
  // the whole number the zeros show, half away from zero as a spreadsheet rounds
  const double whole = std::round(std::fabs(value));
  char digits[400];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, whole, std::chars_format::fixed, 0);
  if (ec != std::errc()) return {};
  // a negative number takes the second section as it is when there is one, else the first after a minus;
  // zero takes the third
  const std::vector<std::string_view> sections = Sections(code);
  std::size_t pick = 0;
  if (value < 0 && sections.size() > 1) pick = 1;
  else if (value == 0 && sections.size() > 2) pick = 2;
  std::size_t zeros = 0;
  bool literal = false;
  if (pick > 0 && !ParsePadded(sections[pick], zeros, literal)) pick = 0;
  if (pick == 0) ParsePadded(sections[0], zeros, literal);
  std::string text = pick == 0 && value < 0 && whole > 0 ? "-" : "";
  return text + RenderPadded(sections[pick], std::string_view(digits, static_cast<std::size_t>(end - digits)), zeros);
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
  if (const TTime time = RenderTime(code, 0, nullptr); time != TTime::None)
    return {time == TTime::Duration ? TNumberShow::Duration : TNumberShow::Clock, id, std::string(code)};
  if (IsDateFormatCode(code)) return {TNumberShow::Date, id, {}};
  if (IsPaddedCode(code)) return {TNumberShow::Padded, id, std::string(code)};
  return {TNumberShow::Plain, id, {}};
}

TNumberFormat BuiltinNumberFormat(int id) {
  switch (id) {
    case 20: return NumberFormatOf(id, "h:mm");
    case 21: return NumberFormatOf(id, "h:mm:ss");
    case 45: return NumberFormatOf(id, "mm:ss");
    case 46: return NumberFormatOf(id, "[h]:mm:ss");
    default: return {IsBuiltinDateFormat(id) ? TNumberShow::Date : TNumberShow::Plain, id, {}};
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

}  // namespace ld::office
