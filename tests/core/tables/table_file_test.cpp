#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/base/file_replace.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

using test::I32;
using test::LayoutScope;
using test::Raw;
using test::Short;
using test::ErrorOf;
using test::TempDir;

const char kSample[] =
    "Name=Проба\nExtention=.PRB\nCount=6\nOrder=1\n"
    "l,50,9,0,1,1,0,0,Nr,Номер\ns,120,20,0,1,1,0,0,Name,Имя\nt,60,4,0,1,1,0,0,Code,Код\n"
    "d,70,15,3,1,1,0,0,P,P\nb,30,3,0,1,1,0,0,Flag,Флаг\nf,60,9,3,1,1,0,0,Q,Q\n";

// Set row by row through the cell texts: fields joined by "|", rows by ";".
void Fill(TDataFile& t, const std::string& rows) {
  int row = 1, col = 1;
  std::string text;
  for (const char c : rows + ";") {
    if (c != '|' && c != ';') {
      text.push_back(c);
      continue;
    }
    SetCellText(t, row, col, text);
    text.clear();
    c == '|' ? ++col : (++row, col = 1);
  }
}

// The raw texts of the fields in every row, joined the same way.
std::string Rows(const TDataFile& t, std::initializer_list<const char*> fields) {
  std::string out;
  for (int row = 1; row <= t.RowCount; ++row) {
    for (const char* field : fields) out += GetCellText(t, row, FindColumnIndex(field, t), true) + "|";
    out.back() = ';';
  }
  return out;
}

// Two rows of every kind of column, and a computed column that must never reach a file.
void FillSample(TDataFile& t, int rows = 2) {
  ReadMaket("Проба", t);
  CreateColumns(t, rows);
  t.Title = "Тестовая таблица";
  if (rows == 2) Fill(t, "101|Узел 1|ТП|1.5|1|2.5;-7||||0|");
  if (rows == 2) (*t.MarkRec)[2] = 16;
  t.NCols = 7;
  t.ColType[7] = 'l';
  t.FieldName[7] = "Cmp*";
  t.Columns[7] = NewColumnArray('l', rows, 0);
  (*static_cast<DALongint*>(t.Columns[7].get()))[1] = 99;
}

std::string SampleBytes() {
  return std::string("\x06ZREGIM") + Short("Проба") + Short("Тестовая таблица") + I32(2) +
         "\x0CRESTRUCTURED" + std::string("\x00\x10", 2) +
         Short("Nr") + "l" + I32(8) + I32(101) + I32(-7) +
         Short("Name") + "s" + I32(8) + Short("Узел 1") + Short("") +
         Short("Code") + "t" + I32(10) + "\x02" + Utf8ToCp1251("ТП") + std::string(7, '\0') +
         Short("P") + "d" + I32(16) + Raw(1.5) + Raw(0.0) +
         Short("Flag") + "b" + I32(2) + std::string("\x01\x00", 2) +
         Short("Q") + "f" + I32(8) + Raw(2.5f) + Raw(0.0f);
}

TEST(TableFile, WritesTheFileLayoutByteForByteAndReadsItBack) {
  TempDir dir;
  LayoutScope scope(dir, kSample);
  const std::string file = dir / "t.PRB";
  TDataFile t;
  FillSample(t);
  WriteTableFile(file, t);
  EXPECT_EQ(test::ReadBytes(file), SampleBytes());
  EXPECT_FALSE(std::filesystem::exists(file + "~"));
  EXPECT_TRUE(t.FileDate.Known());

  TDataFile r;
  ReadTableFile(file, r);
  EXPECT_EQ(r.Title + "/" + std::to_string(r.RowCount) + "/" + std::to_string(r.NCols), "Тестовая таблица/2/6");
  EXPECT_EQ(r.FileDate, t.FileDate);
  // The same bytes again from what was read: no value, text or mark is lost or added on the way.
  WriteTableFile(file, r);
  EXPECT_EQ(test::ReadBytes(file), SampleBytes());

  // No rows: the header, the marker and one empty section per stored column.
  TDataFile empty;
  FillSample(empty, 0);
  WriteTableFile(dir / "e.PRB", empty);
  EXPECT_EQ(test::ReadBytes(dir / "e.PRB"),
            std::string("\x06ZREGIM") + Short("Проба") + Short("Тестовая таблица") + I32(0) + "\x0CRESTRUCTURED" +
                Short("Nr") + "l" + I32(0) + Short("Name") + "s" + I32(0) + Short("Code") + "t" + I32(0) +
                Short("P") + "d" + I32(0) + Short("Flag") + "b" + I32(0) + Short("Q") + "f" + I32(0));
  ReadTableFile(dir / "e.PRB", r);
  EXPECT_EQ(r.RowCount, 0);
  EXPECT_TRUE(r.Columns[6]);

  EXPECT_EQ(ErrorOf([&] { ReadTableFile("", r); }), "Не задано имя файла");
  EXPECT_EQ(ErrorOf([&] { WriteTableFile("", t); }), "Не задано имя файла");
  EXPECT_EQ(ErrorOf([&] { ReadTableFile(dir / "нет.PRB", r); }),
            "Ошибка чтения файла \"" + (dir / "нет.PRB") + "\": файл не найден");

  // Or an empty table: only a name with nothing behind it gives one; what exists is read or refused.
  EXPECT_FALSE(ReadTableFileOrEmpty(dir / "нет.PRB", "Проба", r));
  EXPECT_EQ(std::to_string(r.RowCount) + "/" + std::to_string(r.NCols) + "/" + r.Name, "0/6/Проба");
  EXPECT_FALSE(std::filesystem::exists(dir / "нет.PRB"));
  EXPECT_TRUE(ReadTableFileOrEmpty(file, "Проба", r));
  EXPECT_EQ(r.RowCount, 2);
  std::filesystem::create_directory(dir / "папка.PRB");
  EXPECT_THROW(ReadTableFileOrEmpty(dir / "папка.PRB", "Проба", r), Error);
}

TEST(TableFile, RestructuresByFieldName) {
  TempDir dir;
  const std::string file = dir / "r.R";
  {
    LayoutScope v1(dir,
                   "Name=Ряд\nExtention=.R\nCount=6\nOrder=\n"
                   "l,50,9,0,1,1,0,0,Nr,Номер\ns,120,20,0,1,1,0,0,Name,Имя\nt,60,6,0,1,1,0,0,Code,Код\n"
                   "l,50,9,0,1,1,0,0,Num,Число\ns,90,20,0,1,1,0,0,Txt,Текст\nl,50,9,0,1,1,0,0,Old,Старое\n");
    TDataFile t;
    ReadMaket("Ряд", t);
    CreateColumns(t, 2);
    Fill(t, "|Шины 10 кВ|АБВГДЕ|12345|abc|5;2||X|-7|17|");
    WriteTableFile(file, t);
  }
  // The layout changed since: a column added, one dropped, two types changed (one of them into a
  // read-only column), a fixed string's capacity cut.
  LayoutScope v2(dir,
                 "Name=Ряд\nExtention=.R\nCount=6\nOrder=\n"
                 "l,50,9,0,1,1,0,0,Nr,Номер\nd,70,15,3,1,1,0,0,New,Новое\ns,60,3,0,0,1,0,0,Num,Число\n"
                 "l,50,9,0,1,1,0,0,Txt,Текст\nt,60,3,0,1,1,0,0,Code,Код\ns,120,20,0,1,1,0,0,Name,Имя\n");
  TDataFile r;
  ReadTableFile(file, r);
  EXPECT_EQ(Rows(r, {"Nr", "New", "Num", "Txt", "Code", "Name"}), "||123||АБВ|Шины 10 кВ;2||-7|17|X|;");

  // One column alone, in the layout's type; the fields a file holds; its row count.
  auto num = ReadColumnFromFile(file, "Num");
  EXPECT_EQ(num->TypeLetter(), 's');
  EXPECT_EQ(num->Count, 2);
  EXPECT_EQ(static_cast<DAString&>(*num).GetItem(1), "123");
  EXPECT_EQ(ReadColumnFromFile(file, "Old"), nullptr);  // the layout no longer knows it
  EXPECT_TRUE(FileHasField(file, "Old"));
  EXPECT_FALSE(FileHasField(file, "New"));
  EXPECT_EQ(ReadFileRowCount(file), 2);
  EXPECT_TRUE(IsTableFile(file));
  EXPECT_EQ(ErrorOf([&] { FileHasField(dir / "нет", "Nr"); }), "Ошибка чтения файла \"" + (dir / "нет") + "\": файл не найден");
}

TEST(TableFile, ReadsTheOldFormatWithoutNames) {
  TempDir dir;
  LayoutScope scope(dir,
                    "Name=Старый\nExtention=.O\nCount=4\nOrder=\nl,50,9,0,1,1,0,0,Nr,Номер\n"
                    "+s,90,20,0,1,1,0,0,Added,Новое\ns,90,20,0,1,1,0,0,Name,Имя\nf,60,9,3,1,1,0,0,P,P\n");
  const std::string body = std::string("\x06ZREGIM") + Short("Старый") + Short("Т") + I32(2) + I32(1) + I32(2) +
                           Short("а") + Short("бв") + Raw(1.5f) + Raw(2.5f);
  test::WriteBytes(dir / "m.O", body + std::string("\x05\x00", 2));
  test::WriteBytes(dir / "n.O", body);  // without marks at the end
  TDataFile r;
  ReadTableFile(dir / "m.O", r);
  EXPECT_EQ(Rows(r, {"Nr", "Added", "Name", "P"}), "1||а|1.5;2||бв|2.5;");
  EXPECT_EQ(r.MarkRec->Get(1), 5);
  ReadTableFile(dir / "n.O", r);
  EXPECT_EQ(Rows(r, {"Name"}) + std::to_string(r.MarkRec->Get(1)), "а;бв;0");
  EXPECT_FALSE(FileHasField(dir / "m.O", "Nr"));  // only files with sections have named fields
}

// Table files come from other workstations and old versions; none of them may take the reader past
// the bytes the file holds.
TEST(TableFile, DamagedFilesFailWithTheReadErrorAndNeverOverrun) {
  TempDir dir;
  LayoutScope scope(dir, kSample);
  const std::string file = dir / "d.PRB";
  const std::string readError = "Ошибка чтения файла \"" + file + "\"";
  const std::string good = SampleBytes();
  TDataFile r;
  int failures = 0;
  // A cut file says so, whatever part of it the cut fell in; one cut inside its signature is no table.
  for (std::size_t length = 0; length < good.size(); ++length) {
    test::WriteBytes(file, good.substr(0, length));
    const std::string error = ErrorOf([&] { ReadTableFile(file, r); });
    if (error != "<no error>") {
      EXPECT_EQ(error.substr(0, readError.size() + 2), readError + ": ") << "length " << length;
      const std::string reason = error.substr(std::min(error.size(), readError.size() + 2));
      if (length < 7)
        EXPECT_EQ(reason, "файл не является таблицей (в начале нет подписи ZREGIM)") << length;
      else
        EXPECT_EQ(reason.rfind("файл обрезан", 0), 0u) << "length " << length << ": " << reason;
      ++failures;
    }
    ASSERT_FALSE(std::filesystem::exists(file + ".inuse~")) << "the in-use mark stays after a failed read";
  }
  EXPECT_GT(failures, static_cast<int>(good.size()) - 8);  // only cuts at a section's end read whole

  // Each says what it declares and what the file holds.
  const std::string header = std::string("\x06ZREGIM") + Short("Проба") + Short("Т");
  const std::string declared = "заявлено строк ";
  for (const auto& [rows, reason] :
       {std::pair<std::int32_t, std::string>{-1, declared + "-1: число строк не может быть отрицательным"},
        {INT32_MIN, declared + std::to_string(INT32_MIN) + ": число строк не может быть отрицательным"},
        {3, "файл обрезан: на отметки строк (заявлено строк 3) нужно 3 байт, а до конца файла 2 байт"},
        {INT32_MAX, "файл обрезан: заявлено строк 2147483647, а после заголовка в файле 15 байт (не меньше байта на строку)"}}) {
    test::WriteBytes(file, header + I32(rows) + "\x0CRESTRUCTURED" + std::string(2, '\0'));
    EXPECT_EQ(ErrorOf([&] { ReadTableFile(file, r); }), readError + ": " + reason) << rows;
  }
  // A section that claims more bytes than the file holds, or a negative count.
  for (const auto& [size, reason] :
       {std::pair<std::int32_t, std::string>{-8, "столбец \"Nr\": заявлена длина -8 байт"},
        {9, "файл обрезан: на столбец \"Nr\" нужно 9 байт, а до конца файла 8 байт"},
        {INT32_MAX, "файл обрезан: на столбец \"Nr\" нужно 2147483647 байт, а до конца файла 8 байт"}}) {
    test::WriteBytes(file, header + I32(2) + "\x0CRESTRUCTURED" + std::string(2, '\0') + Short("Nr") + "l" +
                               I32(size) + I32(1) + I32(2));
    EXPECT_EQ(ErrorOf([&] { ReadTableFile(file, r); }), readError + ": " + reason) << size;
  }
  // Strings that run past their section; numbers that do not fill their rows.
  test::WriteBytes(file, header + I32(2) + "\x0CRESTRUCTURED" + std::string(2, '\0') + Short("Name") + "s" + I32(3) +
                             Short("ab") + Short("Flag") + "b" + I32(2) + std::string("\x01\x02", 2));
  EXPECT_EQ(ErrorOf([&] { ReadTableFile(file, r); }), readError + ": столбец \"Name\": прочитано текстов 1, а заявлено строк 2");
  test::WriteBytes(file, header + I32(2) + "\x0CRESTRUCTURED" + std::string(2, '\0') + Short("Nr") + "l" + I32(4) + I32(1));
  EXPECT_EQ(ErrorOf([&] { ReadTableFile(file, r); }),
            readError + ": столбец \"Nr\" занимает 4 байт, а заявлено строк 2 по 4 байт - это 8 байт");
  // Every other read of a table says why too.
  test::WriteBytes(file, "не таблица");
  for (const auto& read : std::vector<std::function<void()>>{[&] { ReadColumnFromFile(file, "Nr"); },
                                                              [&] { FileHasField(file, "Nr"); }})
    EXPECT_EQ(ErrorOf(read), readError + ": файл не является таблицей (в начале нет подписи ZREGIM)");

  // Random bytes after a header, and random damage anywhere in a good file.
  std::mt19937 random(20240611);
  for (int round = 0; round < 400; ++round) {
    std::string bytes = round % 2 ? good : header + I32(static_cast<std::int32_t>(random() % 5));
    for (std::size_t i = 0, noise = 1 + random() % 40; i < noise; ++i) {
      const auto b = static_cast<char>(random());
      round % 2 ? void(bytes[random() % bytes.size()] = b) : bytes.push_back(b);
    }
    test::WriteBytes(file, bytes);
    ErrorOf([&] { ReadTableFile(file, r); });
  }
}

// A header that declares more rows than the rest of the file can hold is refused before the rows are
// allocated, in both formats; as many rows as fit are read.
TEST(TableFile, RowsBeyondWhatTheFileCanHoldAreRefusedByThatLimit) {
  TempDir dir;
  LayoutScope scope(dir, kSample);
  const std::string file = dir / "big.PRB";
  const std::string header = std::string("\x06ZREGIM") + Short("Проба") + Short("Т");
  const std::int32_t rows = 100000;
  TDataFile r;
  // New format: a mark for each row and one byte column; half of the rows fit.
  test::WriteBytes(file, header + I32(rows) + "\x0CRESTRUCTURED" + std::string(rows, '\0') + Short("Flag") + "b" +
                             I32(rows / 2) + std::string(rows / 2, '\1'));
  EXPECT_EQ(ErrorOf([&] { ReadTableFile(file, r); }),
            "Ошибка чтения файла \"" + file + "\": заявлено строк 100000, а файл этого размера вмещает не более 75005 "
            "(предел числа строк по размеру файла)");
  // Old format: every row takes 4 + 1 + 5 + 8 + 1 + 4 = 23 bytes of its columns at least.
  test::WriteBytes(file, header + I32(rows) + std::string(rows * 23 - 1, '\0'));
  EXPECT_EQ(ErrorOf([&] { ReadTableFile(file, r); }),
            "Ошибка чтения файла \"" + file + "\": заявлено строк 100000, а файл этого размера вмещает не более 99999 "
            "(предел числа строк по размеру файла)");
  // As many rows as the file holds, each of its own.
  test::WriteBytes(file, header + I32(rows) + "\x0CRESTRUCTURED" + std::string(rows, '\0') + Short("Flag") + "b" +
                             I32(rows) + std::string(rows, '\1'));
  ReadTableFile(file, r);
  EXPECT_EQ(r.RowCount, rows);
}

TEST(TableFile, TheBufferedWriterKeepsEveryByteInPlaceOverManyMegabytes) {
  TempDir dir;
  const std::string file = dir / "body.bin";
  fileio::TFd fd(::open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  ASSERT_TRUE(fd.IsOpen());
  fileio::TFileWriter out(fd.Get());
  std::string expected;
  out.WriteInt32(0);  // the length, patched once the disk has long been given the start
  expected += I32(0);
  std::mt19937 random(7);
  while (expected.size() < static_cast<std::size_t>(2 * TWriteBehind::kStep + 1000)) {
    std::string piece(random() % 3 == 0 ? fileio::TFileWriter::kCapacity + random() % 5000 : random() % 3000, '\0');
    for (char& c : piece) c = static_cast<char>(random());
    if (piece.size() < 2000) {
      char* room = out.Room(piece.size());
      ASSERT_NE(room, nullptr);
      std::copy(piece.begin(), piece.end(), room);
      out.Commit(piece.size());
    } else {
      out.Write(piece.data(), piece.size());
    }
    expected += piece;
  }
  out.PatchInt32(0, static_cast<std::int32_t>(expected.size()));
  expected.replace(0, 4, I32(static_cast<std::int32_t>(expected.size())));
  ASSERT_TRUE(out.Flush());
  EXPECT_EQ(out.Pos(), static_cast<std::int64_t>(expected.size()));
  // The stamp of a write is the hash of the bytes as they went out, the length patched in included.
  const std::uint64_t hash = HashOfBytes(expected.data(), expected.size());
  EXPECT_EQ(out.Hash(), hash);
  EXPECT_TRUE(fd.Close());
  EXPECT_TRUE(test::ReadBytes(file) == expected);

  // A read takes what it needs in any order, windows overlapping and parts never asked for: the hash
  // of the bytes it took, and of those it left read at the end, is that of the whole file.
  const fileio::TFd in(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  fileio::TFileReader reader(in.Get(), static_cast<std::int64_t>(expected.size()));
  std::string piece;
  for (int k = 0; k < 40; ++k) {
    const std::size_t at = random() % expected.size();
    piece.resize(std::min<std::size_t>(expected.size() - at, k % 4 == 0 ? 400000 + random() % 9000 : random() % 5000));
    reader.Seek(static_cast<std::int64_t>(at));
    ASSERT_TRUE(reader.Read(piece.data(), piece.size()));
    ASSERT_TRUE(piece == expected.substr(at, piece.size()));
  }
  std::uint64_t whole = 0;
  ASSERT_TRUE(reader.HashWhole(whole));
  EXPECT_EQ(whole, hash);
}

}  // namespace
}  // namespace ld
