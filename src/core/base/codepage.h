#pragma once
// Code pages at the file boundary and the character-level helpers that work on UTF-8 text.
// Every string in memory is UTF-8; files hold Windows-1251 (DOS texts: code page 866).
#include <array>
#include <cstddef>
#include <cstdint>
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

// The code pages of the texts of outside files: DOS, Windows and UTF-8.
inline constexpr int kCodePageDos = 866, kCodePageWindows = 1251, kCodePageUtf8 = 65001;

// Bytes of texts in one of those code pages as UTF-8. A UTF-8 text's malformed byte is the character of
// its value, as NextUtf8Char reads it, so that the result is well-formed and the byte is named by the rules.
std::string DecodeText(std::string_view bytes, int codePage);

// What the bytes of the texts of one file (names of a base, a card file's names, a graph file's titles,
// the lines of an exchange file) tell of their code page, text by text.
class TCodePageTally {
public:
  void Add(std::string_view bytes);
  // Whether the texts are UTF-8: every byte past ASCII is a part of a well-formed UTF-8 character, there is
  // such a character, and those of them that a name or a figure holds (a letter of the Russian alphabet, a
  // quote, a dash, "№", "²", "×", "≤"), whether or not the tables hold them, outnumber the others four times.
  // A letter of another alphabet is a name's only in a word of its own language: a Latin one beside ASCII
  // letters ("Müller"), a Greek one beside ASCII or Russian letters ("μF"), a Ukrainian one beside Russian
  // letters ("Київ"); standing alone it counts against. ASCII alone is no UTF-8, and neither are DOS texts
  // that happen to be well-formed (a lower-case "т" and two letters after it), which give characters of
  // scripts no name is written in, nor Windows-1251 capitals with a sign after them ("Её", "ИЁ", "Д№1"),
  // which give Latin letters of no word ("Ÿ", "Ȩ", "Ĺ1").
  bool Utf8() const;
  // The code page the texts are in by their bytes, or 0 where they do not decide. With utf8, UTF-8 where
  // Utf8() says so, whatever the file names for itself. Then DOS or Windows by the bytes that are a name's
  // letter or sign in one and no name's in the other (866 keeps box drawing at 0xB0-0xDF, Windows-1251 its
  // signs at 0x80-0xBF), and, a fourth as much, by what one of them reads as letters of no Russian word:
  // a letter of another alphabet (866 "Є", "ї", "Ў" for the Windows-1251 "т", "х", "ц"; Windows-1251 "Ї",
  // "Є" for the DOS "п", "к"), a word that begins with "ъ" or "ы" (866 "ъя-1" for the Windows-1251 "кп-1");
  // with a margin of four times. A byte that is a Russian letter in both is no evidence, however
  // rare its letter in one of them: DOS "тёс" is Windows-1251 "всб", and DOS "№" a Windows-1251 "ь". Texts
  // of ASCII alone read the same in each: DOS.
  int Decided(bool utf8) const;
  // The first text with a byte past ASCII: the question shows it as it reads in each code page.
  const std::string& First() const { return first_; }
  // Whether a text holds a control character other than a tab: no text a person typed, and no question of
  // its code page helps a reader that refuses it by that character.
  bool Controls() const { return controls_; }

private:
  std::array<std::uint64_t, 128> counts_{};
  std::uint64_t utf8Signs_ = 0, utf8Others_ = 0;  // UTF-8 characters of more than one byte: a name's, none
  std::uint64_t wordStart866_ = 0, wordStart1251_ = 0;  // words that begin with "ъ" or "ы" in each reading
  bool utf8Whole_ = true, controls_ = false;
  std::string first_;
};

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
