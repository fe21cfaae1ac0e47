#pragma once
// dBase files for the tests, written through shapelib as another program would write them: UTF-8 values
// stored in the code page of the language-driver byte, records marked deleted on request.
#include <gtest/gtest.h>
#include <shapefil.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "core/base/codepage.h"

namespace ld::test {

struct DbfField {
  std::string name;
  char type = 'C';  // 'C' character, 'N' numeric
  int width = 20;
  int decimals = 0;
};

using DbfRow = std::vector<std::string>;

// Writes the table; every value is stored as its bytes (left-aligned, blank-padded), so a test decides
// how a number looks in the file. languageDriver 201, 3 and 87 store Windows-1251, any other value code
// page 866.
inline void WriteDbf(const std::string& path, const std::vector<DbfField>& fields, const std::vector<DbfRow>& rows,
                     const std::set<int>& deleted = {}, int languageDriver = 38) {
  DBFHandle h = DBFCreateEx(path.c_str(), "LDID/38");
  ASSERT_NE(h, nullptr) << path;
  for (const DbfField& f : fields)
    ASSERT_GE(DBFAddField(h, f.name.c_str(), f.type == 'N' ? FTDouble : FTString, f.width, f.decimals), 0);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < fields.size() && c < rows[r].size(); ++c) {
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
  if (languageDriver != 38) {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 29, SEEK_SET);
    std::fputc(languageDriver, f);
    std::fclose(f);
  }
}

}  // namespace ld::test
