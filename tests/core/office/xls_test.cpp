// A legacy workbook put together record by record: a BIFF8 stream in a compound document.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/base/error.h"
#include "core/office/xls_file.h"
#include "support/test_env.h"

namespace {

std::string U16(std::uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string U32(std::uint32_t v) { return U16(static_cast<std::uint16_t>(v)) + U16(static_cast<std::uint16_t>(v >> 16)); }
std::string F64(double v) { return std::string(reinterpret_cast<const char*>(&v), sizeof v); }
std::string Record(std::uint16_t type, const std::string& data) {
  return U16(type) + U16(static_cast<std::uint16_t>(data.size())) + data;
}
// UTF-16LE of a text of Latin and Cyrillic letters.
std::string Utf16(const std::u16string& text) {
  std::string out;
  for (const char16_t c : text) out += U16(c);
  return out;
}
std::string Bof(std::uint16_t kind) { return Record(0x0809, U16(0x0600) + U16(kind) + U16(0x0DBB) + U16(0x07CC) + U32(0) + U32(6)); }
std::string Xf(std::uint16_t format) { return Record(0x00E0, U16(0) + U16(format) + U16(0xFFF5) + std::string(14, '\0')); }

// Globals with two cell formats (general, and the built-in date 14) and a shared string table; one
// sheet with a shared string, a plain string, numbers and a date.
std::string WorkbookStream() {
  const std::u16string sheetName = u"Замеры";
  const std::string sst = Record(0x00FC, U32(2) + U32(2) + U16(5) + "\x01" + Utf16(u"Фидер") + U16(3) + std::string(1, '\0') +
                                             "ABC");
  std::string globals = Bof(0x0005) + Record(0x0042, U16(1200)) + Record(0x0022, U16(0));
  for (int i = 0; i < 16; ++i) globals += Xf(0);  // the style formats every workbook carries
  globals += Xf(0) + Xf(14);                      // cell formats 16 and 17
  const std::string filler = Record(0x00E1, std::string(4200, '\0'));
  const std::size_t boundSize = 4 + 4 + 2 + 2 + 2 * sheetName.size();
  const std::size_t sheetAt = globals.size() + boundSize + sst.size() + filler.size() + 4;
  globals += Record(0x0085, U32(static_cast<std::uint32_t>(sheetAt)) + std::string("\x00\x00", 2) +
                                static_cast<char>(sheetName.size()) + "\x01" + Utf16(sheetName));
  globals += sst + filler + Record(0x000A, "");
  std::string sheet = Bof(0x0010) + Record(0x0200, U32(0) + U32(3) + U16(0) + U16(3) + U16(0));
  sheet += Record(0x00FD, U16(0) + U16(0) + U16(16) + U32(0));                          // A1 "Фидер"
  sheet += Record(0x0204, U16(0) + U16(1) + U16(16) + U16(4) + "\x01" + Utf16(u"Дата")); // B1
  sheet += Record(0x0203, U16(1) + U16(0) + U16(16) + F64(12.75));                      // A2
  sheet += Record(0x0203, U16(1) + U16(1) + U16(17) + F64(45351));                      // B2 29.02.2024
  sheet += Record(0x00FD, U16(2) + U16(2) + U16(16) + U32(1));                          // C3 "ABC"
  sheet += Record(0x000A, "");
  return globals + sheet;
}

// A compound document with the stream "Workbook" in regular sectors: header, FAT, directory, stream.
std::string CompoundFile(const std::string& stream) {
  const std::uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kFat = 0xFFFFFFFD;
  const std::size_t sectors = (stream.size() + 511) / 512;
  std::string header = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + std::string(16, '\0') + U16(0x003E) + U16(3) + U16(0xFFFE) +
                       U16(9) + U16(6) + std::string(6, '\0') + U32(0) + U32(1) + U32(1) + U32(0) + U32(4096) +
                       U32(kEnd) + U32(0) + U32(kEnd) + U32(0) + U32(0);
  for (int i = 1; i < 109; ++i) header += U32(kFree);
  std::string fat = U32(kFat) + U32(kEnd);
  for (std::size_t i = 0; i < sectors; ++i) fat += U32(i + 1 == sectors ? kEnd : static_cast<std::uint32_t>(i + 3));
  while (fat.size() < 512) fat += U32(kFree);
  auto entry = [&](const std::u16string& name, char type, std::uint32_t child, std::uint32_t start, std::uint32_t size) {
    std::string e = Utf16(name);
    e.resize(64, '\0');
    e += U16(static_cast<std::uint16_t>((name.size() + 1) * 2));
    e += type;
    e += '\x01';
    e += U32(kFree) + U32(kFree) + U32(child) + std::string(16, '\0') + U32(0) + std::string(16, '\0') + U32(start) +
         U32(size) + U32(0);
    return e;
  };
  std::string dir = entry(u"Root Entry", 5, 1, kEnd, 0) + entry(u"Workbook", 2, kFree, 2,
                                                                 static_cast<std::uint32_t>(stream.size()));
  dir.resize(512, '\0');
  std::string data = stream;
  data.resize(sectors * 512, '\0');
  return header + fat + dir + data;
}

TEST(Xls, ReadsStringsNumbersAndDatesOfALegacyWorkbook) {
  ld::test::TempDir dir;
  const std::string path = dir / "old.xls";
  ld::test::WriteBytes(path, CompoundFile(WorkbookStream()));
  const ld::Workbook book = ld::ReadWorkbook(path);
  ASSERT_EQ(book.sheets.size(), 1u);
  const ld::Worksheet& s = book.sheets[0];
  EXPECT_EQ(s.Name(), "Замеры");
  EXPECT_EQ(s.CellText(1, 1), "Фидер");
  EXPECT_EQ(s.CellText(1, 2), "Дата");
  EXPECT_EQ(s.Cell(2, 1).kind, ld::CellKind::Number);
  EXPECT_EQ(s.Cell(2, 1).number, 12.75);
  EXPECT_EQ(s.Cell(2, 2).kind, ld::CellKind::Date);
  EXPECT_EQ(s.CellText(2, 2), "29.02.2024");
  EXPECT_EQ(s.CellText(3, 3), "ABC");
  EXPECT_TRUE(s.IsEmpty(3, 1));

  const std::string broken = dir / "broken.xls";
  ld::test::WriteBytes(broken, CompoundFile(WorkbookStream()).substr(0, 700));
  EXPECT_THROW(ld::ReadWorkbook(broken), ld::Error);
}

}  // namespace
