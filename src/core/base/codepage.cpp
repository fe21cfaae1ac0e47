#include "core/base/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace ld {

namespace {

// Characters of the bytes 0x80..0xFF. Windows maps the one unassigned byte of 1251 (0x98) to U+0098,
// which keeps every byte value a round trip.
constexpr std::array<char16_t, 128> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

constexpr std::array<char16_t, 128> kCp866High = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

// Code point -> byte, sorted by code point, for the characters above 0x7F.
class ReverseTable {
public:
  explicit ReverseTable(const std::array<char16_t, 128>& high) {
    for (int i = 0; i < 128; ++i) entries_[i] = {high[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(entries_.begin(), entries_.end());
  }
  int Find(char32_t cp) const {
    if (cp > 0xFFFF) return -1;
    const auto key = static_cast<char16_t>(cp);
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                                     [](const auto& e, char16_t k) { return e.first < k; });
    return it != entries_.end() && it->first == key ? it->second : -1;
  }

private:
  std::array<std::pair<char16_t, unsigned char>, 128> entries_{};
};

const ReverseTable& Reverse1251() {
  static const ReverseTable table(kCp1251High);
  return table;
}

const ReverseTable& Reverse866() {
  static const ReverseTable table(kCp866High);
  return table;
}

int Cp866Code(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp >= 0x0410 && cp <= 0x043F) return static_cast<int>(cp - 0x0410 + 0x80);
  if (cp >= 0x0440 && cp <= 0x044F) return static_cast<int>(cp - 0x0440 + 0xE0);
  return Reverse866().Find(cp);
}

std::string Decode(std::string_view bytes, const std::array<char16_t, 128>& high) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out.push_back(c);
    } else {
      AppendUtf8(out, high[b - 0x80]);
    }
  }
  return out;
}

bool IsContinuation(std::string_view text, std::size_t pos) {
  return pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80;
}

// Calls f(character, its bytes) for every character of a UTF-8 text; a malformed byte is one
// character of its own value, as NextUtf8Char reads it.
template <typename F>
void ForEachChar(std::string_view text, F f) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    const auto b = static_cast<unsigned char>(text[pos]);
    const char32_t cp = b < 0x80 ? (++pos, b) : NextUtf8Char(text, pos);
    f(cp, text.substr(start, pos - start));
  }
}

template <typename CodeOf>
std::string Encode(std::string_view text, CodeOf codeOf) {
  std::string out;
  out.reserve(text.size());
  ForEachChar(text, [&](char32_t cp, std::string_view) {
    const int code = codeOf(cp);
    out.push_back(code >= 0 ? static_cast<char>(code) : '?');
  });
  return out;
}

template <typename Map>
std::string MapChars(std::string_view text, Map map) {
  std::string out;
  out.reserve(text.size());
  ForEachChar(text, [&](char32_t cp, std::string_view bytes) {
    const char32_t mapped = map(cp);
    if (mapped == cp) {
      out.append(bytes.data(), bytes.size());  // malformed bytes pass through untouched
    } else {
      AppendUtf8(out, mapped);
    }
  });
  return out;
}

// Whether a byte past ASCII is one that no name holds in the code page: the box drawing and signs that 866
// keeps at 0xB0-0xDF and 0xF8-0xFE ("№" at 0xFC aside), the signs of Windows-1251 at 0x80-0xBF other than Ё, ё, the Ukrainian
// letters, "№", the no-break space, quotes and dashes. Every other byte is a letter or a sign of a name.
bool NoName866(unsigned char b) {
  const bool letter = (b >= 0x80 && b <= 0xAF) || (b >= 0xE0 && b <= 0xF7) || b == 0xFC || b == 0xFF;
  return !letter;
}
bool NoName1251(unsigned char b) {
  if (b >= 0xC0) return false;
  switch (b) {
    case 0xA8: case 0xB8:                                                  // Ё ё
    case 0xAA: case 0xBA: case 0xAF: case 0xBF: case 0xB2: case 0xB3:      // Є є Ї ї І і
    case 0xA5: case 0xB4: case 0xB9: case 0xA0:                            // Ґ ґ № no-break space
    case 0xAB: case 0xBB: case 0x84: case 0x93: case 0x94: case 0x85:      // « » „ “ ” …
    case 0x91: case 0x92: case 0x96: case 0x97: return false;              // ‘ ’ – —
    default: return true;
  }
}

// Whether a byte is a letter of the code page that no Russian word holds: 866 keeps the Ukrainian and
// Belarusian "Є є Ї ї Ў ў" at 0xF2-0xF7, where Windows-1251 has the common "т у ф х ц ч"; Windows-1251 keeps
// "Є є Ї ї І і Ґ ґ" among its signs, where 866 has "к", "п", "е" and box drawing. (The other letters of
// Windows-1251's signs are no name's at all: NoName1251.)
bool Rare866(unsigned char b) { return b >= 0xF2 && b <= 0xF7; }
bool Rare1251(unsigned char b) {
  switch (b) {
    case 0xAA: case 0xBA: case 0xAF: case 0xBF: case 0xB2: case 0xB3: case 0xA5: case 0xB4: return true;
    default: return false;
  }
}

// Whether a byte is a letter in the code page, and whether it is a "ъ" or "ы", which begin no Russian word:
// 866 reads so the Windows-1251 "к" and "л" that begin lower-case names ("кп-1", "л-2").
bool Letter866(unsigned char b) { return (b >= 0x80 && b <= 0xAF) || (b >= 0xE0 && b <= 0xF7); }
bool Letter1251(unsigned char b) { return b >= 0xC0 || b == 0xA8 || b == 0xB8 || Rare1251(b); }
bool HardOrY866(unsigned char b) { return b == 0xEA || b == 0xEB; }
bool HardOrY1251(unsigned char b) { return b == 0xFA || b == 0xFB; }

// Whether a character of more than one UTF-8 byte is one that a name or a figure holds: a letter of the
// Latin, Greek or Cyrillic alphabets (those of the peoples of Russia too), a sign of Latin-1 ("²", "½",
// "×", "°"), of punctuation, sub- and superscripts, currencies, "№", arrows, mathematical and technical
// signs ("≤", "⌀"). The characters that DOS or Windows-1251 texts give where their bytes happen to be
// well-formed lie elsewhere: scripts of Asia, historic Cyrillic, control characters.
bool NameSign(char32_t cp) {
  return (cp >= 0xA0 && cp <= 0x24F) || (cp >= 0x370 && cp <= 0x45F) || (cp >= 0x490 && cp <= 0x4FF) ||
         (cp >= 0x2000 && cp <= 0x23FF);
}

// The alphabet of a letter, as far as the code page of a text is concerned. A Windows-1251 capital with a
// sign after it ("Её", "ИЁ", "Д№") is well-formed UTF-8 of a Latin or Greek letter ("Ÿ", "Ȩ", "Ĺ") or of one
// of the other Cyrillic alphabets ("Т№" is "ҹ"); a letter of the Russian alphabet comes only from a "Р" or
// "С" before a sign, which no Russian text writes and every UTF-8 text read as Windows-1251 shows.
enum class TAlphabet { None, Ascii, Russian, OtherCyrillic, Latin, Greek };

TAlphabet AlphabetOf(char32_t cp) {
  if ((cp | 0x20) >= 'a' && (cp | 0x20) <= 'z') return TAlphabet::Ascii;
  if ((cp >= 0x410 && cp <= 0x44F) || cp == 0x401 || cp == 0x451) return TAlphabet::Russian;
  if ((cp >= 0x400 && cp <= 0x45F) || (cp >= 0x490 && cp <= 0x4FF)) return TAlphabet::OtherCyrillic;
  if (cp >= 0xC0 && cp <= 0x24F && cp != 0xD7 && cp != 0xF7) return TAlphabet::Latin;
  if (cp >= 0x370 && cp <= 0x3FF) return TAlphabet::Greek;
  return TAlphabet::None;
}

// The letters of other alphabets in one word of a text, which speak for UTF-8 only where the word is of
// a language of their own: a Latin letter beside ASCII letters ("Müller"), a Greek one beside ASCII or
// Russian letters ("μF", "Δt"), a Ukrainian or Tatar one beside Russian letters ("Київ").
struct TWord {
  std::uint64_t latin = 0, greek = 0, otherCyrillic = 0;
  bool ascii = false, russian = false;

  // How many of the word's letters of other alphabets are of its language; the rest are counted against.
  std::uint64_t Spoken() const {
    return (ascii ? latin : 0) + (ascii || russian ? greek : 0) + (russian ? otherCyrillic : 0);
  }
  std::uint64_t Foreign() const { return latin + greek + otherCyrillic; }
};

}  // namespace

std::string DecodeText(std::string_view bytes, int codePage) {
  if (codePage == kCodePageWindows) return Cp1251ToUtf8(bytes);
  if (codePage != kCodePageUtf8) return Cp866ToUtf8(bytes);
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t pos = 0; pos < bytes.size();) AppendUtf8(out, NextUtf8Char(bytes, pos));
  return out;
}

void TCodePageTally::Add(std::string_view bytes) {
  bool past = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const auto before = i == 0 ? static_cast<unsigned char>(' ') : static_cast<unsigned char>(bytes[i - 1]);
    const bool asciiLetter = (before | 0x20) >= 'a' && (before | 0x20) <= 'z';
    if (HardOrY866(b) && !asciiLetter && !Letter866(before)) ++wordStart866_;
    if (HardOrY1251(b) && !asciiLetter && !Letter1251(before)) ++wordStart1251_;
  }
  TWord word;
  const auto endWord = [&] {
    const std::uint64_t spoken = word.Spoken();
    utf8Signs_ += spoken;
    utf8Others_ += word.Foreign() - spoken;
    word = TWord();
  };
  for (std::size_t pos = 0; pos < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[pos]);
    if (b < 0x80) {
      if ((b < 0x20 && b != '\t') || b == 0x7F) controls_ = true;
      if (AlphabetOf(b) == TAlphabet::Ascii) {
        word.ascii = true;
      } else {
        endWord();
      }
      ++pos;
      continue;
    }
    past = true;
    const std::size_t start = pos;
    const char32_t cp = NextUtf8Char(bytes, pos);
    for (std::size_t i = start; i < pos; ++i) ++counts_[static_cast<unsigned char>(bytes[i]) - 0x80u];
    if (pos - start == 1) {
      utf8Whole_ = false;
      endWord();
      continue;
    }
    switch (AlphabetOf(cp)) {
      case TAlphabet::Russian: word.russian = true, ++utf8Signs_; break;
      case TAlphabet::Latin: ++word.latin; break;
      case TAlphabet::Greek: ++word.greek; break;
      case TAlphabet::OtherCyrillic: ++word.otherCyrillic; break;
      default:
        endWord();
        ++(NameSign(cp) ? utf8Signs_ : utf8Others_);
    }
  }
  endWord();
  if (past && first_.empty()) first_ = bytes;
}

bool TCodePageTally::Utf8() const { return utf8Whole_ && utf8Signs_ > 0 && utf8Others_ * 4 < utf8Signs_; }

int TCodePageTally::Decided(bool utf8) const {
  if (utf8 && Utf8()) return kCodePageUtf8;
  // a byte no name holds weighs four letters of no Russian word
  std::uint64_t total = 0, against866 = wordStart866_, against1251 = wordStart1251_;
  for (unsigned i = 0; i < counts_.size(); ++i) {
    const auto b = static_cast<unsigned char>(0x80 + i);
    total += counts_[i];
    against866 += counts_[i] * (NoName866(b) ? 4 : Rare866(b) ? 1 : 0);
    against1251 += counts_[i] * (NoName1251(b) ? 4 : Rare1251(b) ? 1 : 0);
  }
  if (total == 0) return kCodePageDos;
  // box drawing in a name is a wrong code page, not a slip of typing; but a few odd signs among many names
  // do not make the reading with four times as many the right one
  if (against866 * 4 < against1251) return kCodePageDos;
  if (against1251 * 4 < against866) return kCodePageWindows;
  return 0;
}

char32_t NextUtf8Char(std::string_view text, std::size_t& pos) {
  const auto b0 = static_cast<unsigned char>(text[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int extra = 0;
  char32_t cp = 0;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    extra = 1;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    extra = 2;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;  // overlong
    if (b0 == 0xED) hi = 0x9F;  // surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    extra = 3;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    ++pos;
    return b0;
  }
  // A sequence cut by the end of the text fails the checks below like any other malformed one.
  const auto b1 = pos + 1 < text.size() ? static_cast<unsigned char>(text[pos + 1]) : 0;
  if (b1 < lo || b1 > hi) {
    ++pos;
    return b0;
  }
  cp = (cp << 6) | (b1 & 0x3F);
  for (int i = 2; i <= extra; ++i) {
    if (!IsContinuation(text, pos + i)) {
      ++pos;
      return b0;
    }
    cp = (cp << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
  }
  pos += extra + 1;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string Cp1251ToUtf8(std::string_view bytes) { return Decode(bytes, kCp1251High); }
std::string Utf8ToCp1251(std::string_view text) { return Encode(text, Cp1251Code); }

bool TryUtf8ToCp1251(std::string_view text, std::string& bytes, char32_t& missing) {
  std::string out;
  out.reserve(text.size());
  bool whole = true;
  ForEachChar(text, [&](char32_t cp, std::string_view) {
    if (!whole) return;
    const int code = Cp1251Code(cp);
    if (code < 0) {
      missing = cp;
      whole = false;
    } else {
      out.push_back(static_cast<char>(code));
    }
  });
  if (whole) bytes = std::move(out);
  return whole;
}

std::string Cp866ToUtf8(std::string_view bytes) { return Decode(bytes, kCp866High); }
std::string Utf8ToCp866(std::string_view text) { return Encode(text, Cp866Code); }

int Cp1251Code(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(cp - 0x0410 + 0xC0);
  return Reverse1251().Find(cp);
}

char32_t Cp1251Char(unsigned char byte) { return byte < 0x80 ? byte : kCp1251High[byte - 0x80]; }

std::size_t Utf8Length(std::string_view text) {
  std::size_t count = 0;
  ForEachChar(text, [&](char32_t, std::string_view) { ++count; });
  return count;
}

std::string Utf8Left(std::string_view text, std::size_t n) {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < n && pos < text.size(); ++i) NextUtf8Char(text, pos);
  return std::string(text.substr(0, pos));
}

char32_t UpperChar(char32_t cp) {
  if (cp >= 'a' && cp <= 'z') return cp - 0x20;
  if (cp < 0x0430) return cp;
  if (cp <= 0x044F) return cp - 0x20;  // а..я
  if (cp <= 0x045F) return cp - 0x50;  // ѐ..џ: ё, є, і, ї, ў and the rest of the block
  if (cp == 0x0491) return 0x0490;     // ґ
  return cp;
}

char32_t LowerChar(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 0x20;
  if (cp < 0x0400) return cp;
  if (cp <= 0x040F) return cp + 0x50;
  if (cp <= 0x042F) return cp + 0x20;
  if (cp == 0x0490) return 0x0491;
  return cp;
}

std::string UpperCase(std::string_view text) { return MapChars(text, UpperChar); }
std::string LowerCase(std::string_view text) { return MapChars(text, LowerChar); }

int CompareCp1251(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[j]);
    if (ca < 0x80 && cb < 0x80) {
      if (ca != cb) return ca < cb ? -1 : 1;
      ++i;
      ++j;
      continue;
    }
    const unsigned ka = Cp1251SortKey(NextUtf8Char(a, i));
    const unsigned kb = Cp1251SortKey(NextUtf8Char(b, j));
    if (ka != kb) return ka < kb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace ld
