#include "core/base/import_text.h"

#include <algorithm>
#include <cstdio>

#include "core/base/codepage.h"

namespace ld {

std::string QuotedText(std::string_view text) {
  constexpr std::size_t kShownChars = 40;
  const std::string shown = Utf8Left(text, kShownChars + 1);
  return "\"" + (Utf8Length(shown) > kShownChars ? Utf8Left(shown, kShownChars) + "..." : shown) + "\"";
}

std::string ImportTextFault(std::string_view text) {
  if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return {};
  std::string bytes;
  char32_t missing = 0;
  if (TryUtf8ToCp1251(text, bytes, missing)) return {};
  std::string shown;
  AppendUtf8(shown, missing);
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(missing));
  return "текст " + QuotedText(text) + " нельзя записать в таблицу: у символа \"" + shown + "\" (" + code +
         ") нет кода в кодировке Windows-1251";
}

namespace {

// The length of the control character at text[i] in bytes (1 or 2), 0 when none stands there.
std::size_t ControlAt(std::string_view text, std::size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (c < 0x20 || c == 0x7F) return 1;
  // U+0080..U+009F: 0xC2 0x80..0x9F
  if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F &&
      static_cast<unsigned char>(text[i + 1]) >= 0x80)
    return 2;
  return 0;
}

}  // namespace

std::string ControlsShown(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (const std::size_t n = ControlAt(text, i); n > 0) {
      shown += '?';
      i += n;
    } else {
      shown += text[i++];
    }
  }
  return shown;
}

std::string ImportControlFault(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i)
    if (const std::size_t n = ControlAt(text, i); n > 0) {
      std::size_t pos = i;
      const char32_t c = n == 1 ? static_cast<unsigned char>(text[i]) : NextUtf8Char(text, pos);
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
      return "текст " + QuotedText(ControlsShown(text)) + " не принят: в нем управляющий символ " + code;
    }
  return {};
}

namespace {

// Empty when the text has at most `longest` characters; otherwise that it does not go `where`.
std::string LengthFault(std::string_view text, int longest, std::string_view where) {
  const std::size_t most = static_cast<std::size_t>(std::max(longest, 0));
  // no more bytes than characters allowed: no need to count them
  if (text.size() <= most || Utf8Left(text, most).size() == text.size()) return {};
  return "текст " + QuotedText(text) + " не поместится " + std::string(where) + ": в поле не больше " +
         std::to_string(most) + " символов";
}

}  // namespace

std::string ImportLengthFault(std::string_view text, int longest) {
  return LengthFault(text, longest, "ни в одно поле таблиц");
}

std::string ImportLengthFault(std::string_view text, int longest, std::string_view field) {
  if (text.size() <= static_cast<std::size_t>(std::max(longest, 0))) return {};  // the name is made for a refusal only
  return LengthFault(text, longest, "в поле \"" + std::string(field) + "\"");
}

namespace {

// The characters of more than one byte that ImportName cuts: U+0085, U+00A0, U+2007, U+2028, U+2029, U+202F.
constexpr std::string_view kWideBlanks[] = {"\xC2\x85",     "\xC2\xA0",     "\xE2\x80\x87",
                                            "\xE2\x80\xA8", "\xE2\x80\xA9", "\xE2\x80\xAF"};

// The bytes of the blank that the text begins (ends) with; 0 when it begins (ends) with another character.
std::size_t LeadingBlank(std::string_view text) {
  if (text.empty()) return 0;
  if (static_cast<unsigned char>(text.front()) <= ' ') return 1;
  for (const std::string_view blank : kWideBlanks)
    if (text.starts_with(blank)) return blank.size();
  return 0;
}

std::size_t TrailingBlank(std::string_view text) {
  if (text.empty()) return 0;
  if (static_cast<unsigned char>(text.back()) <= ' ') return 1;
  for (const std::string_view blank : kWideBlanks)
    if (text.ends_with(blank)) return blank.size();
  return 0;
}

}  // namespace

namespace {

// The blanks that no line breaks at, as other programs put them between the words of a name: the
// no-break space (U+00A0), the figure space (U+2007) and the narrow no-break space (U+202F).
constexpr std::string_view kNoBreakBlanks[] = {"\xC2\xA0", "\xE2\x80\x87", "\xE2\x80\xAF"};

std::size_t NoBreakBlankAt(std::string_view text, std::size_t at) {
  for (const std::string_view blank : kNoBreakBlanks)
    if (text.substr(at, blank.size()) == blank) return blank.size();
  return 0;
}

}  // namespace

std::string_view ImportTrimmed(std::string_view text) {
  while (const std::size_t n = LeadingBlank(text)) text.remove_prefix(n);
  while (const std::size_t n = TrailingBlank(text)) text.remove_suffix(n);
  return text;
}

std::string ImportName(std::string_view text) {
  text = ImportTrimmed(text);
  // Inside a name a no-break space is the blank the user sees: "ТП\u00A042" typed or pasted is "ТП 42",
  // found by a search typed as shown and matching the station of the base.
  std::string name;
  name.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    if (const std::size_t n = NoBreakBlankAt(text, at); n > 0) {
      name += ' ';
      at += n;
    } else {
      name += text[at++];
    }
  }
  return name;
}

std::string ImportNameFault(std::string_view text) { return ImportControlFault(ImportName(text)); }

std::string ImportTrimmedLengthFault(std::string_view text, int longest) {
  // a field of n characters holds at most 4 n bytes; past that and past a kilobyte, spaces or not, no field
  const std::size_t most = static_cast<std::size_t>(std::max(longest, 0));
  if (text.size() > std::max(kMostCellBytes, 4 * most)) return ImportLengthFault(text, longest);
  return ImportLengthFault(ImportTrimmed(text), longest);
}

std::string ImportFieldFault(std::string_view text, int longest) {
  if (std::string fault = ImportLengthFault(text, longest); !fault.empty()) return fault;
  return ImportTextFault(text);
}

std::string JoinCellLines(std::string_view s) {
  if (s.find('\n') == std::string_view::npos) return std::string(s);
  // a line break is LF or CR LF; a carriage return alone breaks no line a person sees, and stays the
  // control character it is
  const auto breakAt = [s](std::size_t at) {
    return s[at] == '\n' ? 1 : s[at] == '\r' && at + 1 < s.size() && s[at + 1] == '\n' ? 2 : 0;
  };
  std::string out;
  out.reserve(s.size());
  for (std::size_t at = 0; at < s.size(); ++at) {
    const int first = breakAt(at);
    if (first == 0) {
      out.push_back(s[at]);
      continue;
    }
    at += static_cast<std::size_t>(first) - 1;
    // several breaks in a row and the blanks after them: where a line ends the person sees a blank
    // between the words, a word hyphenated across the lines whole
    while (at + 1 < s.size() && (s[at + 1] == ' ' || breakAt(at + 1) > 0)) at += s[at + 1] == '\r' ? 2 : 1;
    if (!out.empty() && out.back() == '-' && (out.size() < 2 || out[out.size() - 2] != ' ')) out.pop_back();
    else if (!out.empty() && out.back() != ' ' && at + 1 < s.size()) out.push_back(' ');
  }
  return out;
}

}  // namespace ld
