#include "support/xls_builder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/base/codepage.h"

namespace ld::test {

namespace {

// Little-endian fields: each value written in `bytes` bytes.
struct Bytes {
  std::string s;
  Bytes& Put(std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return *this;
  }
  Bytes& U16(std::initializer_list<unsigned> values) {
    for (const unsigned v : values) Put(v, 2);
    return *this;
  }
  Bytes& U32(std::initializer_list<std::uint32_t> values) {
    for (const std::uint32_t v : values) Put(v, 4);
    return *this;
  }
  Bytes& Utf16(const std::string& utf8) {
    for (std::size_t i = 0; i < utf8.size();) Put(NextUtf8Char(utf8, i), 2);
    return *this;
  }
  Bytes& Record(unsigned type, const std::string& body) {
    U16({type, static_cast<unsigned>(body.size())});
    s += body;
    return *this;
  }
};

std::size_t Chars(const std::string& utf8) { return Utf8Length(utf8); }

std::string Bof(unsigned kind) { return Bytes().U16({0x0600, kind, 0x0DBB, 0x07CC}).U32({0, 0x06}).s; }

}  // namespace

std::string BuildXls(const std::vector<XlsCell>& cells) {
  std::vector<std::string> strings;
  for (const XlsCell& c : cells)
    if (c.kind == XlsCell::Text && std::find(strings.begin(), strings.end(), c.text) == strings.end())
      strings.push_back(c.text);
  Bytes sst;
  sst.U32({static_cast<std::uint32_t>(strings.size()), static_cast<std::uint32_t>(strings.size())});
  for (const std::string& t : strings) sst.U16({static_cast<unsigned>(Chars(t))}).Put(0x01, 1).Utf16(t);

  // Globals: code page, cell formats 0 (general) and 1 (the built-in date format 14), strings, the sheet.
  Bytes globals;
  globals.Record(0x0809, Bof(0x0005)).Record(0x0042, Bytes().U16({1200}).s);
  for (const unsigned format : {0u, 14u})
    globals.Record(0x00E0, Bytes().U16({0, format, 0x0001, 0x0020, 0}).U32({0, 0}).U16({0x20C0}).s);
  globals.Record(0x00FC, sst.s);
  const std::string sheetName = "Лист1";
  const std::size_t sheetOffset = globals.s.size() + 4 + 8 + 2 * Chars(sheetName) + 4;
  globals.Record(0x0085, Bytes()
                             .U32({static_cast<std::uint32_t>(sheetOffset)})
                             .Put(0, 2)
                             .Put(Chars(sheetName), 1)
                             .Put(0x01, 1)
                             .Utf16(sheetName)
                             .s);
  globals.Record(0x000A, {});

  int lastRow = 0, lastCol = 0;
  for (const XlsCell& c : cells) lastRow = std::max(lastRow, c.row), lastCol = std::max(lastCol, c.col);
  Bytes sheet;
  sheet.Record(0x0809, Bof(0x0010));
  sheet.Record(0x0200, Bytes().U32({0, static_cast<std::uint32_t>(lastRow)}).U16({0, unsigned(lastCol), 0}).s);
  for (const XlsCell& c : cells) {
    Bytes body;
    body.U16({unsigned(c.row - 1), unsigned(c.col - 1)});
    if (c.kind == XlsCell::Text) {
      const auto index = std::find(strings.begin(), strings.end(), c.text) - strings.begin();
      sheet.Record(0x00FD, body.U16({0}).U32({static_cast<std::uint32_t>(index)}).s);
    } else {
      std::uint64_t bits = 0;
      std::memcpy(&bits, &c.number, 8);
      sheet.Record(0x0203, body.U16({c.kind == XlsCell::Date ? 1u : 0u}).Put(bits, 8).s);
    }
  }
  sheet.Record(0x000A, {});

  return XlsContainer(globals.s + sheet.s);
}

std::string XlsContainer(std::string stream) {
  // Streams below 4096 bytes would live in the mini stream; this one is padded to stay in sectors.
  stream.resize(std::max<std::size_t>(4096, (stream.size() + 511) / 512 * 512), '\0');
  const auto sectors = static_cast<std::uint32_t>(stream.size() / 512);
  // One FAT sector maps 128 sectors: the FAT's own, the directory's and the stream's.
  std::uint32_t fatSectors = 1;
  while (fatSectors * 128 < fatSectors + 1 + sectors) ++fatSectors;

  // Compound document: header, the FAT from sector 0, the directory after it, then the stream.
  Bytes header;
  header.s = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(16, '\0');
  header.U16({0x003E, 0x0003, 0xFFFE, 9, 6, 0, 0, 0});
  header.U32({0, fatSectors, fatSectors, 0, 4096, 0xFFFFFFFE, 0, 0xFFFFFFFE, 0});
  for (std::uint32_t i = 0; i < 109; ++i) header.U32({i < fatSectors ? i : 0xFFFFFFFF});
  Bytes fat;
  for (std::uint32_t i = 0; i < fatSectors; ++i) fat.U32({0xFFFFFFFD});
  fat.U32({0xFFFFFFFE});
  const std::uint32_t first = fatSectors + 1;
  for (std::uint32_t s = 0; s < sectors; ++s) fat.U32({s + 1 < sectors ? first + 1 + s : 0xFFFFFFFE});
  fat.s.resize(fatSectors * 512, '\xFF');
  const auto entry = [](const std::string& name, unsigned type, std::uint32_t child, std::uint32_t start,
                        std::uint32_t size) {
    Bytes e;
    e.Utf16(name).s.resize(64, '\0');
    e.U16({name.empty() ? 0u : static_cast<unsigned>((Chars(name) + 1) * 2)}).Put(type, 1).Put(1, 1);
    e.U32({0xFFFFFFFF, 0xFFFFFFFF, child}).s += std::string(36, '\0');
    return e.U32({start, size, 0}).s;
  };
  const std::string dir = entry("Root Entry", 5, 1, 0xFFFFFFFE, 0) +
                          entry("Workbook", 2, 0xFFFFFFFF, first, static_cast<std::uint32_t>(stream.size())) +
                          entry("", 0, 0xFFFFFFFF, 0, 0) + entry("", 0, 0xFFFFFFFF, 0, 0);
  return header.s + fat.s + dir + stream;
}

std::string XlsRecord(unsigned type, const std::string& body) { return Bytes().Record(type, body).s; }

std::string XlsLittle(std::uint64_t value, int bytes) { return Bytes().Put(value, bytes).s; }

std::string XlsWithoutSheet() { return XlsContainer(Bytes().Record(0x0809, Bof(0x0005)).Record(0x000A, {}).s); }

std::string WithTextIndex(std::string xls, int row, int col, std::uint32_t index) {
  const std::string cell = Bytes().U16({0x00FD, 10, unsigned(row - 1), unsigned(col - 1)}).s;
  const std::size_t at = xls.find(cell);
  if (at != std::string::npos) xls.replace(at + cell.size() + 2, 4, Bytes().U32({index}).s);
  return xls;
}

}  // namespace ld::test
