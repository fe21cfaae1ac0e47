#include "core/tables/text_buffer.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "core/base/codepage.h"

namespace ld {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

struct TUtf8Of {
  unsigned char Length = 0;
  char Bytes[4] = {};
};

// The UTF-8 bytes of every Windows-1251 byte.
const std::array<TUtf8Of, 256>& Utf8Table() {
  static const std::array<TUtf8Of, 256> table = [] {
    std::array<TUtf8Of, 256> t{};
    for (int b = 0; b < 256; ++b) {
      std::string utf8;
      AppendUtf8(utf8, Cp1251Char(static_cast<unsigned char>(b)));
      t[b].Length = static_cast<unsigned char>(utf8.size());
      utf8.copy(t[b].Bytes, utf8.size());
    }
    return t;
  }();
  return table;
}

}  // namespace

void DecodeCp1251Into(std::string_view bytes, std::string& out) {
  const auto& table = Utf8Table();
  // Every Windows-1251 character takes at most 3 UTF-8 bytes; one spare byte lets each be copied whole.
  out.resize(bytes.size() * 3 + 1);
  char* d = out.data();
  std::size_t pos = 0;
  for (; pos + 8 <= bytes.size(); pos += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + pos, 8);
    if ((word & kHighBits) != 0) break;
    std::memcpy(d, &word, 8);
    d += 8;
  }
  for (const char c : bytes.substr(pos)) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      *d++ = c;
    } else {
      std::memcpy(d, table[b].Bytes, 4);
      d += table[b].Length;
    }
  }
  out.resize(static_cast<std::size_t>(d - out.data()));
}

void EncodeCp1251Into(std::string_view text, std::string& out) {
  out.resize(text.size());  // never more bytes than the UTF-8 text
  out.resize(EncodeCp1251To(text, out.data()));
}

std::size_t EncodeCp1251To(std::string_view text, char* out) {
  char* d = out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    // Eight Latin characters, digits or signs at once: the bytes are the same in both codes.
    if (pos + 8 <= text.size()) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + pos, 8);
      if ((word & kHighBits) == 0) {
        std::memcpy(d, &word, 8);
        d += 8;
        pos += 8;
        continue;
      }
    }
    const auto b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80) {
      *d++ = text[pos++];
      continue;
    }
    // Most texts are Russian: А..я are two bytes in UTF-8 and 0xC0..0xFF in Windows-1251.
    if ((b == 0xD0 || b == 0xD1) && pos + 1 < text.size()) {
      const auto b1 = static_cast<unsigned char>(text[pos + 1]);
      const unsigned cp = (static_cast<unsigned>(b & 0x1F) << 6) | (b1 & 0x3Fu);
      if ((b1 & 0xC0) == 0x80 && cp >= 0x410 && cp <= 0x44F) {
        *d++ = static_cast<char>(cp - 0x410 + 0xC0);
        pos += 2;
        continue;
      }
    }
    const int code = Cp1251Code(NextUtf8Char(text, pos));
    *d++ = code >= 0 ? static_cast<char>(code) : '?';
  }
  return static_cast<std::size_t>(d - out);
}

}  // namespace ld
