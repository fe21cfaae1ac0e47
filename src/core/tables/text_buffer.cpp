#include "core/tables/text_buffer.h"

#include <array>
#include <cstring>

#include "core/base/codepage.h"

namespace ld {

namespace {

struct TUtf8Of {
  unsigned char Length = 0;
  char Bytes[4] = {};
};

// The UTF-8 bytes of every Windows-1251 byte.
const std::array<TUtf8Of, 256>& Utf8Table() {
  static const std::array<TUtf8Of, 256> table = [] {
    std::array<TUtf8Of, 256> t{};
    for (int b = 0; b < 256; ++b) {
      if (b < 0x80) {  // Latin letters, digits and signs are themselves, the zero byte included
        t[b].Length = 1;
        t[b].Bytes[0] = static_cast<char>(b);
        continue;
      }
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
  out.resize(bytes.size() * 3 + 1);
  out.resize(DecodeCp1251To(bytes, out.data()));
}

std::size_t DecodeCp1251To(std::string_view bytes, char* out) {
  const auto& table = Utf8Table();
  // Every byte through the table, without a branch: names mix Latin and Cyrillic letters, digits and
  // signs, on which a branch for each kind would mostly guess wrong. Every Windows-1251 character takes
  // at most 3 UTF-8 bytes; the one spare byte lets each be copied whole.
  char* d = out;
  for (const char c : bytes) {
    const TUtf8Of& utf8 = table[static_cast<unsigned char>(c)];
    std::memcpy(d, utf8.Bytes, 4);
    d += utf8.Length;
  }
  return static_cast<std::size_t>(d - out);
}

void EncodeCp1251Into(std::string_view text, std::string& out) {
  out.resize(text.size());  // never more bytes than the UTF-8 text
  out.resize(EncodeCp1251To(text, out.data()));
}

std::size_t EncodeCp1251To(std::string_view text, char* out) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  char* d = out;
  std::size_t pos = 0;
  while (pos < size) {
    const unsigned b = s[pos];
    if (b < 0x80) {
      *d++ = static_cast<char>(b);
      ++pos;
      continue;
    }
    // Most texts are Russian: А..п are D0 90..BF in UTF-8, р..я D1 80..8F, and 0xC0..0xFF in Windows-1251.
    if (pos + 1 < size) {
      const unsigned b1 = s[pos + 1];
      if (b == 0xD0 && b1 - 0x90u <= 0x2Fu) {
        *d++ = static_cast<char>(b1 + 0x30);
        pos += 2;
        continue;
      }
      if (b == 0xD1 && b1 - 0x80u <= 0x0Fu) {
        *d++ = static_cast<char>(b1 + 0x70);
        pos += 2;
        continue;
      }
    }
    // Through a copy: handing out the loop's own position would keep it in memory for the whole loop.
    std::size_t next = pos;
    const int code = Cp1251Code(NextUtf8Char(text, next));
    pos = next;
    *d++ = code >= 0 ? static_cast<char>(code) : '?';
  }
  return static_cast<std::size_t>(d - out);
}

}  // namespace ld
