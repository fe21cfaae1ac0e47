// Texts in table files: every length a short string can have, Cyrillic and characters without a
// Windows-1251 code, columns of empty texts, fixed strings without room, and the byte-exact round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

using test::ErrorOf;
using test::I32;
using test::LayoutScope;
using test::Short;
using test::TempDir;

const char kTexts[] =
    "Name=Тексты\nExtention=.TXT\nCount=4\nOrder=1\n"
    "s,120,255,0,1,1,0,0,Text,Текст\ns,120,40,0,1,1,0,0,Empty,Пусто\nt,60,0,0,1,1,0,0,None,Без места\n"
    "t,60,255,0,1,1,0,0,Wide,Широкий\n";

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(StringColumn, EveryLengthAndCodeRoundTripsByteForByte) {
  TempDir dir;
  LayoutScope scope(dir, kTexts);
  std::string every;  // every Windows-1251 character, in runs of Latin ones and others
  for (int b = 1; b < 256; ++b) every.push_back(static_cast<char>(b));
  const std::vector<std::string> texts = {"",
                                          "a",
                                          Repeat("я", 254),
                                          Repeat("Ж", 255),
                                          "Подстанция №5 «Восток» — ёЁїЇ",
                                          "ТП-1 日",
                                          Cp1251ToUtf8(every)};
  const int rows = static_cast<int>(texts.size()) + 1;
  TDataFile t;
  ReadMaket("Тексты", t);
  EXPECT_EQ(MaxTableRows(t), 0);  // no arrays yet
  CreateColumns(t, rows);
  // the rows a table can hold are those of its widest element, the 255-character fixed string
  EXPECT_EQ(MaxTableRows(t), 0x7FFFFFF / 256);
  t.Title = "Т";
  auto* text = GetColumnAs<DAString>("Text", t);
  auto* wide = GetColumnAs<DAFstring>("Wide", t);
  for (int row = 1; row < rows; ++row) {
    text->SetItem(row, texts[row - 1]);
    wide->SetItem(row, texts[row - 1]);
  }
  text->SetItem(rows, Repeat("ф", 256));  // cut to 255 characters on the way in
  wide->SetItem(rows, Repeat("ф", 256));
  GetColumnAs<DAFstring>("None", t)->SetItem(2, "не поместится");

  // Expected bytes: short strings in Windows-1251, '?' for a character without a code.
  std::vector<std::string> coded;
  for (const std::string& s : texts) coded.push_back(Utf8ToCp1251(s));
  coded.push_back(std::string(255, '\xF4'));
  std::string textSection, emptySection(static_cast<std::size_t>(rows), '\0'), wideSection;
  for (const std::string& c : coded) {
    textSection += std::string(1, static_cast<char>(c.size())) + c;
    wideSection += std::string(1, static_cast<char>(c.size())) + c + std::string(255 - c.size(), '\0');
  }
  EXPECT_EQ(coded[5], "\xD2\xCF-1 ?");
  EXPECT_EQ(coded[6].size(), 255u);
  const std::string expected = std::string("\x06ZREGIM") + Short("Тексты") + Short("Т") + I32(rows) +
                               "\x0CRESTRUCTURED" + std::string(static_cast<std::size_t>(rows), '\0') +
                               Short("Text") + "s" + I32(static_cast<std::int32_t>(textSection.size())) + textSection +
                               Short("Empty") + "s" + I32(rows) + emptySection + Short("None") + "t" + I32(rows) +
                               std::string(static_cast<std::size_t>(rows), '\0') + Short("Wide") + "t" +
                               I32(static_cast<std::int32_t>(wideSection.size())) + wideSection;
  const std::string file = dir / "a.TXT";
  WriteTableFile(file, t);
  ASSERT_EQ(test::ReadBytes(file), expected);

  TDataFile r;
  TColumnAttr<bool> stored{};
  ReadTableFile(file, r, stored);
  EXPECT_TRUE(stored[1] && stored[2] && stored[3] && stored[4]);
  const auto* readText = GetColumnAs<DAString>("Text", r);
  const auto* readEmpty = GetColumnAs<DAString>("Empty", r);
  for (int row = 1; row < rows; ++row) {
    EXPECT_EQ(readText->GetItem(row), Cp1251ToUtf8(coded[row - 1])) << row;
    EXPECT_EQ(GetColumnAs<DAFstring>("Wide", r)->GetItem(row), Cp1251ToUtf8(coded[row - 1])) << row;
    EXPECT_TRUE(readEmpty->IsSet(row));
    EXPECT_EQ(readEmpty->GetView(row), "");
  }
  EXPECT_EQ(readText->GetItem(rows), Repeat("ф", 255));
  EXPECT_EQ(GetCellText(r, 2, FindColumnIndex("None", r), true), "");
  t.FileDate = 0;
  WriteTableFile(file, r);
  EXPECT_EQ(test::ReadBytes(file), expected);

  // A file without the fixed-string column: it stays empty, and the read says it was not stored.
  const std::string shorter = std::string("\x06ZREGIM") + Short("Тексты") + Short("Т") + I32(1) + "\x0CRESTRUCTURED" +
                              std::string(1, '\0') + Short("Text") + "s" + I32(3) + Short("ab");
  test::WriteBytes(dir / "b.TXT", shorter);
  ReadTableFile(dir / "b.TXT", r, stored);
  EXPECT_EQ(std::to_string(stored[1]) + std::to_string(stored[2]) + std::to_string(stored[3]), "100");
  EXPECT_EQ(GetColumnAs<DAString>("Text", r)->GetItem(1), "ab");
  // Written back, a fixed string without room takes its length byte a row also when it has no array.
  r.Columns[FindColumnIndex("None", r)].reset();
  WriteTableFile(dir / "b.TXT", r);
  EXPECT_EQ(test::ReadBytes(dir / "b.TXT"), shorter + Short("Empty") + "s" + I32(1) + std::string(1, '\0') +
                                                Short("None") + "t" + I32(1) + std::string(1, '\0') + Short("Wide") +
                                                "t" + I32(256) + std::string(256, '\0'));
}

// Columns without a text across more rows than the write buffer holds, one never set and one emptied
// again, and then one text near the end.
TEST(StringColumn, ColumnsWithoutTextsOverManyRows) {
  TempDir dir;
  LayoutScope scope(dir, "Name=Пустые\nExtention=.PST\nCount=2\nOrder=1\n"
                         "s,120,40,0,1,1,0,0,A,А\ns,120,40,0,1,1,0,0,B,Б\n");
  constexpr int kRows = 300000;
  TDataFile t;
  ReadMaket("Пустые", t);
  CreateColumns(t, kRows);
  auto* b = GetColumnAs<DAString>("B", t);
  b->SetItem(7, "было");
  b->SetItem(7, "");
  const std::string zeros(kRows, '\0');
  auto expected = [&](const std::string& bSection) {
    return std::string("\x06ZREGIM") + Short("Пустые") + Short("") + I32(kRows) + "\x0CRESTRUCTURED" + zeros +
           Short("A") + "s" + I32(kRows) + zeros + Short("B") + "s" + I32(static_cast<std::int32_t>(bSection.size())) +
           bSection;
  };
  const std::string file = dir / "p.PST";
  WriteTableFile(file, t);
  EXPECT_EQ(test::ReadBytes(file), expected(zeros));
  b->SetItem(kRows - 1, "Я");
  WriteTableFile(file, t);
  EXPECT_EQ(test::ReadBytes(file), expected(std::string(kRows - 2, '\0') + "\x01\xDF" + std::string(1, '\0')));
}

// A single column read from a file: sections only; the old format has no names to find it by.
TEST(StringColumn, OneColumnFromAFileAndItsDamage) {
  TempDir dir;
  LayoutScope scope(dir, kTexts);
  const std::string file = dir / "c.TXT";
  const std::string good = std::string("\x06ZREGIM") + Short("Тексты") + Short("Т") + I32(2) + "\x0CRESTRUCTURED" +
                           std::string("\x03\x00", 2) + Short("Text") + "s" + I32(6) + Short("Уз") + Short("ел") +
                           Short("Wide") + "t" + I32(4) + Short("а") + Short("б");
  test::WriteBytes(file, good);
  const auto column = ReadColumnFromFile(file, "Text");
  ASSERT_TRUE(column);
  EXPECT_EQ(static_cast<DAString&>(*column).GetItem(1) + static_cast<DAString&>(*column).GetItem(2), "Узел");
  EXPECT_EQ(static_cast<DAFstring&>(*ReadColumnFromFile(file, "Wide")).GetItem(2), "б");
  EXPECT_EQ(ReadColumnFromFile(file, "MarkRec")->Count, 2);

  const std::string readError = "Ошибка чтения файла \"" + file + "\"";
  test::WriteBytes(file, std::string("\x06ZREGIM") + Short("Тексты") + Short("Т") + I32(1) + Short("ab") +
                             Short("") + std::string(1, '\0') + std::string(256, '\0'));
  // a file of the old format names no column
  for (const char* field : {"Text", "MarkRec"})
    EXPECT_EQ(ErrorOf([&] { ReadColumnFromFile(file, field); }),
              readError + ": файл старого формата, его столбцы не названы, и столбец \"" + field + "\" не найти");

  std::mt19937 random(20261207);
  for (int round = 0; round < 400; ++round) {
    std::string bytes = good;
    for (int k = 0, n = 1 + static_cast<int>(random() % 6); k < n; ++k) {
      bytes[random() % bytes.size()] = static_cast<char>(random());
    }
    if (round % 3 == 0) bytes.resize(random() % bytes.size());
    test::WriteBytes(file, bytes);
    for (const char* field : {"Text", "Wide", "MarkRec"}) {
      const std::string error = ErrorOf([&] { ReadColumnFromFile(file, field); });
      if (error != "<no error>" && error.find("Макет") == std::string::npos) {
        ASSERT_EQ(error.rfind(readError + ": ", 0), 0u) << round << field << " " << error;
        ASSERT_GT(error.size(), readError.size() + 2) << round << field << ": no reason";
      }
    }
  }
}

// A text column larger than a read takes at once: texts across the joins of the reads, runs of empty
// texts of every length between them, a last text that runs past the section's end. The empty cells read
// stay set (apart from rows never set) through sorting, inserting, deleting and exchanging rows.
TEST(StringColumn, LongColumnsOfTextsAndEmptyRunsReadWhole) {
  TempDir dir;
  LayoutScope scope(dir, "Name=Длинные\nExtention=.DLN\nCount=2\nOrder=2\n"
                         "s,120,255,0,1,1,0,0,Text,Текст\nl,45,9,0,1,1,0,0,Key,Ключ\n");
  constexpr int kRows = 120000;
  std::mt19937 random(33);
  std::vector<std::string> texts(kRows + 1);
  for (int row = 1; row <= kRows;) {
    row += static_cast<int>(random() % (row < kRows / 2 ? 40 : 3));  // a run of empty texts
    if (row > kRows) break;
    texts[static_cast<std::size_t>(row)] =
        row % 5 == 0 ? std::string(random() % 256, 'w') : "ТП-" + std::to_string(row);
    ++row;
  }
  texts[kRows] = "конец";
  TDataFile t;
  ReadMaket("Длинные", t);
  CreateColumns(t, kRows);
  for (int row = 1; row <= kRows; ++row) {
    GetColumnAs<DAString>("Text", t)->SetItem(row, texts[static_cast<std::size_t>(row)]);
    (*GetColumnAs<DALongint>("Key", t))[row] = kRows - row;
  }
  const std::string file = dir / "a.DLN";
  WriteTableFile(file, t);
  const std::string bytes = test::ReadBytes(file);
  ASSERT_GT(bytes.size(), 3u * 256 * 1024);

  TDataFile r;
  ReadTableFile(file, r);
  auto* read = GetColumnAs<DAString>("Text", r);
  for (int row = 1; row <= kRows; ++row) {
    ASSERT_EQ(read->GetView(row), texts[static_cast<std::size_t>(row)]) << row;
    ASSERT_TRUE(read->IsSet(row)) << row;
  }
  EXPECT_EQ(read->GetPtr(kRows + 1), nullptr);
  ASSERT_NE(read->GetPtr(1), nullptr);
  r.FileDate = 0;
  WriteTableFile(file, r);
  EXPECT_EQ(test::ReadBytes(file), bytes);

  // Sorted by the key the rows turn round, every one still set.
  bool changed = false;
  const std::uint8_t keys[] = {2};
  SortTable(r, 1, keys, changed);
  ASSERT_TRUE(changed);
  read = GetColumnAs<DAString>("Text", r);
  for (int row = 1; row <= kRows; ++row) {
    ASSERT_EQ(read->GetView(row), texts[static_cast<std::size_t>(kRows + 1 - row)]) << row;
    ASSERT_TRUE(read->IsSet(row)) << row;
  }
  EXPECT_FALSE(read->IsSet(kRows + 1));

  TDataFile e;
  ReadTableFile(file, e);
  read = GetColumnAs<DAString>("Text", e);
  const int empty = static_cast<int>(
      std::find_if(texts.begin() + 1, texts.end(), [](const std::string& x) { return x.empty(); }) - texts.begin());
  InsertTableRows(e, empty, 2);  // new rows are never set, the empty ones read keep theirs
  EXPECT_FALSE(read->IsSet(empty) || read->IsSet(empty + 1));
  EXPECT_EQ(read->GetPtr(empty), nullptr);
  EXPECT_TRUE(read->IsSet(empty + 2));
  EXPECT_EQ(read->GetView(empty + 2), "");
  ASSERT_NE(read->GetPtr(empty + 2), nullptr);
  DeleteTableRows(e, empty, empty + 1);
  for (int row = 1; row <= kRows; ++row) {
    ASSERT_TRUE(read->IsSet(row) && read->GetView(row) == texts[static_cast<std::size_t>(row)]) << row;
  }
  read->Exchange(empty, kRows + 3);
  EXPECT_TRUE(read->IsSet(kRows + 3));
  EXPECT_FALSE(read->IsSet(empty));
  read->SetNewEmpty(kRows + 3, kRows + 4);
  EXPECT_TRUE(read->IsSet(kRows + 4));

  // The last text runs past the end of its section: the file is damaged.
  std::string damaged = bytes;
  const std::size_t sectionEnd = bytes.find(Short("Key") + "l");
  ASSERT_NE(sectionEnd, std::string::npos);
  const std::size_t last = Utf8ToCp1251(texts[kRows]).size();
  ASSERT_EQ(static_cast<std::size_t>(static_cast<unsigned char>(bytes[sectionEnd - 1 - last])), last);
  damaged[sectionEnd - 1 - last] = static_cast<char>(last + 1);
  test::WriteBytes(file, damaged);
  EXPECT_EQ(ErrorOf([&] { ReadTableFile(file, e); }),
            "Ошибка чтения файла \"" + file + "\": столбец \"Text\": прочитано текстов " + std::to_string(kRows - 1) +
                ", а заявлено строк " + std::to_string(kRows));
}

}  // namespace
}  // namespace ld
