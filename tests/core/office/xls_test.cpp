// Legacy workbooks built record by record: texts, numbers and dates come back with their kinds, in
// every way the format stores them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/office/compound_file.h"
#include "core/office/sheet_raw_cells.h"
#include "core/office/sheet_reader.h"
#include "core/office/workbook.h"
#include "core/office/xls_file.h"
#include "support/test_env.h"
#include "support/xls_builder.h"

namespace ld::test {
namespace {

// Little-endian record fields.
struct Rec {
  std::string s;
  Rec& U8(unsigned v) { return s.push_back(static_cast<char>(v)), *this; }
  Rec& U16(unsigned v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
  Rec& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Rec& F64(double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, 8);
    return U32(static_cast<std::uint32_t>(bits)).U32(static_cast<std::uint32_t>(bits >> 32));
  }
  Rec& Wide(const std::string& utf8) {
    for (std::size_t i = 0; i < utf8.size();) U16(NextUtf8Char(utf8, i));
    return *this;
  }
  Rec& Bytes(const std::string& bytes) { return s += bytes, *this; }
};
std::string Record(unsigned type, const Rec& body) { return Rec().U16(type).U16(unsigned(body.s.size())).s + body.s; }

TEST(Xls, ReadsTextsNumbersAndDatesOfALegacyWorkbook) {
  TempDir dir;
  const std::string path = dir / "old.xls";
  const std::string bytes = BuildXls({{XlsCell::Text, 1, 1, 0, "Фидер"},
                                      {XlsCell::Text, 1, 2, 0, "Дата"},
                                      {XlsCell::Number, 2, 1, 12.75, ""},
                                      {XlsCell::Date, 2, 2, DateSerial(2024, 2, 29), ""},
                                      {XlsCell::Text, 3, 3, 0, "Фидер"}});
  WriteBytes(path, bytes);
  const auto book = ReadWorkbook(path);
  ASSERT_EQ(book.sheets.size(), 1u);
  const office::TRawSheet& s = book.sheets[0];
  EXPECT_EQ(s.Name(), "Лист1");
  EXPECT_EQ(s.CellText(1, 1), "Фидер");
  EXPECT_EQ(s.CellText(1, 2), "Дата");
  EXPECT_EQ(s.Cell(2, 1).kind, CellKind::Number);
  EXPECT_EQ(s.Cell(2, 1).number, 12.75);
  EXPECT_EQ(s.Cell(2, 2).kind, CellKind::Date);
  EXPECT_EQ(s.CellText(2, 2), "29.02.2024");
  EXPECT_EQ(s.CellText(3, 3), "Фидер");
  EXPECT_TRUE(s.IsEmpty(3, 1));

  // The same workbook stream grown to 13,800 sectors: its allocation table takes 109 sectors, all
  // named in the header, the last of them mapping the stream's tail.
  std::string stream = bytes.substr(512 * 3);
  stream.resize(13800 * 512, '\0');
  const std::string large = XlsContainer(stream);
  ASSERT_EQ(large.size(), 512u * (1 + 109 + 1 + 13800));
  WriteBytes(path, large);
  EXPECT_EQ(ReadWorkbook(path).sheets.at(0).CellText(3, 3), "Фидер");

  // a text cell naming a text past the workbook's table is damage, named with its cell
  WriteBytes(path, WithTextIndex(bytes, 3, 3, 2));  // the third of two texts
  // The first-sheet reader keeps the sheet's own texts after the book's in one table: there a cell
  // naming the entry just past the book's texts would read the text of an earlier cell, not crash.
  const std::string ownText = dir / "own.xls";
  {
    std::string globals = Record(0x0809, Rec().U16(0x0600).U16(5).U32(0).U32(0)) +
                          Record(0x00FC, Rec().U32(2).U32(2).U16(2).U8(0).Bytes("A1").U16(2).U8(0).Bytes("B2"));
    const auto sheets = [](std::size_t at) {
      return Record(0x0085, Rec().U32(std::uint32_t(at)).U8(0).U8(0).U8(1).U8(0).Bytes("S")) + Record(0x000A, Rec());
    };
    globals += sheets(globals.size() + sheets(0).size());
    const std::string sheet = Record(0x0809, Rec().U16(0x0600).U16(0x10).U32(0).U32(0)) +
                              Record(0x0204, Rec().U16(0).U16(0).U16(0).U16(2).U8(1).Wide("ТП")) +
                              Record(0x00FD, Rec().U16(1).U16(1).U16(0).U32(2)) + Record(0x000A, Rec());
    WriteBytes(ownText, XlsContainer(globals + sheet));
  }
  try {
    TSheetReader reader;
    reader.Open(ownText);
    ADD_FAILURE() << "the entry past the book's two texts read as \"" << office::TRawCells(reader).Cell(2, 2) << "\"";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Ошибка чтения файла \"" + ownText +
                  "\": файл поврежден (ссылка на строку вне таблицы строк, лист \"S\", ячейка B2)");
  }
  try {
    ReadWorkbook(path);
    ADD_FAILURE() << "a text past the table was read";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + path +
                                         "\": файл поврежден (ссылка на строку вне таблицы строк, лист \"Лист1\", ячейка C3)");
  }

  WriteBytes(path, bytes.substr(0, 700));
  try {
    ReadWorkbook(path);
    ADD_FAILURE() << "a cut workbook was read";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Ошибка чтения файла \"" + path + "\": файл поврежден (таблица размещения длиннее файла)");
  }
}

TEST(Xls, ReadsEveryCellRecordOfBothVersions) {
  // BIFF8: 1904 dates, a custom date format, shared strings split over a continuation, a chart sheet.
  std::string globals = Record(0x0809, Rec().U16(0x0600).U16(5).U32(0).U32(0)) + Record(0x0042, Rec().U16(1200)) +
                        Record(0x0022, Rec().U16(1)) + Record(0x041E, Rec().U16(164).U16(10).U8(0).Bytes("dd.mm.yyyy"));
  for (const unsigned format : {0u, 164u, 2u}) globals += Record(0x00E0, Rec().U16(0).U16(format).Bytes(std::string(16, '\0')));
  // "Подстанция" begins wide in the strings record and goes on in the continuation, there as one byte a
  // character would not hold it, so the continuation says wide again.
  globals += Record(0x00FC, Rec().U32(2).U32(2).U16(3).U8(0).Bytes("abc").U16(10).U8(1).Wide("Подст"));
  globals += Record(0x003C, Rec().U8(1).Wide("анция"));
  const auto sheets = [](std::size_t at) {
    return Record(0x0085, Rec().U32(0).U8(0).U8(2).U8(1).U8(0).Bytes("D")) +  // a chart: no cells
           Record(0x0085, Rec().U32(std::uint32_t(at)).U8(0).U8(0).U8(5).U8(1).Wide("Замер")) + Record(0x000A, Rec());
  };
  globals += sheets(globals.size() + sheets(0).size());
  std::string sheet = Record(0x0809, Rec().U16(0x0600).U16(0x10).U32(0).U32(0));
  sheet += Record(0x027E, Rec().U16(0).U16(0).U16(0).U32((1234u << 2) | 0x3));         // 12.34 as an integer / 100
  sheet += Record(0x00BD, Rec().U16(1).U16(0).U16(0).U32(7u << 2 | 2).U16(1).U32(7u << 2 | 2).U16(1));  // 7, a date
  sheet += Record(0x00FD, Rec().U16(2).U16(0).U16(0).U32(1));
  sheet += Record(0x0204, Rec().U16(2).U16(1).U16(0).U16(2).U8(1).Wide("ТП"));
  sheet += Record(0x0006, Rec().U16(3).U16(0).U16(0).U32(0).U32(0xFFFF0000).Bytes(std::string(6, '\0')));
  sheet += Record(0x0207, Rec().U16(5).U8(0).Bytes("Caf\xE9!"));  // one byte a character: Latin-1
  sheet += Record(0x0006, Rec().U16(3).U16(1).U16(0).U32(0x00010001).U32(0xFFFF0000).Bytes(std::string(6, '\0')));
  sheet += Record(0x0205, Rec().U16(3).U16(2).U16(0).U8(1).U8(0));
  sheet += Record(0x0205, Rec().U16(3).U16(3).U16(0).U8(7).U8(1));  // an error value: unreadable
  sheet += Record(0x0203, Rec().U16(4).U16(0).U16(1).F64(1e300));  // a date format on no date: a number
  sheet += Record(0x000A, Rec());
  TempDir dir;
  const std::string path = dir / "all.xls";
  WriteBytes(path, XlsContainer(globals + sheet));
  auto book = ReadWorkbook(path);
  ASSERT_EQ(book.sheets.size(), 1u);
  const office::TRawSheet& s = book.sheets[0];
  EXPECT_EQ(s.Name(), "Замер");
  EXPECT_EQ(s.Cell(1, 1).number, 12.34);
  EXPECT_EQ(s.Cell(2, 1).kind, CellKind::Number);
  EXPECT_EQ(s.CellText(2, 2), DateSerialText(7 + 1462));  // 8.1.1904
  EXPECT_EQ(s.CellText(2, 2), "08.01.1904");
  EXPECT_EQ(s.CellText(3, 1), "Подстанция");
  EXPECT_EQ(s.CellText(3, 2), "ТП");
  EXPECT_EQ(s.CellText(4, 1), "Café!");
  // a formula's boolean result and a typed boolean are no numbers, an error value no empty cell: each is
  // refused naming it
  for (const auto& [col, reason] : std::vector<std::pair<int, std::string>>{
           {2, "B4: логическое значение \"ИСТИНА\""}, {3, "C4: логическое значение \"ИСТИНА\""},
           {4, "D4: значение ошибки \"#DIV/0!\""}}) {
    try {
      s.IsEmpty(4, col);
      ADD_FAILURE() << col << " was read";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + path + "\": лист \"Замер\", ячейка " + reason);
    }
  }
  EXPECT_EQ(s.Cell(5, 1).kind, CellKind::Number);
  EXPECT_EQ(s.Cell(5, 1).number, 1e300);

  // BIFF5: texts are bytes of the workbook's code page.
  std::string old = Record(0x0809, Rec().U16(0x0500).U16(5).U32(0));
  const std::string name = Utf8ToCp1251("Лист");
  const std::size_t oldSheetAt = old.size() + 4 + (7 + name.size()) + 4;
  old += Record(0x0085, Rec().U32(std::uint32_t(oldSheetAt)).U8(0).U8(0).U8(unsigned(name.size())).Bytes(name));
  old += Record(0x000A, Rec());
  ASSERT_EQ(old.size(), oldSheetAt);
  const std::string text = Utf8ToCp1251("Фидер №2");
  old += Record(0x0809, Rec().U16(0x0500).U16(0x10).U32(0));
  old += Record(0x0204, Rec().U16(0).U16(0).U16(0).U16(unsigned(text.size())).Bytes(text));
  old += Record(0x000A, Rec());
  WriteBytes(path, XlsContainer(old));
  book = ReadWorkbook(path);
  ASSERT_EQ(book.sheets.size(), 1u);
  EXPECT_EQ(book.sheets[0].Name(), "Лист");
  EXPECT_EQ(book.sheets[0].CellText(1, 1), "Фидер №2");

  // Two sheet entries naming the same records are a damaged workbook, not twice the work.
  const std::string bof = Record(0x0809, Rec().U16(0x0500).U16(5).U32(0));
  const std::string entry = Record(0x0085, Rec().U32(std::uint32_t(bof.size() + 2 * 12 + 4)).U8(0).U8(0).U8(1).Bytes("A"));
  WriteBytes(path, XlsContainer(bof + entry + entry + Record(0x000A, Rec()) + old.substr(oldSheetAt)));
  try {
    ReadWorkbook(path);
    ADD_FAILURE() << "overlapping sheets were read";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + path + "\": файл поврежден (листы книги перекрываются)");
  }
}

// A BIFF8 workbook of these sheets, each its name and its cell records, in their order.
// extra: records of the book's globals after its BOF (a RECALCID, 0x01C1, as spreadsheet programs write it).
std::string Sheets(const std::vector<std::pair<std::string, std::string>>& sheets, const std::string& extra = {}) {
  const std::string bof = Record(0x0809, Rec().U16(0x0600).U16(5).U32(0).U32(0)) + extra;
  const auto entry = [](std::size_t at, const std::string& name) {
    return Record(0x0085, Rec().U32(std::uint32_t(at)).U8(0).U8(0).U8(unsigned(Utf8Length(name))).U8(1).Wide(name));
  };
  std::size_t at = bof.size() + Record(0x000A, Rec()).size();
  for (const auto& [name, cells] : sheets) at += entry(0, name).size();
  std::string globals = bof, bodies;
  for (const auto& [name, cells] : sheets) {
    globals += entry(at + bodies.size(), name);
    bodies += Record(0x0809, Rec().U16(0x0600).U16(0x10).U32(0).U32(0)) + cells + Record(0x000A, Rec());
  }
  return XlsContainer(globals + Record(0x000A, Rec()) + bodies);
}

// A formula's record with its result's eight bytes (a number's, or a kind below 0xFFFF in its top bytes).
std::string Formula(unsigned row, unsigned col, std::uint64_t result) {
  return Record(0x0006, Rec().U16(row).U16(col).U16(0).U32(std::uint32_t(result)).U32(std::uint32_t(result >> 32))
                            .U16(0).U32(0).U16(3).U8(0x1E).U16(1));
}
std::uint64_t NumberResult(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}
constexpr std::uint64_t kEmptyText = 0xFFFF000000000003;
std::uint64_t ErrorResult(unsigned code) { return 0xFFFF000000000002 | std::uint64_t{code} << 16; }

// The format stores the empty text as the result of a formula never calculated (as programs that write
// workbooks without calculating them do for every formula) and of one that gives "": a book that names the
// engine that calculated it (RECALCID) holds each formula's result, the empty text too, in every sheet,
// also one where every formula gives ""; in a book that does not, a sheet where some formula holds a result
// of its own was calculated (gnumeric names no engine), and one where none does was not: each of its
// formulas is named by its cell. Error values and booleans, typed or a formula's result, are named alike.
TEST(Xls, FormulasWithoutResultsAndErrorValuesAreNamedByTheirCell) {
  TempDir dir;
  const std::string path = dir / "замеры.xls";
  const auto read = [](const std::function<std::string()>& cell) {
    try {
      return cell();
    } catch (const Error& e) {
      return std::string(e.what());
    }
  };
  const std::string named = "Ошибка чтения файла \"" + path + "\": лист ";
  const std::string formula = "формула без вычисленного значения: откройте книгу в табличной программе, пересчитайте ее (в LibreOffice "
      "\"Данные → Содержимое ячейки → Пересчитать безусловно\", Ctrl+Shift+F9) и сохраните";
  for (const bool calculated : {false, true}) {
    WriteBytes(path, Sheets({{"Вводы", Formula(0, 0, kEmptyText) + Formula(0, 1, NumberResult(1825200)) +
                                           Record(0x0205, Rec().U16(0).U16(2).U16(0).U8(0x2A).U8(1)) +
                                           Record(0x0205, Rec().U16(0).U16(3).U16(0).U8(1).U8(0)) +
                                           Formula(0, 4, ErrorResult(0x07)) + Formula(0, 5, ErrorResult(0x2B))},
                             // a cell met again replaces the formula met before it
                             {"Фидеры", Formula(0, 0, kEmptyText) + Formula(1, 0, kEmptyText) +
                                            Record(0x0203, Rec().U16(1).U16(0).U16(0).F64(5500.5))}},
                            calculated ? Record(0x01C1, Rec().U16(0x01C1).U16(0).U32(152511)) : std::string()));
    const auto book = ReadWorkbook(path);
    ASSERT_EQ(book.sheets.size(), 2u);
    TSheetReader first;
    first.Open(path);
    const std::vector<std::string> inputs = {"", "1825200",
                                             named + "\"Вводы\", ячейка C1: значение ошибки \"#N/A\"",
                                             named + "\"Вводы\", ячейка D1: логическое значение \"ИСТИНА\"",
                                             named + "\"Вводы\", ячейка E1: значение ошибки \"#DIV/0!\"",
                                             named + "\"Вводы\", ячейка F1: значение ошибки \"#43\""};
    for (int col = 1; col <= 6; ++col) {
      EXPECT_EQ(read([&] { return book.sheets[0].CellText(1, col); }), inputs[col - 1]) << col;
      EXPECT_EQ(read([&] { return office::TRawCells(first).Cell(1, col); }), inputs[col - 1]) << col;
    }
    EXPECT_EQ(read([&] { return book.sheets[1].CellText(1, 1); }),
              calculated ? "" : named + "\"Фидеры\", ячейка A1: " + formula);
    EXPECT_EQ(book.sheets[1].CellText(2, 1), "5500.5");
  }
}

// A shared string goes on in a continuation with its own option byte, which may switch between one and
// two bytes a character; rich-text runs and phonetic blocks after the characters are passed over.
TEST(Xls, SharedStringsContinueInEitherWidth) {
  std::string globals = Record(0x0809, Rec().U16(0x0600).U16(5).U32(0).U32(0));
  globals += Record(0x00FC, Rec().U32(5).U32(5)
                                .U16(2).U8(0x0C).U16(1).U32(3).Bytes("Ab").U32(0x00070001).Bytes("xyz")  // runs, phonetic
                                .U16(2).U8(1).Wide("Фи").U16(5).U8(0).Bytes("10 "));
  globals += Record(0x003C, Rec().U8(1).Wide("кВ").U16(4).U8(1).Wide("ТП"));
  globals += Record(0x003C, Rec().U8(0).Bytes("-5").U16(2).U8(0).Bytes("ok"));
  const auto sheets = [](std::size_t at) {
    return Record(0x0085, Rec().U32(std::uint32_t(at)).U8(0).U8(0).U8(1).U8(0).Bytes("S")) + Record(0x000A, Rec());
  };
  globals += sheets(globals.size() + sheets(0).size());
  std::string sheet = Record(0x0809, Rec().U16(0x0600).U16(0x10).U32(0).U32(0));
  for (unsigned k = 0; k < 5; ++k) sheet += Record(0x00FD, Rec().U16(k).U16(0).U16(0).U32(k));
  sheet += Record(0x000A, Rec());
  TempDir dir;
  const std::string path = dir / "sst.xls";
  WriteBytes(path, XlsContainer(globals + sheet));
  const auto book = ReadWorkbook(path);
  ASSERT_EQ(book.sheets.size(), 1u);
  const office::TRawSheet& s = book.sheets[0];
  EXPECT_EQ((std::vector<std::string>{s.CellText(1, 1), s.CellText(2, 1), s.CellText(3, 1), s.CellText(4, 1),
                                      s.CellText(5, 1)}),
            (std::vector<std::string>{"Ab", "Фи", "10 кВ", "ТП-5", "ok"}));
}

// A compound document whose streams lie scattered: a large stream's sectors in an order of their own,
// a small stream in the mini stream with its mini sectors out of order too.
struct ScatteredContainer {
  static constexpr std::uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF;
  std::string big, small;
  std::vector<std::uint32_t> fat = std::vector<std::uint32_t>(128, kFree), miniFat = std::vector<std::uint32_t>(128, kFree);

  ScatteredContainer() {
    for (int i = 0; i < 5000; ++i) big.push_back(static_cast<char>('A' + i % 23 + i / 512));
    for (int i = 0; i < 150; ++i) small.push_back(static_cast<char>('a' + i % 26));
    fat[0] = 0xFFFFFFFD, fat[1] = fat[2] = fat[13] = kEnd;  // FAT, directory, mini FAT, mini stream
    const std::uint32_t chain[] = {7, 3, 11, 5, 9, 4, 12, 6, 10, 8};
    for (int k = 0; k < 10; ++k) fat[chain[k]] = k + 1 < 10 ? chain[k + 1] : kEnd;
    miniFat[2] = 0, miniFat[0] = 1, miniFat[1] = kEnd;
  }
  std::string Bytes() const {
    Rec header;
    header.Bytes(std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(16, '\0'));
    header.U16(0x3E).U16(3).U16(0xFFFE).U16(9).U16(6).U16(0).U16(0).U16(0);
    header.U32(0).U32(1).U32(1).U32(0).U32(4096).U32(2).U32(1).U32(kEnd).U32(0).U32(0);
    for (int i = 1; i < 109; ++i) header.U32(kFree);
    Rec fatSector, miniFatSector;
    for (const std::uint32_t v : fat) fatSector.U32(v);
    for (const std::uint32_t v : miniFat) miniFatSector.U32(v);
    const auto entry = [](const std::string& name, unsigned type, std::uint32_t start, std::uint32_t size) {
      Rec e;
      for (const char c : name) e.U16(static_cast<unsigned char>(c));
      e.s.resize(64, '\0');
      e.U16(name.empty() ? 0 : unsigned(name.size() + 1) * 2).U8(type).U8(1).U32(kFree).U32(kFree).U32(kFree);
      e.s += std::string(36, '\0');
      return e.U32(start).U32(size).U32(0).s;
    };
    const std::string directory = entry("Root Entry", 5, 13, 192) + entry("Big", 2, 7, 5000) +
                                  entry("Small", 2, 2, 150) + entry("", 0, 0, 0);
    std::vector<std::string> data(11);  // sectors 3 .. 13
    const std::uint32_t chain[] = {7, 3, 11, 5, 9, 4, 12, 6, 10, 8};
    for (int k = 0; k < 10; ++k) data[chain[k] - 3] = big.substr(512 * k, 512);
    std::string mini(192, '\0');
    const int miniChain[] = {2, 0, 1};
    for (int k = 0; k < 3; ++k) mini.replace(64 * miniChain[k], 64, small.substr(64 * k, 64).append(64, '\0').substr(0, 64));
    data[10] = mini;
    std::string out = header.s + fatSector.s + directory + miniFatSector.s;
    for (std::string& d : data) out += d.append(512 - d.size(), '\0');
    return out;
  }
};

TEST(CompoundFile, StreamsFollowTheirChainsAndStrayChainsAreRefused) {
  ScatteredContainer c;
  const office::TCompoundFile file(c.Bytes());
  EXPECT_EQ(file.ReadStream("big"), c.big);  // Latin letters in any case
  EXPECT_EQ(file.ReadStream("SMALL"), c.small);
  EXPECT_FALSE(file.ReadStream("Workbook").has_value());

  // The directory's chain leads back to itself: refused, not read for ever.
  c.fat[1] = 1;
  try {
    office::TCompoundFile looped(c.Bytes());
    ADD_FAILURE() << "a looping chain was read";
  } catch (const office::TDamaged& e) {
    EXPECT_EQ(e.reason, "файл поврежден (цепочка секторов выходит за пределы файла)");
  }
  c.fat[1] = ScatteredContainer::kEnd;
  c.miniFat[0] = 5;  // beyond the three mini sectors
  const office::TCompoundFile outside(c.Bytes());
  try {
    outside.ReadStream("Small");
    ADD_FAILURE() << "a mini chain outside the mini stream was read";
  } catch (const office::TDamaged& e) {
    EXPECT_EQ(e.reason, "файл поврежден (цепочка малых секторов выходит за пределы файла)");
  }
}

TEST(Xls, RefusalsSayWhy) {
  TempDir dir;
  const std::string path = dir / "bad.xls";
  const std::string bof = Record(0x0809, Rec().U16(0x0600).U16(5).U32(0).U32(0));
  std::string noBook = XlsContainer(bof);
  const std::size_t name = noBook.find(std::string("W\0o\0r\0k\0b", 9));
  ASSERT_NE(name, std::string::npos);
  noBook[name] = 'X';  // the stream is there, under another name
  for (const auto& [bytes, reason] : std::vector<std::pair<std::string, std::string>>{
           {std::string(600, 'x'), "файл не является книгой электронной таблицы"},
           {noBook, "в файле нет книги"},
           {XlsContainer(Record(0x0809, Rec().U16(0x0400).U16(5))), "неподдерживаемая версия формата книги"},
           {XlsContainer(bof + Record(0x002F, Rec().U16(1))), "книга защищена паролем"},
           {XlsContainer(bof + Record(0x0042, Rec().U16(1251))), "файл поврежден (нет конца общей части книги)"},
           // mini sectors as large as the sectors: the header is damaged
           {[&] {
              std::string same = XlsContainer(bof + Record(0x000A, Rec()));
              same[0x20] = same[0x1E];
              return same;
            }(),
            "файл поврежден (неверный размер малого сектора)"},
           {XlsContainer(bof + Record(0x00FC, Rec().U32(1).U32(1).U16(40).U8(0).Bytes("short")) + Record(0x000A, Rec())),
            "файл поврежден (запись короче своих полей)"},
           // a record whose length runs past the end of the stream
           {XlsContainer(bof + std::string("\x42\x00\xFF\xFF\xE3\x04", 6)), "файл поврежден (запись выходит за конец книги)"}}) {
    WriteBytes(path, bytes);
    try {
      ReadWorkbook(path);
      ADD_FAILURE() << reason;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + path + "\": " + reason);
    }
  }
}

// gnumeric keeps the empty result of a formula that gives "" as the empty text, unless the sheet shows
// it kept a book's uncalculated formulas: one that gives a number whatever it is calculated from holds
// the empty result. A "+" before a reference is its sign (=+B1 gives "" as B1 does); an addition after
// it (=B1+1) gives a number only.
TEST(Xls, ASignBeforeAReferenceIsNoArithmetic) {
  TempDir dir;
  const std::string path = dir / "gnumeric.xls";
  const auto formula = [](unsigned row, const std::string& tokens) {
    return Record(0x0006, Rec().U16(row).U16(0).U16(0).U32(3).U32(0xFFFF0000).U16(0).U32(0).U16(unsigned(tokens.size())).Bytes(tokens));
  };
  const std::string signedRef = Rec().U8(0x24).U16(0).U16(1).U8(0x12).s;             // +B1
  const std::string addition = Rec().U8(0x24).U16(0).U16(1).U8(0x1E).U16(1).U8(0x03).s;  // B1+1
  const std::string bof = Record(0x0809, Rec().U16(0x0600).U16(5).U16(0x2775).U16(1997).U32(0));
  const auto entry = [](std::size_t at, const std::string& name) {
    return Record(0x0085, Rec().U32(std::uint32_t(at)).U8(0).U8(0).U8(unsigned(name.size())).U8(0).Bytes(name));
  };
  const std::string sheetBof = Record(0x0809, Rec().U16(0x0600).U16(0x10).U16(0x2775).U16(1997).U32(0));
  const std::string one = sheetBof + formula(0, signedRef) + Record(0x000A, Rec());
  const std::string two = sheetBof + formula(0, signedRef) + formula(1, addition) + Record(0x000A, Rec());
  const std::size_t first = bof.size() + 2 * entry(0, "A").size() + Record(0x000A, Rec()).size();
  WriteBytes(path, XlsContainer(bof + entry(first, "A") + entry(first + one.size(), "B") + Record(0x000A, Rec()) + one + two));
  const auto book = ReadWorkbook(path);
  ASSERT_EQ(book.sheets.size(), 2u);
  const auto text = [&](int sheet, int row) {
    try {
      return book.sheets.at(static_cast<std::size_t>(sheet)).CellText(row, 1);
    } catch (const Error& e) {
      const std::string what = e.what();
      return what.substr(what.find("ячейка"), what.find(':', what.find("ячейка")) - what.find("ячейка"));
    }
  };
  EXPECT_EQ(text(0, 1), "");
  EXPECT_EQ(text(1, 1), "ячейка A1");
  EXPECT_EQ(text(1, 2), "ячейка A2");
}

}  // namespace
}  // namespace ld::test
