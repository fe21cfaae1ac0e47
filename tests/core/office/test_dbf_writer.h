#pragma once
// dBase files for the tests, written through shapelib as another program would write them: UTF-8 values
// stored in the code page of the language-driver byte, records marked deleted on request.
#include <gtest/gtest.h>
#include <shapefil.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/office/dbf_table.h"

namespace ld {

// A field's text as the dBase reader decodes it, before any rule takes it: what a test compares with the
// bytes it wrote.
struct TDbfTableProbe {
  static std::string Text(const TDbfTable& dbf, std::string_view field) { return dbf.Text(dbf.FieldIndex(field)); }
};

}  // namespace ld

namespace ld::test {

inline std::string DbfFieldText(const TDbfTable& dbf, std::string_view field) { return TDbfTableProbe::Text(dbf, field); }

struct DbfField {
  std::string name;
  char type = 'C';  // 'C' character, 'N' numeric; any other letter a field of raw bytes (see below)
  int width = 20;
  int decimals = 0;
};

using DbfRow = std::vector<std::string>;

// Writes the table; every value is stored as its bytes (left-aligned, blank-padded), so a test decides
// how a number looks in the file. languageDriver 201, 3 and 87 store Windows-1251, any other value code
// page 866. A field of another type than 'C' and 'N' (the binary numbers of later dBase variants) takes
// its values as raw bytes, exactly as wide as the field (see the Dbf... helpers below).
inline void WriteDbf(const std::string& path, const std::vector<DbfField>& fields, const std::vector<DbfRow>& rows,
                     const std::set<int>& deleted = {}, int languageDriver = 38) {
  DBFHandle h = DBFCreateEx(path.c_str(), "LDID/38");
  ASSERT_NE(h, nullptr) << path;
  const auto raw = [&](std::size_t c) { return fields[c].type != 'C' && fields[c].type != 'N'; };
  for (const DbfField& f : fields) {
    if (f.type == 'C' || f.type == 'N')
      ASSERT_GE(DBFAddField(h, f.name.c_str(), f.type == 'N' ? FTDouble : FTString, f.width, f.decimals), 0);
    else
      ASSERT_GE(DBFAddNativeFieldType(h, f.name.c_str(), f.type, f.width, f.decimals), 0);
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < fields.size() && c < rows[r].size(); ++c) {
      if (raw(c)) {  // blank for now, its bytes go in after the file is closed
        char blank[] = "";
        DBFWriteAttributeDirectly(h, static_cast<int>(r), static_cast<int>(c), blank);
        continue;
      }
      const bool windows = languageDriver == 201 || languageDriver == 3 || languageDriver == 87;
      std::string bytes = windows ? Utf8ToCp1251(rows[r][c]) : Utf8ToCp866(rows[r][c]);
      DBFWriteAttributeDirectly(h, static_cast<int>(r), static_cast<int>(c), bytes.data());
    }
    if (fields.size() > rows[r].size() || rows[r].empty())
      for (std::size_t c = rows[r].size(); c < fields.size(); ++c) {
        char blank[] = "";
        DBFWriteAttributeDirectly(h, static_cast<int>(r), static_cast<int>(c), blank);
      }
    if (deleted.count(static_cast<int>(r) + 1)) DBFMarkRecordDeleted(h, static_cast<int>(r), 1);
  }
  DBFClose(h);
  std::FILE* patch = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(patch, nullptr);
  unsigned char head[12] = {};
  ASSERT_EQ(std::fread(head, 1, sizeof head, patch), sizeof head);
  const long headerLength = head[8] | (head[9] << 8), recordLength = head[10] | (head[11] << 8);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    long offset = headerLength + static_cast<long>(r) * recordLength + 1;
    for (std::size_t c = 0; c < fields.size(); offset += fields[c++].width) {
      if (!raw(c) || c >= rows[r].size() || rows[r][c].empty()) continue;  // empty: left blank
      ASSERT_EQ(rows[r][c].size(), static_cast<std::size_t>(fields[c].width)) << fields[c].name;
      std::fseek(patch, offset, SEEK_SET);
      std::fwrite(rows[r][c].data(), 1, rows[r][c].size(), patch);
    }
  }
  std::fclose(patch);
  if (languageDriver != 38) {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 29, SEEK_SET);
    std::fputc(languageDriver, f);
    std::fclose(f);
  }
}

// The bytes of the binary number fields: a little-endian integer of `width` bytes ('I'), a little-endian
// double ('B'), the dBase level 7 double ('O': big-endian, the sign bit set for a positive value, every
// bit inverted for a negative one) and a currency in ten-thousandths ('Y').
inline std::string DbfLittle(std::uint64_t value, int width) {
  std::string bytes;
  for (int i = 0; i < width; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
  return bytes;
}
inline std::string DbfInteger(std::int64_t value, int width = 4) { return DbfLittle(static_cast<std::uint64_t>(value), width); }
inline std::string DbfDouble(double value) { return DbfLittle(std::bit_cast<std::uint64_t>(value), 8); }
inline std::string DbfLevel7Double(double value) {
  std::uint64_t u = std::bit_cast<std::uint64_t>(value);
  u = (u >> 63) != 0 ? ~u : u | (std::uint64_t{1} << 63);
  std::string bytes;
  for (int i = 7; i >= 0; --i) bytes.push_back(static_cast<char>(u >> (8 * i)));
  return bytes;
}
inline std::string DbfCurrency(std::int64_t tenThousandths) { return DbfInteger(tenThousandths, 8); }

// A table's bytes as WriteDbf made them with `padding` put between the descriptors' terminator and the
// first record, the header's length grown by as many bytes. One zero byte there is how Clipper and its
// successors end a header.
inline std::string DbfWithPadding(std::string bytes, const std::string& padding) {
  const std::size_t header = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
  bytes.insert(header, padding);
  const std::size_t grown = header + padding.size();
  bytes[8] = static_cast<char>(grown & 0xFF);
  bytes[9] = static_cast<char>(grown >> 8);
  return bytes;
}
inline std::string DbfClipper(const std::string& bytes) { return DbfWithPadding(bytes, std::string(1, '\0')); }
// The same table as Visual FoxPro writes it: version byte 0x30 and the 263 bytes of its database's name,
// filled up with zero bytes.
inline std::string DbfFoxPro(const std::string& bytes, const std::string& database = "..\\district.dbc") {
  std::string made = DbfWithPadding(bytes, database + std::string(263 - database.size(), '\0'));
  made[0] = '\x30';
  return made;
}

// What a dBase import says when a record's text is longer than the table's field it goes to.
inline std::string TooLong(const std::string& file, int record, const std::string& field, const std::string& text,
                    const std::string& title, int most) {
  const std::string shown = Utf8Length(text) > 40 ? Utf8Left(text, 40) + "..." : text;
  return "Ошибка чтения файла \"" + file + "\": строка " + std::to_string(record) + ", поле " + field + ": текст \"" +
         shown + "\" не поместится в поле \"" + title + "\": в поле не больше " + std::to_string(most) +
         " символов, а в тексте " + std::to_string(Utf8Length(text));
}

}  // namespace ld::test
