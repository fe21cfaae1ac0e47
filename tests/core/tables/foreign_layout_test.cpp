// A table file whose layout name the layout file lacks (a damaged or foreign file) is refused by the
// file's own name, so the user knows which file to look at.
#include <gtest/gtest.h>

#include "core/base/codepage.h"
#include "tables_fixture.h"

namespace ld::test {
namespace {

TEST(ForeignLayout, RefusedByTheFileName) {
  TempDir dir;
  LayoutScope scope(dir, "Name=Проба\nExtention=.PRB\nCount=1\nOrder=\nl,50,9,0,1,1,0,0,Nr,Номер\n");
  const std::string file = dir / "t.PRB";
  TDataFile t;
  ReadMaket("Проба", t);
  CreateColumns(t, 1);
  WriteTableFile(file, t);
  std::string bytes = ReadBytes(file);
  const std::string name = Utf8ToCp1251("Проба");
  const std::size_t at = bytes.find(name);
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, name.size(), Utf8ToCp1251("Пробк"));
  WriteBytes(file, bytes);
  TDataFile read;
  EXPECT_EQ(ErrorOf([&] { ReadTableFile(file, read); }),
            "Ошибка чтения файла \"" + file + "\": Макет \"Пробк\" не найден в файле \"" + MaketFileName + "\"");
  EXPECT_EQ(ErrorOf([&] { ReadColumnFromFile(file, "Nr"); }).rfind("Ошибка чтения файла \"" + file + "\"", 0), 0u);
}

}  // namespace
}  // namespace ld::test
