#pragma once
// Code pages at the file boundary and the character-level helpers that work on UTF-8 text.
// Every string in memory is UTF-8; files hold Windows-1251 (DOS texts: code page 866).
#include <cstddef>
#include <string>
#include <string_view>

namespace ld {

// Decodes the character that starts at pos and moves pos past it. A malformed sequence gives one
// byte: its value as the code point (so a stray Windows-1251 byte never stops a loop).
char32_t NextUtf8Char(std::string_view text, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);

// Windows-1251 <-> UTF-8. A character without a Windows-1251 code becomes '?'.
std::string Cp1251ToUtf8(std::string_view bytes);
std::string Utf8ToCp1251(std::string_view text);
// The same conversion for a text that must be kept as it stands: false, with the first character that
// has no Windows-1251 code in missing and bytes left unset, where Utf8ToCp1251 would put '?'.
bool TryUtf8ToCp1251(std::string_view text, std::string& bytes, char32_t& missing);

// DOS code page 866 <-> UTF-8. A character without a code becomes '?'.
std::string Cp866ToUtf8(std::string_view bytes);
std::string Utf8ToCp866(std::string_view text);

// The Windows-1251 code of one character, or -1 when it has none.
int Cp1251Code(char32_t cp);

// The character of one Windows-1251 byte.
char32_t Cp1251Char(unsigned char byte);

// Number of characters (code points).
std::size_t Utf8Length(std::string_view text);

// The first n characters (the whole text when it is shorter).
std::string Utf8Left(std::string_view text, std::size_t n);

// Letter case of Latin and Cyrillic letters (Ukrainian і ї є ґ and ё included); other characters stay.
char32_t UpperChar(char32_t cp);
char32_t LowerChar(char32_t cp);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// Orders texts by the Windows-1251 codes of their characters, as files sorted on any workstation are
// ordered. Characters without a Windows-1251 code come after all others, by code point. <0, 0, >0.
int CompareCp1251(std::string_view a, std::string_view b);

// The key by which CompareCp1251 orders one character: its Windows-1251 code, or 256 + code point.
inline unsigned Cp1251SortKey(char32_t cp) {
  if (cp < 0x80) return static_cast<unsigned>(cp);
  const int code = Cp1251Code(cp);
  return code >= 0 ? static_cast<unsigned>(code) : 0x100u + static_cast<unsigned>(cp);
}

}  // namespace ld
