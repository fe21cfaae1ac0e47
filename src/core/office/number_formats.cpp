#include "core/office/number_formats.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "core/office/sheet_sink.h"

namespace ld::office {

namespace {

// The first section of a code (the one for positive numbers): up to its first ';' outside a quoted text
// or an escaped character.
std::string_view FirstSection(std::string_view code) {
  bool quoted = false;
  for (std::size_t i = 0; i < code.size(); ++i) {
    if (quoted) {
      quoted = code[i] != '"';
    } else if (code[i] == '"') {
      quoted = true;
    } else if (code[i] == '\\') {
      ++i;
    } else if (code[i] == ';') {
      return code.substr(0, i);
    }
  }
  return code;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

void AppendPadded(std::string& out, std::uint64_t number, std::size_t width) {
  const std::string digits = std::to_string(number);
  if (digits.size() < width) out.append(width - digits.size(), '0');
  out += digits;
}

// A duration's text by the first section of its code, or false when the code holds what a duration
// format does not (a date letter, AM/PM, fractions of a second, a digit placeholder): such a code shows
// a time of day or a date, not a count of hours.
bool RenderDuration(std::string_view code, double value, std::string* out) {
  const std::string_view section = FirstSection(code);
  // seconds as a whole: 36:29:59.7 is shown 36:30:00, as a spreadsheet rounds it
  const double seconds = std::round(std::fabs(value) * 86400);
  if (!(seconds < 9e15)) return false;
  const auto total = static_cast<std::uint64_t>(seconds);
  bool elapsed = false;
  std::string text;
  if (value < 0 && total > 0) text = "-";
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    if (c == '"') {
      const std::size_t end = section.find('"', i + 1);
      if (end == std::string_view::npos) return false;
      text.append(section.substr(i + 1, end - i - 1));
      i = end;
    } else if (c == '\\') {
      if (++i < section.size()) text += section[i];
    } else if (c == '[') {
      const std::size_t end = section.find(']', i);
      if (end == std::string_view::npos) return false;
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
      AppendPadded(text, unit == 'h' ? total / 3600 % 24 : unit == 'm' ? total / 60 % 60 : total % 60, run);
      i += run - 1;
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '0' || c == '#' || c == '?' || c == '.' ||
               c == '@' || c == '*' || c == '_') {
      return false;
    } else {
      text += c;
    }
  }
  if (!elapsed) return false;
  if (out) *out = std::move(text);
  return true;
}

// Digits padded with leading zeros: a first section of two or more '0' placeholders and nothing else.
bool IsPaddedCode(std::string_view code) {
  const std::string_view section = FirstSection(code);
  return section.size() >= 2 && section.find_first_not_of('0') == std::string_view::npos;
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

TNumberFormat NumberFormatOf(std::string_view code) {
  if (RenderDuration(code, 0, nullptr)) return {TNumberShow::Duration, std::string(code)};
  if (IsDateFormatCode(code)) return {TNumberShow::Date, {}};
  if (IsPaddedCode(code)) return {TNumberShow::Padded, std::string(code)};
  return {};
}

TNumberFormat BuiltinNumberFormat(int id) {
  if (id == 46) return {TNumberShow::Duration, "[h]:mm:ss"};
  return {IsBuiltinDateFormat(id) ? TNumberShow::Date : TNumberShow::Plain, {}};
}

std::string ShownNumberText(const TNumberFormat& format, double value) {
  std::string text;
  if (format.show == TNumberShow::Duration) {
    RenderDuration(format.code, value, &text);
  } else if (format.show == TNumberShow::Padded && std::isfinite(value)) {
    // the whole number the zeros show, half away from zero as a spreadsheet rounds
    const double whole = std::round(std::fabs(value));
    char digits[400];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, whole, std::chars_format::fixed, 0);
    if (ec != std::errc()) return {};
    const std::size_t width = FirstSection(format.code).size(), count = static_cast<std::size_t>(end - digits);
    if (value < 0 && whole > 0) text.push_back('-');
    // resized rather than appended to: GCC 12 takes an append of zeros for an overlapping copy (-Wrestrict)
    if (count < width) text.resize(text.size() + width - count, '0');
    text.append(digits, count);
  }
  return text;
}

void StoreFormattedNumber(TSheetSink& sheet, int row, int col, double value, const TNumberFormat* format,
                          double dateShift) {
  const TNumberShow show = format ? format->show : TNumberShow::Plain;
  if (show == TNumberShow::Date && IsDateSerialInRange(value + dateShift))
    sheet.Date(row, col, value + dateShift);
  else if (show == TNumberShow::Padded)
    sheet.Formatted(row, col, CellKind::Number, value, *format);
  else if (show == TNumberShow::Duration)
    sheet.Formatted(row, col, CellKind::Date, value, *format);
  else
    sheet.Number(row, col, value);
}

}  // namespace ld::office
