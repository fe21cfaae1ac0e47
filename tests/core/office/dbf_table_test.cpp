// The dBase reader: the walk passes over deleted records, fields are found by name in any letter case,
// character fields keep their leading blanks, numbers come trimmed, the language-driver byte chooses the
// code page, and a file that is no table, or damaged, is refused with its name and never read past.
#include "core/office/dbf_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/office/test_dbf_writer.h"
#include "support/fuzz_mutations.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

std::string Text(const TDbfTable& dbf, std::string_view field) { return DbfFieldText(dbf, field); }

const std::vector<DbfField> kFields = {{"NAMETP", 'C', 12}, {"ndog", 'C', 10}, {"W", 'N', 12, 2}};

// Three live records and a deleted one between them.
void WriteSample(const std::string& path, int languageDriver = 38) {
  WriteDbf(path, kFields,
           {{"  тп-5", "Д-1", " 12.50"}, {"УДАЛЕНА", "Д-2", "1"}, {"ТП-7 ", "", ""}, {"Ёлка", "Ж", "-3"}}, {2},
           languageDriver);
}

std::vector<std::vector<std::string>> Walk(TDbfTable& dbf) {
  std::vector<std::vector<std::string>> rows;
  for (bool more = dbf.First(); more; more = dbf.Next())
    rows.push_back({std::to_string(dbf.RecNo()), Text(dbf, "nametp"), Text(dbf, "NDOG"), Text(dbf, "W")});
  return rows;
}

TEST(DbfTable, WalkSkipsDeletedRecordsAndReadsFieldsAsStored) {
  TempDir dir;
  const std::string path = dir / "база.dbf";
  WriteSample(path);
  TDbfTable dbf;
  std::string error;
  ASSERT_TRUE(dbf.Open(path, error)) << error;
  EXPECT_EQ(dbf.RecordCount(), 4) << "the deleted record still counts in the file";
  EXPECT_EQ(dbf.CodePage(), 866);
  EXPECT_TRUE(dbf.HasField("NameTp"));
  EXPECT_FALSE(dbf.HasField("RES_ID"));
  EXPECT_EQ(Text(dbf, "RES_ID"), "");
  const std::vector<std::vector<std::string>> expected = {
      {"1", "  тп-5", "Д-1", "12.50"}, {"3", "ТП-7", "", ""}, {"4", "Ёлка", "Ж", "-3"}};
  EXPECT_EQ(Walk(dbf), expected);
  EXPECT_TRUE(dbf.Eof());
  EXPECT_EQ(Text(dbf, "NAMETP"), "") << "nothing is read past the end";
  // a second walk gives the same
  EXPECT_EQ(Walk(dbf), expected);
}

// Integers, doubles and currencies of later dBase variants are stored in binary; they read as the text
// of their value, as a numeric field holds it, and a binary memo keeps its block number's digits.
TEST(DbfTable, BinaryNumberFieldsReadAsTheTextOfTheirValues) {
  TempDir dir;
  const std::string path = dir / "binary.dbf";
  WriteDbf(path,
           {{"NUMPOINT", 'I', 4}, {"SHORT", 'I', 2}, {"W", 'B', 8}, {"WS", 'O', 8}, {"KTOK", 'Y', 8}, {"MEMO", 'B', 10}},
           {{DbfInteger(40000), DbfInteger(-2, 2), DbfDouble(1500.25), DbfLevel7Double(-2.75), DbfCurrency(125000),
             "        17"},
            {DbfInteger(-2147483647 - 1), DbfInteger(32767, 2), DbfDouble(-1e-7), DbfLevel7Double(1e20),
             DbfCurrency(-5), ""},
            {DbfInteger(0), DbfInteger(0, 2), DbfDouble(0), std::string(8, '\0'), DbfCurrency(INT64_MIN), ""}});
  TDbfTable dbf;
  std::string error;
  ASSERT_TRUE(dbf.Open(path, error)) << error;
  std::vector<std::vector<std::string>> rows;
  for (bool more = dbf.First(); more; more = dbf.Next())
    rows.push_back({Text(dbf, "NUMPOINT"), Text(dbf, "SHORT"), Text(dbf, "W"), Text(dbf, "WS"), Text(dbf, "KTOK"),
                    Text(dbf, "MEMO")});
  const std::vector<std::vector<std::string>> expected = {
      {"40000", "-2", "1500.25", "-2.75", "12.5", "17"},
      {"-2147483648", "32767", "-1e-07", "1e+20", "-0.0005", ""},
      {"0", "0", "0", "", "-922337203685477.5808", ""}};  // a level 7 double of zeros holds no value
  EXPECT_EQ(rows, expected);
  // the rules take them as the numbers they are
  ASSERT_TRUE(dbf.First());
  for (const auto& [field, value] : {std::pair{"NUMPOINT", 40000.0}, {"SHORT", -2.0}, {"WS", -2.75}, {"KTOK", 12.5}}) {
    EXPECT_EQ(dbf.Value(field).Kind(), TOutsideValue::TKind::Number) << field;
    EXPECT_EQ(dbf.Value(field).Number().Value, value) << field;
  }

  // Visual FoxPro's doubles as a program shows them, with 15 significant digits: a sum stored as
  // 2.0000000000000004 shows "2", and the rules see that text beside the whole value
  TDbfTable vfp;
  ASSERT_TRUE(vfp.Open((TestDataDir() / "dbase" / "industrial_vfp_double.dbf").string(), error)) << error;
  rows.clear();
  for (bool more = vfp.First(); more; more = vfp.Next()) rows.push_back({Text(vfp, "NUMPOINT"), Text(vfp, "W")});
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"2", "1500.25"}, {"3", "0.3"}}));
  ASSERT_TRUE(vfp.First());
  EXPECT_EQ(vfp.Value("NUMPOINT").Quoted(), "\"2\"");
  EXPECT_EQ(vfp.Value("NUMPOINT").Number().Value, 2.0000000000000004);
  EXPECT_EQ(vfp.Value("NUMPOINT").Integer(1, 999).Value, 2) << vfp.Value("NUMPOINT").Integer(1, 999).Fault;
}

TEST(DbfTable, LanguageDriverChoosesTheCodePage) {
  TempDir dir;
  for (const int driver : {0, 38, 201, 87, 101}) {
    const std::string path = dir / ("ld" + std::to_string(driver) + ".dbf");
    WriteSample(path, driver);
    TDbfTable dbf;
    std::string error;
    ASSERT_TRUE(dbf.Open(path, error)) << error;
    const bool windows = driver == 201 || driver == 87;
    EXPECT_EQ(dbf.CodePage(), windows ? 1251 : 866) << driver;
    ASSERT_TRUE(dbf.First());
    EXPECT_EQ(Text(dbf, "NAMETP"), "  тп-5") << driver;
    ASSERT_TRUE(dbf.Next());
    ASSERT_TRUE(dbf.Next());
    EXPECT_EQ(Text(dbf, "NAMETP"), "Ёлка") << driver;
  }
  // UTF-8 names are UTF-8 under every byte, unasked: LibreOffice's base saved in UTF-8 (byte 0), and the
  // same base with the byte of each code page put in (crafted)
  std::string utf8 = ReadBytes(TestDataDir() / "dbase" / "households_libreoffice_utf8.dbf");
  for (const int driver : {0, 201, 3, 87, 38, 101}) {
    const std::string path = dir / ("utf8_" + std::to_string(driver) + ".dbf");
    utf8[29] = static_cast<char>(driver);
    WriteBytes(path, utf8);
    ScriptedMsgBox box;
    TDbfTable dbf;
    std::string error;
    ASSERT_TRUE(dbf.Open(path, error)) << error;
    EXPECT_EQ(dbf.CodePage(), kCodePageUtf8) << driver;
    std::vector<std::string> names;
    for (bool more = dbf.First(); more; more = dbf.Next()) names.push_back(Text(dbf, "NAME_TP") + "|" + Text(dbf, "FIDER"));
    EXPECT_EQ(names, (std::vector<std::string>{"ТП-2|Л-1", "ТП-7 «Лесная»|ф-2"})) << driver;
    EXPECT_TRUE(box.Calls().empty()) << driver;
  }
}

TEST(DbfTable, OpensExactlyTheFileNamed) {
  TempDir dir;
  // a table under another extension, with a different table beside it under ".dbf"
  WriteSample(dir / "other.dbf");
  WriteDbf(dir / "made.dbf", {{"NAMETP", 'C', 10}}, {{"ТП-1"}});
  std::filesystem::rename(dir / "made.dbf", dir / "other.txt");
  WriteDbf(dir / "upper.dbf", {{"NAMETP", 'C', 10}}, {{"ТП-2"}});
  std::filesystem::rename(dir / "upper.dbf", dir / "UPPER.DBF");

  TDbfTable dbf;
  std::string error;
  ASSERT_TRUE(dbf.Open(dir / "other.txt", error)) << error;
  ASSERT_TRUE(dbf.First());
  EXPECT_EQ(Text(dbf, "NAMETP"), "ТП-1");
  ASSERT_TRUE(dbf.Open(dir / "UPPER.DBF", error)) << error;
  ASSERT_TRUE(dbf.First());
  EXPECT_EQ(Text(dbf, "NAMETP"), "ТП-2");
  EXPECT_EQ(dbf.RecordCount(), 1);
}

TEST(DbfTable, FilesThatAreNoTableAreRefusedWithTheirName) {
  TempDir dir;
  const std::string good = dir / "good.dbf";
  WriteSample(good);
  const std::string bytes = ReadBytes(good);

  const std::string text = dir / "text.dbf";
  WriteBytes(text, "NAMETP;NDOG\nТП-1;5\n");
  const std::string cut = dir / "cut.dbf";
  WriteBytes(cut, bytes.substr(0, bytes.size() - 20));
  const std::string empty = dir / "empty.dbf";
  WriteBytes(empty, "");

  for (const std::string& path : {dir / "missing.dbf", text, cut, empty}) {
    TDbfTable dbf;
    std::string error;
    EXPECT_FALSE(dbf.Open(path, error)) << path;
    EXPECT_EQ(error.rfind("Ошибка чтения файла \"" + path + "\": ", 0), 0u) << error;
    EXPECT_FALSE(dbf.IsOpen());
    EXPECT_FALSE(dbf.First());
    EXPECT_EQ(Text(dbf, "NAMETP"), "");
  }
  // a refused file leaves the reader ready for the next one
  TDbfTable dbf;
  std::string error;
  EXPECT_FALSE(dbf.Open(cut, error));
  EXPECT_TRUE(dbf.Open(good, error)) << error;
  EXPECT_EQ(Walk(dbf).size(), 3u);
}

// The records start at the header's length, after the field descriptors and whatever padding follows
// their terminator (a zero byte from Clipper, a Visual FoxPro table's database name); a record is as long
// as its fields; the records fill the file to its end (one end-of-file byte 0x1A after them is usual). A
// header whose bytes after the descriptors are no padding, a record length or a count that says otherwise
// would shift every field of every record, drop a household or add a blank one, so the file is refused.
TEST(DbfTable, HeaderLengthAndRecordCountMustFitTheDescriptorsAndTheFile) {
  TempDir dir;
  const std::string good = dir / "good.dbf";
  const std::vector<DbfField> six = {{"NAMETP", 'C', 12}, {"NDOG", 'C', 10}, {"W", 'N', 12, 2},
                                     {"FIO", 'C', 20},    {"ADR", 'C', 20},  {"KOD", 'C', 6}};
  WriteDbf(good, six, {{"ТП-12", "Д-1", "2750.25", "Иванов", "Лесная 1", "01"}, {"ТП-14", "Д-2", "7", "Петров", "", "02"}});
  const std::string valid = ReadBytes(good);
  ASSERT_EQ(valid.back(), '\x1A');
  const unsigned header = static_cast<unsigned char>(valid[8]) | static_cast<unsigned char>(valid[9]) << 8;
  const unsigned record = static_cast<unsigned char>(valid[10]) | static_cast<unsigned char>(valid[11]) << 8;
  ASSERT_EQ(header, 32u + 32 * 6 + 1);
  const auto with = [&](std::size_t at, unsigned value, int bytes, std::string file = {}) {
    if (file.empty()) file = valid;
    for (int i = 0; i < bytes; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    return file;
  };
  const std::string path = dir / "абоненты.dbf";
  const auto open = [&](const std::string& bytes) {
    WriteBytes(path, bytes);
    TDbfTable dbf;
    std::string error;
    if (!dbf.Open(path, error)) return error;
    std::string rows;
    for (bool more = dbf.First(); more; more = dbf.Next()) rows += Text(dbf, "NAMETP") + "|" + Text(dbf, "W") + ";";
    return rows;
  };
  // sound: with the end-of-file byte and without it
  EXPECT_EQ(open(valid), "ТП-12|2750.25;ТП-14|7;");
  EXPECT_EQ(open(valid.substr(0, valid.size() - 1)), "ТП-12|2750.25;ТП-14|7;");

  // the header as Clipper and its successors end it, the terminator followed by a zero byte; a Visual
  // FoxPro table's name of its database; zero bytes in a table of any version
  EXPECT_EQ(open(DbfClipper(valid)), "ТП-12|2750.25;ТП-14|7;");
  EXPECT_EQ(open(DbfFoxPro(valid)), "ТП-12|2750.25;ТП-14|7;");
  EXPECT_EQ(open(DbfFoxPro(valid, "")), "ТП-12|2750.25;ТП-14|7;");
  EXPECT_EQ(open(DbfWithPadding(valid, std::string(300, '\0'))), "ТП-12|2750.25;ТП-14|7;");
  EXPECT_EQ(open(DbfWithPadding(DbfFoxPro(valid), std::string(5, '\0'))), "ТП-12|2750.25;ТП-14|7;");

  const std::string prefix = "Ошибка чтения файла \"" + path + "\": файл поврежден: ";
  // the bytes between the descriptors' end and the header's are no padding
  const auto length = [&](unsigned claimed, int fields, unsigned at, const char* byte) {
    return prefix + "длина заголовка " + std::to_string(claimed) + " байт не соответствует описаниям " +
           std::to_string(fields) + " полей (" + std::to_string(32 + 32 * fields + 1) +
           " байт): после них не нулевое заполнение (" + std::to_string(at) + "-й байт файла: " + byte + ")";
  };
  // one byte more, which the end-of-file byte lets the records still fit: the first record's mark
  EXPECT_EQ(open(with(8, header + 1, 2)), length(header + 1, 6, header + 1, "0x20"));
  // a record more, one household fewer
  EXPECT_EQ(open(with(4, 1, 4, with(8, header + record, 2))), length(header + record, 6, header + 1, "0x20"));
  // a database's name where no Visual FoxPro table keeps one, and a byte after the name's zero bytes
  EXPECT_EQ(open(DbfWithPadding(valid, "..\\district.dbc")), length(header + 15, 6, header + 1, "0x2E"));
  std::string named = DbfFoxPro(valid);
  named[header + 262] = '\x01';
  EXPECT_EQ(open(named), length(header + 263, 6, header + 263, "0x01"));
  EXPECT_EQ(open(DbfWithPadding(valid, std::string(40, '\0') + "x")), length(header + 41, 6, header + 41, "0x78"));

  // A record length that the fields' widths do not give, the file sized to it: every record after the
  // first would be read a byte off ("П-14" for "ТП-14").
  for (const int more : {1, -1, 255}) {
    std::string shifted = valid.substr(0, header);
    for (unsigned r = 0; r < 2; ++r) {
      std::string bytes = valid.substr(header + r * record, record);
      bytes.resize(record + more, ' ');
      shifted += bytes;
    }
    shifted = with(10, record + more, 2, shifted + '\x1A');
    EXPECT_EQ(open(shifted), prefix + "длина записи " + std::to_string(record + more) +
                                 " байт не соответствует описаниям 6 полей (" + std::to_string(record) + " байт)")
        << more;
  }
  // two of the six descriptors: the records would be read out of the others' bytes
  EXPECT_EQ(open(with(8, 32 + 64 + 1, 2)), prefix + "в заголовке нет конца описаний полей");
  // a count one too high or one too low, a second end-of-file byte
  EXPECT_EQ(open(with(4, 3, 4)), prefix + "записей меньше, чем указано в заголовке");
  EXPECT_EQ(open(with(4, 1, 4)), prefix + "после 1 записей, указанных в заголовке, в файле еще " +
                                     std::to_string(record + 1) + " байт");
  EXPECT_EQ(open(valid + '\x1A'), prefix + "после 2 записей, указанных в заголовке, в файле еще 2 байт");
}

// Tables as Clipper and Visual FoxPro 9 keep them (tests/data/dbase, see its README): a character field
// wider than 255 whose high byte stands in the decimal-count byte, and varchar fields whose shorter values
// end at the length their last byte gives. Each is read as written; the same bytes under another header,
// or a length byte or a flag field that cannot hold, are refused, never read a field from another's bytes.
TEST(DbfTable, WideClipperFieldsAndVarcharsAreReadAsWritten) {
  const auto walk = [](TDbfTable& dbf, const std::vector<std::string>& fields) {
    std::vector<std::vector<std::string>> rows;
    for (bool more = dbf.First(); more; more = dbf.Next()) {
      rows.push_back({std::to_string(dbf.RecNo())});
      for (const std::string& f : fields) rows.back().push_back(Text(dbf, f));
    }
    return rows;
  };
  TDbfTable dbf;
  std::string error;
  const std::string clipper = (TestDataDir() / "dbase" / "clipper_households.dbf").string();
  ASSERT_TRUE(dbf.Open(clipper, error)) << error;
  std::string address;
  for (int i = 0; i < 7; ++i) address += "Лесная улица, дом 5, корпус 2, подъезд 3; ";
  address = Utf8Left(address, 290);
  ASSERT_EQ(Utf8Length(address), 290u);
  EXPECT_EQ(walk(dbf, {"NAME_TP", "ADRES", "FIDER", "COUNTAB", "W"}),
            (std::vector<std::vector<std::string>>{{"1", "ТП-17", address, "1", "12", "2750.25"},
                                                   {"3", "ТП-17", "", "2", "5", "120.50"},
                                                   {"4", "ТП-3", "Садовая, 1", "1", "7", "300.00"}}));

  const std::string clipperBytes = ReadBytes(clipper);
  TempDir dir;
  const std::string path = dir / "база.dbf";
  const auto open = [&](const std::string& bytes, const std::vector<std::string>& fields) {
    WriteBytes(path, bytes);
    TDbfTable table;
    std::string refused;
    if (!table.Open(path, refused)) return refused;
    try {
      std::string rows;
      for (const auto& row : walk(table, fields))
        for (const std::string& value : row) rows += value + "|";
      return rows;
    } catch (const TDbfReadError& e) {
      return std::string(e.what());
    }
  };
  const std::string prefix = "Ошибка чтения файла \"" + path + "\": файл поврежден: ";
  // the record length tells the wide field under any header: a dBase IV one, FoxPro's with a memo file
  for (const char version : {'\x8B', '\xF5', '\x30'}) {
    std::string other = clipperBytes;
    other[0] = version;
    EXPECT_EQ(open(other, {"FIDER"}), "1|1|3|2|4|1|") << int(version);
  }
  // a record length that the widths give neither way
  std::string longer = clipperBytes;
  longer[10] = static_cast<char>(349 % 256 + 1);
  EXPECT_EQ(open(longer, {"FIDER"}), prefix + "длина записи 350 байт не соответствует описаниям 5 полей (93 байт)");
  // a decimal count left in a character field of a record that its length bytes fill is no width
  WriteDbf(path, {{"NAMETP", 'C', 8}, {"NDOG", 'C', 4}}, {{"ТП-1", "12"}});
  std::string counted = ReadBytes(path);
  ASSERT_EQ(counted[0], '\x03');
  counted[32 + 17] = '\x02';
  EXPECT_EQ(open(counted, {"NAMETP", "NDOG"}), "1|ТП-1|12|");

  const std::string foxPro = (TestDataDir() / "dbase" / "vfp_households.dbf").string();
  ASSERT_TRUE(dbf.Open(foxPro, error)) << error;
  EXPECT_EQ(dbf.CodePage(), 1251);
  EXPECT_EQ(walk(dbf, {"NAME_TP", "FIDER", "COUNTAB", "W"}),
            (std::vector<std::vector<std::string>>{{"1", "ТП-41", "Л-1", "12", "2750.25"},
                                                   {"2", "ТП-410", "Л-2", "5", "120.50"},
                                                   {"3", "ТП-4", "", "7", "300.00"},
                                                   {"4", "тп-5", "Ф-1234Ж", "3", "45.00"}}));
  // Header of 456 bytes, records of 34: NAME_TP from byte 1 (6 wide), _NullFlags at byte 33, its
  // descriptor the fifth.
  const std::string foxProBytes = ReadBytes(foxPro);
  // the second station fills its field, its bit clear: set, its last letter would be a length
  std::string tooLong = foxProBytes;
  ASSERT_EQ(tooLong[456 + 34 + 33], '\x02');
  tooLong[456 + 34 + 33] = '\x03';
  EXPECT_EQ(open(tooLong, {"NAME_TP"}), "Ошибка чтения файла \"" + path +
                                            "\": строка 2, поле NAME_TP: длина значения 48 байт, а перед байтом "
                                            "длины в поле 5 байт");
  std::string noFlags = foxProBytes;
  noFlags[32 + 4 * 32 + 11] = 'C';
  EXPECT_EQ(open(noFlags, {"NAME_TP"}),
            prefix + "у поля NAME_TP переменной длины нет поля _NullFlags с флагами длины");
  std::string noBits = foxProBytes;
  noBits[32 + 4 * 32 + 16] = '\0';  // _NullFlags of no bytes, the record length one less
  noBits[10] = '\x21';
  for (int r = 3; r >= 0; --r) noBits.erase(456 + 34 * static_cast<std::size_t>(r) + 33, 1);
  EXPECT_EQ(open(noBits, {"NAME_TP"}), prefix + "флаг длины поля NAME_TP не помещается в поле _NullFlags (0 байт)");
}

// A name over two blocks of a dBase III memo file, as the scripts of tests/data/dbase write it.
std::string LongName() {
  std::string name;
  for (int i = 0; i < 10; ++i) name += "Общество с ограниченной ответственностью \"Светлый путь\", цех № 2; ";
  return Utf8Left(name, 600);
}

// Bases with memo files and bases whose header names no code page, as python3-dbf and LibreOffice write
// them (tests/data/dbase, see its README): each memo field gives its text, never its block number; a
// header of code page 0 is told by its texts; a tab inside a text, and a line break inside a memo's text,
// is a blank and a note naming its row and field. Each base is walked whole, every field of every record.
TEST(DbfTable, MemoFieldsAndUnnamedCodePagesAreReadAsWritten) {
  std::string address;
  for (int i = 0; i < 7; ++i) address += "Лесная улица, дом 5, корпус 2, подъезд 3; ";
  address = Utf8Left(address, 290);
  const std::string name = LongName();
  struct TCase {
    std::string file;
    std::vector<std::string> fields;
    int codePage;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::pair<int, std::string>> notes;  // row, field: the notes
  };
  const TCase cases[] = {
      {"contracts_dbase3.dbf", {"NDOGOV", "NAME_POTR", "TOWN", "STREET"}, 866,
       {{"Д-101", "Иванов Иван Иванович", "Лесное", "Лесная, 5"}, {"Д-102", name, "", "Садовая, 1"},
        {"Д-103", "", "Лесное", "Полевая, 12"}, {"Д-104", "Петров П.П.", "", ""}},
       {{2, "STREET: знак табуляции в тексте \"Садовая, 1\" заменен пробелом"}}},
      {"lines04_foxpro.dbf", {"NAMETP", "ABON", "NTR", "FIDER", "LEN_MARK", "PRIM"}, 866,
       {{"ТП-42", "", "Т1", "Ф-1", "350*А-50", "опоры заменены в 2019 г."}, {"", "А", "", "Ф-2", "120*СИП-2А", ""},
        {"ТП-43", "", "Т2", "Ф-1", "80*А-35", "вдоль дороги"}},
       {{3, "PRIM: знак табуляции в тексте \"вдоль дороги\" заменен пробелом"}}},
      {"contracts_vfp.dbf", {"NDOGOV", "NAME_POTR", "TOWN", "STREET"}, 1251,
       {{"Д-201", "Сидорова Анна", "Лесное", "Лесная, 7"}, {"Д-202", "", "", "Садовая, 3"}, {"Д-203", name, "Лесное", ""}},
       {}},
      {"households_harbour.dbf", {"NAME_TP", "ADRES", "FIDER", "COUNTAB", "W", "PRIM"}, 866,
       {{"ТП-17", address, "1", "12", "2750.25", "счетчик в подъезде"}, {"ТП-3", "Садовая, 1", "2", "7", "300.00", ""}},
       {}},
      {"contracts_libreoffice_1251.dbf", {"NDOGOV", "NAME_POTR", "TOWN"}, 1251,
       {{"Д-301", name, "Лесное"}, {"Д-302", "Кузнецов К.К.", ""}}, {}},
      {"households_libreoffice_866.dbf", {"NAME_TP", "FIDER", "COUNTAB", "W"}, 866,
       {{"ТП-42", "Л-1", "12", "2750.25"}, {"ТП-7", "Л-2", "5", "120.50"}}, {}},
      {"households_libreoffice_lower.dbf", {"NAME_TP", "FIDER", "COUNTAB", "W"}, 1251,
       {{"тп-42", "л-1", "12", "2750.25"}, {"тп-7", "ф-2", "5", "120.50"}}, {}},
      // saved in UTF-8, one name with signs Windows-1251 lacks: read whole, for the rules of names to judge
      {"households_libreoffice_utf8.dbf", {"NAME_TP", "FIDER", "COUNTAB", "W"}, kCodePageUtf8,
       {{"ТП-2", "Л-1", "12", "2750.25"}, {"ТП-7 «Лесная»", "ф-2", "5", "120.50"}}, {}},
      {"contracts_libreoffice_utf8_sign.dbf", {"NDOGOV", "NAME_POTR"}, kCodePageUtf8, {{"9", "кабель 3×95 мм²"}}, {}},
      // notes typed over two lines (CR LF in the memo file), the second with an empty line between
      {"lines04_libreoffice_notes.dbf", {"NAMETP", "ABON", "NTR", "FIDER", "LEN_MARK", "PRIM"}, 866,
       {{"ТП-42", "", "Т1", "Ф-1", "350*А-50", "опоры заменены в 2019 г."}, {"", "А", "", "Ф-2", "120*СИП-2А", ""},
        {"ТП-43", "", "Т2", "Ф-1", "80*А-35", "вдоль дороги до моста"}},
       {{1, "PRIM: перевод строки в тексте \"опоры заменены в 2019 г.\" заменен пробелом"},
        {3, "PRIM: перевод строки в тексте \"вдоль дороги до моста\" заменен пробелом"}}},
  };
  for (const TCase& c : cases) {
    const std::string path = (TestDataDir() / "dbase" / c.file).string();
    // names of lower-case letters alone read as names in both code pages: the user is asked
    ScriptedMsgBox box;
    box.Answer(0);
    TDbfTable dbf;
    std::string error;
    ASSERT_TRUE(dbf.Open(path, error)) << error;
    EXPECT_EQ(dbf.CodePage(), c.codePage) << c.file;
    std::vector<std::vector<std::string>> rows;
    for (int pass = 0; pass < 2; ++pass) {  // a second walk reads the memo file again
      rows.clear();
      for (bool more = dbf.First(); more; more = dbf.Next()) {
        rows.emplace_back();
        for (const std::string& f : c.fields) rows.back().push_back(Text(dbf, f));
        // a field asked again gives the same text and no second note
        EXPECT_EQ(Text(dbf, c.fields[1]), rows.back()[1]) << c.file;
      }
      EXPECT_EQ(rows, c.rows) << c.file << " walk " << pass + 1;
    }
    std::vector<std::string> notes;
    for (int pass = 0; pass < 2; ++pass)
      for (const auto& [row, text] : c.notes)
        notes.push_back("Файл \"" + path + "\": строка " + std::to_string(row) + ", поле " + text);
    EXPECT_EQ(dbf.TakeNotes(), notes) << c.file;
    EXPECT_TRUE(dbf.TakeNotes().empty());
  }
}

// A memo text that cannot be read is refused by the row the walk gives the record, its field and its memo
// file: the file missing, a number that is none, a block outside the file or in its header, a text that
// runs past the file's end or is no text, one block named by so many records that their texts would take
// more than the file holds. A header that names no code page and texts that read as names in both code
// pages, or in neither, refuse the base saying what was tried.
TEST(DbfTable, MemoAndCodePageFaultsAreRefusedByName) {
  TempDir dir;
  const auto data = [](const std::string& file) { return ReadBytes(TestDataDir() / "dbase" / file); };
  // contracts_dbase3: header 161 bytes, records of 71, NAME_POTR at byte 11 of a record ("         1");
  // lines04_foxpro: header 488, records of 52, PRIM at byte 42, blocks of 128 from block 4 on
  const std::string dbase3 = data("contracts_dbase3.dbf"), dbt = data("contracts_dbase3.dbt");
  const std::string foxPro = data("lines04_foxpro.dbf"), fpt = data("lines04_foxpro.fpt");
  const auto with = [](std::string bytes, std::size_t at, const std::string& put) { return bytes.replace(at, put.size(), put); };
  const std::string base = dir / "база.dbf";
  struct TCase {
    std::string table, memo, memoExt;  // memoExt "": no memo file
    std::string field;
    int firstRow;  // the walk's number of the first record; 7: of every record
    std::string expected;
  };
  const std::string head = "Ошибка чтения файла \"" + base + "\": ";
  const std::string dbtPath = dir / "база.dbt", fptPath = dir / "база.fpt";
  const auto damaged = [&](const std::string& memo, const std::string& why) {
    return "файл заметок \"" + memo + "\" поврежден: " + why;
  };
  // a dBase III text of 2000 bytes in block 1, named by every record
  const std::string longText = std::string(512, '\0') + std::string(2000, 'a') + "\x1A\x1A";
  std::string shared = dbase3;
  for (int r = 0; r < 4; ++r) shared = with(shared, 161 + 71 * static_cast<std::size_t>(r) + 11, "         1");
  const TCase cases[] = {
      {dbase3, "", "", "NAME_POTR", 11,
       head + "строка 11, поле NAME_POTR: файл заметок \"" + dbtPath +
           "\" не найден или недоступен (тексты поля хранятся в нем)"},
      {with(dbase3, 161 + 11, "    12a   "), dbt, ".dbt", "NAME_POTR", 1,
       head + "строка 1, поле NAME_POTR: в поле не номер блока заметки, а \"    12a   \""},
      {with(dbase3, 161 + 11, "      9999"), dbt, ".dbt", "NAME_POTR", 1,
       head + "строка 1, поле NAME_POTR: " + damaged(dbtPath, "блок 9999 за концом файла (2573 байт)")},
      // the long name of the second record cut before its end mark
      {dbase3, dbt.substr(0, 1400), ".dbt", "NAME_POTR", 1,
       head + "строка 2, поле NAME_POTR: " + damaged(dbtPath, "текст блока 2 не закончен до конца файла")},
      // the same, walked by a caller that numbers only the records it takes and took none
      {dbase3, dbt.substr(0, 1400), ".dbt", "NAME_POTR", 7,
       head + "строка 7, поле NAME_POTR: " + damaged(dbtPath, "текст блока 2 не закончен до конца файла")},
      {shared, longText, ".dbt", "NAME_POTR", 1,
       head + "строка 2, поле NAME_POTR: " +
           damaged(dbtPath, "записи ссылаются на одни и те же блоки (тексты заметок длиннее файла)")},
      {dbase3, with(dbt, 512, std::string("\xFF\xFF\x08\x00", 4)), ".dbt", "NAME_POTR", 1,
       head + "строка 1, поле NAME_POTR: файл заметок \"" + dbtPath +
           "\" записан в формате dBase IV, который не читается: сохраните базу в формате dBase III или FoxPro"},
      {foxPro, with(fpt, 512, std::string("\0\0\0\0", 4)), ".fpt", "PRIM", 1,
       head + "строка 1, поле PRIM: " + damaged(fptPath, "в блоке 4 не текст (вид блока 0)")},
      {foxPro, with(fpt, 516, "\x7F\xFF\xFF\xFF"), ".fpt", "PRIM", 1,
       head + "строка 1, поле PRIM: " +
           damaged(fptPath, "текст блока 4 длиной 2147483647 байт выходит за конец файла (788 байт)")},
      {with(foxPro, 488 + 42, "         1"), fpt, ".fpt", "PRIM", 1,
       head + "строка 1, поле PRIM: " + damaged(fptPath, "блок 1 лежит в заголовке файла")},
      {foxPro, with(fpt, 6, std::string("\0\0", 2)), ".fpt", "PRIM", 1,
       head + "строка 1, поле PRIM: " + damaged(fptPath, "размер блока в заголовке 0")},
      {foxPro, fpt.substr(0, 300), ".fpt", "PRIM", 1,
       head + "строка 1, поле PRIM: " + damaged(fptPath, "он короче своего заголовка (300 байт)")},
  };
  for (const TCase& c : cases) {
    std::filesystem::remove(dbtPath);
    std::filesystem::remove(fptPath);
    WriteBytes(base, c.table);
    if (!c.memoExt.empty()) WriteBytes(dir / ("база" + c.memoExt), c.memo);
    TDbfTable dbf;
    std::string error;
    ASSERT_TRUE(dbf.Open(base, error)) << error;
    std::string read;
    try {
      for (bool more = dbf.First(c.firstRow); more; more = c.firstRow == 7 ? dbf.Next(7) : dbf.Next())
        read += Text(dbf, c.field) + ";";
    } catch (const TDbfReadError& e) {
      read = e.what();
    }
    EXPECT_EQ(read, c.expected);
  }

  // A memo field wider than real writers make it, holding 2^55 + 1: the block is past the file's end,
  // never block 1 by a product that wraps.
  WriteDbf(base, {{"NDOGOV", 'C', 4}, {"NAME_POTR", 'M', 20}}, {{"1", "   36028797018963969"}});
  WriteBytes(dbtPath, dbt);
  {
    TDbfTable dbf;
    std::string error;
    ASSERT_TRUE(dbf.Open(base, error)) << error;
    ASSERT_TRUE(dbf.First());
    try {
      (void)dbf.Value("NAME_POTR");
      ADD_FAILURE() << "block 1's text taken for the block past the end";
    } catch (const TDbfReadError& e) {
      EXPECT_EQ(std::string(e.what()),
                head + "строка 1, поле NAME_POTR: " +
                    damaged(dbtPath, "блок 36028797018963969 за концом файла (2573 байт)"));
    }
  }
}

// A header that names no code page (0: LibreOffice writes it for every code page it is told) and texts
// whose bytes do not decide between 866 and Windows-1251 with a margin: the user is asked, shown the first
// name that reads differently as it reads in each; "Да" reads 866, "Нет" Windows-1251, "Отмена" refuses
// the base. A rare sign ("ё", "№", a no-break space, a curly quote) that is a letter in the other code page
// is no margin, however many there are; a byte that no name holds in one code page is.
TEST(DbfTable, AnUnnamedCodePageTheBytesDoNotDecideIsAsked) {
  TempDir dir;
  const std::string base = dir / "база.dbf";
  const auto data = [](const char* file) { return (TestDataDir() / "dbase" / file).string(); };
  const auto question = [](const std::string& path, const std::string& in866, const std::string& in1251) {
    return "Кодировка базы \"" + path + "\" не указана в ее заголовке, и по ее текстам не определяется: первое имя "
           "читается как \"" + in866 + "\" в кодировке DOS (866) или как \"" + in1251 + "\" в кодировке Windows-1251.\n"
           "Читать базу в кодировке DOS (866)? (\"Да\" - DOS (866), \"Нет\" - Windows-1251, \"Отмена\" - прервать "
           "импорт)";
  };
  struct TCase {
    std::string path;           // the bytes of the one name of a base of one field where it is no file
    int answer;                 // -1: no question expected
    std::string in866, in1251;  // the first name as the question shows it
    std::string read;           // "<code page>:<first record's texts>", or the refusal
  };
  const std::string declined = "кодировка базы не выбрана, импорт прерван";
  const TCase cases[] = {
      // LibreOffice's bases: 866 "тёс", "уч. №5" is Windows-1251 "всб", "гз. ь5"
      {data("contracts_libreoffice_866_yo.dbf"), 1, "тёс", "всб", "866:1|тёс|уч. №5"},
      {data("contracts_libreoffice_866_yo.dbf"), 0, "тёс", "всб", "1251:1|всб|гз. ь5"},
      {data("contracts_libreoffice_866_yo.dbf"), 2, "тёс", "всб", declined},
      {data("contracts_libreoffice_866_number.dbf"), 1, "№8", "ь8", "866:8|№8"},
      // (the question shows the name as the name rule takes it: its no-break space the blank it shows)
      {data("contracts_libreoffice_1251_nbsp.dbf"), 0, "фюьа5", "дом 5", "1251:5|дом\u00A05"},
      // Windows-1251 lower-case letters that 866 reads as lower-case letters too, and a byte that neither
      // reads as a name (box drawing of 866, a sign of Windows-1251) in each
      {Utf8ToCp1251("ао-1"), 0, "рю-1", "ао-1", "1251:ао-1"},
      {"\xCD\x80-1", 2, "═А-1", "НЂ-1", declined},
      // rare signs of one code page that are letters in the other, three of them and more: LibreOffice's
      // and python3-dbf's bases in 866 of "тёс", "ёрш" and "№8", and Windows-1251 names of "т"
      {data("contracts_libreoffice_866_rare.dbf"), 1, "тёс", "всб", "866:1|тёс|№8"},
      {data("households_libreoffice_866_rare.dbf"), 1, "тёс", "всб", "866:тёс|№1|12|2750.25"},
      {data("contracts_dbase3_866_rare.dbf"), 1, "тёс", "всб", "866:1|тёс|№8"},
      {data("contracts_clipper_866_rare.dbf"), 0, "тёс", "всб", "1251:1|всб|ь8"},
      // decided: box drawing in 866, nothing past ASCII; a reading of letters of no Russian word, however
      // few ("ёлка" is Windows-1251 "с«Є", "тп-42" DOS "Єя-42", "кафе" DOS "ърЇх")
      {data("contracts_libreoffice_866_yolka.dbf"), -1, "", "", "866:1|ёлка"},
      {data("contracts_libreoffice_1251_quotes.dbf"), -1, "", "", "1251:7|кафе ‘арлекино’"},
      {Utf8ToCp866("тп-42"), -1, "", "", "866:тп-42"},
      {Utf8ToCp1251("тп-42"), -1, "", "", "1251:тп-42"},
      {Utf8ToCp1251("тп-42, тп-7, тп-9"), -1, "", "", "1251:тп-42, тп-7, тп-9"},
      {data("households_libreoffice_lower.dbf"), -1, "", "", "1251:тп-42|л-1|12|2750.25"},
      {Utf8ToCp1251("ТП-42"), -1, "", "", "1251:ТП-42"},
      {"TP-42", -1, "", "", "866:TP-42"},
      // Windows-1251 capitals with a sign after them: well-formed UTF-8 of Latin letters of no word ("Ÿ, Ȩ,
      // Ĺ1"), decided by the box drawing that 866 reads in them
      {Utf8ToCp1251("Её, ИЁ, Д№1"), -1, "", "", "1251:Её, ИЁ, Д№1"},
  };
  for (const TCase& c : cases) {
    std::string path = c.path;
    if (!std::filesystem::exists(path)) {
      // a base of one name, its header's code page byte 0
      WriteDbf(base, {{"NAME_TP", 'C', 20}}, {{"x"}});
      std::string table = ReadBytes(base);
      table[29] = '\0';
      WriteBytes(base, table.replace(32 + 32 + 1 + 1, c.path.size(), c.path));
      path = base;
    }
    ScriptedMsgBox box;
    if (c.answer >= 0) box.Answer(c.answer);
    TDbfTable dbf;
    std::string error, read;
    if (!dbf.Open(path, error)) {
      read = dbf.OpenFault();
      EXPECT_EQ(error, "Ошибка чтения файла \"" + path + "\": " + read);
    } else if (dbf.First()) {
      read = std::to_string(dbf.CodePage()) + ":";
      for (int f = 0; !dbf.FieldName(f).empty(); ++f) read += (f == 0 ? "" : "|") + Text(dbf, dbf.FieldName(f));
    }
    EXPECT_EQ(read, c.read) << c.path;
    if (c.answer < 0) {
      EXPECT_TRUE(box.Calls().empty()) << c.read;
    } else {
      ASSERT_EQ(box.Calls().size(), 1u) << c.read;
      EXPECT_EQ(box.Calls()[0].text, question(path, c.in866, c.in1251));
      EXPECT_EQ(box.Calls()[0].buttons, mbYesNoCancel);
    }
  }
}

TEST(DbfTable, DamagedFilesNeitherCrashNorReadBeyondTheFile) {
  TempDir dir;
  const std::string good = dir / "good.dbf";
  WriteDbf(good, kFields, {{"ТП-1", "1", "1.5"}, {"ТП-2", "2", "2"}, {"ТП-3", "3", "3"}, {"ТП-4", "4", "4"}}, {3});
  const std::string valid = ReadBytes(good);
  // the same table under the headers of Clipper and of Visual FoxPro, and the tables of a wide Clipper
  // field and of Visual FoxPro varchars as written; tables with memo files, of which either the table or
  // the memo file is damaged; bases whose header names no code page
  const auto data = [](const std::string& file) { return ReadBytes(TestDataDir() / "dbase" / file); };
  struct TSeed {
    std::string table, memoExt, memo;
  };
  const TSeed seeds[] = {{valid, "", ""},
                         {DbfClipper(valid), "", ""},
                         {DbfFoxPro(valid), "", ""},
                         {data("clipper_households.dbf"), "", ""},
                         {data("vfp_households.dbf"), "", ""},
                         {data("contracts_dbase3.dbf"), ".dbt", data("contracts_dbase3.dbt")},
                         {data("lines04_foxpro.dbf"), ".fpt", data("lines04_foxpro.fpt")},
                         {data("contracts_vfp.dbf"), ".fpt", data("contracts_vfp.fpt")},
                         {data("households_harbour.dbf"), ".fpt", data("households_harbour.fpt")},
                         {data("contracts_libreoffice_1251.dbf"), ".dbt", data("contracts_libreoffice_1251.dbt")},
                         {data("households_libreoffice_lower.dbf"), "", ""}};
  std::mt19937 random(46);
  const std::string path = dir / "damaged.dbf";
  ScriptedMsgBox box;  // a base whose code page its bytes do not tell is read in the first one offered
  int opened = 0;
  for (int i = 0; i < 100 * static_cast<int>(std::size(seeds)); ++i) {
    const TSeed& seed = seeds[static_cast<std::size_t>(i) % std::size(seeds)];
    const bool memo = !seed.memoExt.empty() && (i / static_cast<int>(std::size(seeds))) % 2 == 1;
    WriteBytes(path, memo ? seed.table : Mutate(seed.table, random));
    std::filesystem::remove(dir / "damaged.dbt");
    std::filesystem::remove(dir / "damaged.fpt");
    if (!seed.memoExt.empty()) WriteBytes(dir / ("damaged" + seed.memoExt), memo ? Mutate(seed.memo, random) : seed.memo);
    TDbfTable dbf;
    std::string error;
    if (!dbf.Open(path, error)) {
      EXPECT_NE(error.find(path), std::string::npos) << error;
      continue;
    }
    ++opened;
    try {
      int walked = 0;
      for (bool more = dbf.First(); more; more = dbf.Next()) {
        ++walked;
        for (int f = -1; f < 8; ++f) (void)dbf.Value(f);
      }
      EXPECT_LE(walked, dbf.RecordCount());
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
  EXPECT_GT(opened, 0) << "some damage leaves a readable table";
}

}  // namespace
}  // namespace ld::test
