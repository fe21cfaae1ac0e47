#include "xls_builder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/base/codepage.h"

namespace ld::test {

namespace {

void U8(std::string& s, unsigned v) { s.push_back(static_cast<char>(v & 0xFF)); }
void U16(std::string& s, unsigned v) {
  U8(s, v);
  U8(s, v >> 8);
}
void U32(std::string& s, std::uint32_t v) {
  U16(s, v & 0xFFFF);
  U16(s, v >> 16);
}
void F64(std::string& s, double v) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &v, 8);
  U32(s, static_cast<std::uint32_t>(bits));
  U32(s, static_cast<std::uint32_t>(bits >> 32));
}
void Record(std::string& s, unsigned type, const std::string& body) {
  U16(s, type);
  U16(s, static_cast<unsigned>(body.size()));
  s += body;
}
std::u16string Utf16(const std::string& utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) out.push_back(static_cast<char16_t>(NextUtf8Char(utf8, i)));
  return out;
}
std::string Bof(unsigned kind) {
  std::string b;
  U16(b, 0x0600);
  U16(b, kind);
  U16(b, 0x0DBB);
  U16(b, 0x07CC);
  U32(b, 0);
  U32(b, 0x06);
  return b;
}

}  // namespace

std::string BuildXls(const std::vector<XlsCell>& cells) {
  // Shared strings.
  std::vector<std::string> strings;
  for (const XlsCell& c : cells)
    if (c.kind == XlsCell::Text && std::find(strings.begin(), strings.end(), c.text) == strings.end())
      strings.push_back(c.text);
  std::string sst;
  U32(sst, static_cast<std::uint32_t>(strings.size()));
  U32(sst, static_cast<std::uint32_t>(strings.size()));
  for (const std::string& t : strings) {
    const std::u16string w = Utf16(t);
    U16(sst, static_cast<unsigned>(w.size()));
    U8(sst, 0x01);  // two bytes a character
    for (const char16_t ch : w) U16(sst, ch);
  }

  // Globals: BOF, code page, two cell formats (general; the built-in date format 14), strings, sheet.
  std::string globals;
  Record(globals, 0x0809, Bof(0x0005));
  std::string codepage;
  U16(codepage, 1200);
  Record(globals, 0x0042, codepage);
  for (const unsigned format : {0u, 14u}) {
    std::string xf;
    U16(xf, 0);       // font
    U16(xf, format);  // number format
    U16(xf, 0x0001);
    U16(xf, 0x0020);
    U16(xf, 0);
    U32(xf, 0);
    U32(xf, 0);
    U16(xf, 0x20C0);
    Record(globals, 0x00E0, xf);
  }
  Record(globals, 0x00FC, sst);
  const std::string sheetName = "Лист1";
  const std::u16string wname = Utf16(sheetName);
  const std::size_t boundSheetSize = 4 + 4 + 2 + 2 + wname.size() * 2;
  const std::size_t sheetOffset = globals.size() + boundSheetSize + 4;  // + the EOF record
  std::string bound;
  U32(bound, static_cast<std::uint32_t>(sheetOffset));
  U8(bound, 0);
  U8(bound, 0);
  U8(bound, static_cast<unsigned>(wname.size()));
  U8(bound, 0x01);
  for (const char16_t ch : wname) U16(bound, ch);
  Record(globals, 0x0085, bound);
  Record(globals, 0x000A, {});

  // The sheet.
  int lastRow = 0, lastCol = 0;
  for (const XlsCell& c : cells) lastRow = std::max(lastRow, c.row), lastCol = std::max(lastCol, c.col);
  std::string sheet;
  Record(sheet, 0x0809, Bof(0x0010));
  std::string dim;
  U32(dim, 0);
  U32(dim, static_cast<std::uint32_t>(lastRow));
  U16(dim, 0);
  U16(dim, static_cast<unsigned>(lastCol));
  U16(dim, 0);
  Record(sheet, 0x0200, dim);
  for (const XlsCell& c : cells) {
    std::string body;
    U16(body, static_cast<unsigned>(c.row - 1));
    U16(body, static_cast<unsigned>(c.col - 1));
    if (c.kind == XlsCell::Text) {
      U16(body, 0);
      U32(body, static_cast<std::uint32_t>(std::find(strings.begin(), strings.end(), c.text) - strings.begin()));
      Record(sheet, 0x00FD, body);
    } else {
      U16(body, c.kind == XlsCell::Date ? 1 : 0);
      F64(body, c.number);
      Record(sheet, 0x0203, body);
    }
  }
  Record(sheet, 0x000A, {});

  std::string stream = globals + sheet;
  // Streams below 4096 bytes would live in the mini stream; this one is padded to stay in sectors.
  const std::size_t streamSize = std::max<std::size_t>(4096, (stream.size() + 511) / 512 * 512);
  stream.resize(streamSize, '\0');
  const auto sectors = static_cast<std::uint32_t>(streamSize / 512);

  // Compound document: header, FAT in sector 0, directory in sector 1, the stream from sector 2.
  std::string header;
  header += std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  header += std::string(16, '\0');
  U16(header, 0x003E);
  U16(header, 0x0003);
  U16(header, 0xFFFE);
  U16(header, 9);
  U16(header, 6);
  header += std::string(6, '\0');
  U32(header, 0);           // directory sectors (version 3)
  U32(header, 1);           // FAT sectors
  U32(header, 1);           // first directory sector
  U32(header, 0);           // transaction
  U32(header, 4096);        // mini stream cut-off
  U32(header, 0xFFFFFFFE);  // no mini FAT
  U32(header, 0);
  U32(header, 0xFFFFFFFE);  // no DIFAT sectors
  U32(header, 0);
  U32(header, 0);  // the FAT is sector 0
  for (int i = 1; i < 109; ++i) U32(header, 0xFFFFFFFF);

  std::string fat;
  U32(fat, 0xFFFFFFFD);
  U32(fat, 0xFFFFFFFE);
  for (std::uint32_t s = 0; s < sectors; ++s) U32(fat, s + 1 < sectors ? 2 + s + 1 : 0xFFFFFFFE);
  fat.resize(512, '\xFF');

  const auto entry = [](const std::string& name, unsigned type, std::uint32_t child, std::uint32_t start,
                        std::uint32_t size) {
    std::string e;
    const std::u16string w = Utf16(name);
    for (const char16_t ch : w) U16(e, ch);
    e.resize(64, '\0');
    U16(e, name.empty() ? 0 : static_cast<unsigned>((w.size() + 1) * 2));
    U8(e, type);
    U8(e, 1);
    U32(e, 0xFFFFFFFF);
    U32(e, 0xFFFFFFFF);
    U32(e, child);
    e += std::string(16 + 4 + 16, '\0');
    U32(e, start);
    U32(e, size);
    U32(e, 0);
    return e;
  };
  std::string dir = entry("Root Entry", 5, 1, 0xFFFFFFFE, 0) + entry("Workbook", 2, 0xFFFFFFFF, 2, streamSize) +
                    entry("", 0, 0xFFFFFFFF, 0, 0) + entry("", 0, 0xFFFFFFFF, 0, 0);
  return header + fat + dir + stream;
}

}  // namespace ld::test
