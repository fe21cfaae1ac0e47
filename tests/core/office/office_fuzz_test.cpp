// Damaged workbooks: thousands of seeded mutations of small valid files are refused with the file's
// name or read, never crash and never read outside their bytes (the sanitizer build watches).
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/numfmt.h"
#include "core/office/number_formats.h"
#include "core/office/sheet_raw_cells.h"
#include "core/office/sheet_reader.h"
#include "core/office/table_sheet.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "core/tables/layout.h"
#include "support/fuzz_mutations.h"
#include "support/table_rows.h"
#include "support/test_env.h"
#include "support/xls_builder.h"

namespace ld::test {
namespace {

constexpr int kRounds = 2000;

void ExpectNamed(const std::string& path, const Error& e) {
  const std::string text = e.what();
  ASSERT_EQ(text.rfind("Ошибка чтения файла \"" + path + "\": ", 0), 0u) << text;
  ASSERT_GT(text.size(), ("Ошибка чтения файла \"" + path + "\": ").size());
}

// What reading a cell gives: its text, or the refusal's message.
std::string TextOrRefusal(const std::function<std::string()>& read) {
  try {
    return read();
  } catch (const Error& e) {
    return e.what();
  }
}

// What tells a text value of a cell from any other without a rule: the text the reader keeps for the
// cell, or for a cell below a merged range's first row, the range it shows (which names its first cell).
std::string TextShown(const TSheetReader& reader, const TOutsideValue& value, int row, int col) {
  if (std::string covered = value.CoveredFault(); !covered.empty()) return "range " + covered;
  return "text " + TextOrRefusal([&] { return office::TRawCells(reader).Cell(row, col); });
}

// Reads one damaged file; false (with a test failure) when a refusal does not name it. The district's
// sheet reader, which keeps the first sheet alone in its own form, must show that sheet's cells as the
// whole workbook does, or refuse with the file's name; a cell that holds no readable value is refused
// by both alike, naming the file.
void ReadOrRefuse(const std::string& path, int& refused) {
  std::optional<office::TRawBook> book;
  try {
    book = ReadWorkbook(path);
    for (const office::TRawSheet& sheet : book->sheets)
      for (const auto& [at, cell] : sheet.Cells()) (void)sheet.CellText(at.first, at.second);
  } catch (const Error& e) {
    ++refused;
    ExpectNamed(path, e);
  }
  TSheetReader reader;
  try {
    reader.Open(path);
  } catch (const Error& e) {
    ExpectNamed(path, e);
    // the merged ranges are the sheet reader's alone: ranges that overlap show no value at all
    const bool overlap = std::string(e.what()).find("перекрываются") != std::string::npos;
    ASSERT_TRUE(!book || book->sheets.empty() || overlap) << "the first sheet was read whole, not alone: " << e.what();
    return;
  }
  ASSERT_TRUE(!book || !book->sheets.empty()) << "a workbook without sheets opened";
  if (!book) return;
  const office::TRawSheet& first = book->sheets.front();
  for (const auto& [at, cell] : first.Cells())
    ASSERT_EQ(office::TRawCells(reader).Cell(at.first, at.second), first.CellText(at.first, at.second)) << at.first << ":" << at.second;
  for (const auto& [at, why] : first.UnreadableCells()) {
    const std::string refusal = TextOrRefusal([&, at = at] { return first.CellText(at.first, at.second); });
    ASSERT_EQ(refusal.rfind("Ошибка чтения файла \"" + path + "\": лист ", 0), 0u) << refusal;
    ASSERT_EQ(TextOrRefusal([&, at = at] { return office::TRawCells(reader).Cell(at.first, at.second); }), refusal);
  }
  ASSERT_EQ(office::TRawCells(reader).Cell(first.LastRow() + 1, 1), "");
  // every cell as the sheet shows it, merged ranges included: each value goes through every rule, a
  // text once however many cells show it, as the rules make one thing of one value wherever it stands
  std::set<std::string> ruledTexts;
  for (int row = 1; row <= std::min(first.LastRow() + 1, 400); ++row)
    for (int col = 1; col <= std::min(first.LastCol() + 1, 8); ++col) {
      const TOutsideValue value = reader.Value(row, col);
      if (value.Kind() == TOutsideValue::TKind::Text && !ruledTexts.insert(TextShown(reader, value, row, col)).second)
        continue;
      (void)value.Name(), (void)value.Number(), (void)value.Integer(0, 9), (void)value.Date();
    }
}

// Little-endian fields and records of a legacy workbook stream.
std::string U16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string U32(std::uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }
std::string Wide(const std::string& utf8) {
  std::string out = U16(static_cast<unsigned>(Utf8Length(utf8))) + '\x01';
  for (std::size_t i = 0; i < utf8.size();) out += U16(NextUtf8Char(utf8, i));
  return out;
}
std::string Rec(unsigned type, const std::string& body) { return U16(type) + U16(unsigned(body.size())) + body; }

// A household workbook whose table of texts holds one station; the sheet's own (inline) texts come
// first, then a cell naming text 1, which the table does not hold.
std::string PastTableAfterInlineTexts() {
  const std::string bof = Rec(0x0809, U16(0x0600) + U16(5) + U32(0) + U32(0));
  std::string globals = bof + Rec(0x0042, U16(1200)) + Rec(0x00FC, U32(1) + U32(1) + Wide("ТП-7"));
  // the sheet's entry: where its records begin, visible, a worksheet, its name's length and characters
  const std::string name = Wide("Лист1");
  const std::string entryHead = U16(0) + static_cast<char>(Utf8Length("Лист1"));
  const std::size_t sheetAt = globals.size() + 4 + 4 + entryHead.size() + (name.size() - 2) + 4;
  globals += Rec(0x0085, U32(std::uint32_t(sheetAt)) + entryHead + name.substr(2)) + Rec(0x000A, "");
  std::string sheet = Rec(0x0809, U16(0x0600) + U16(0x10) + U32(0) + U32(0));
  sheet += Rec(0x0204, U16(0) + U16(0) + U16(0) + Wide("Абонент"));
  sheet += Rec(0x0204, U16(0) + U16(1) + U16(0) + Wide("ПС Южная"));
  sheet += Rec(0x00FD, U16(1) + U16(0) + U16(0) + U32(0));
  sheet += Rec(0x00FD, U16(2) + U16(0) + U16(0) + U32(1));
  return XlsContainer(globals + sheet + Rec(0x000A, ""));
}

// A workbook of one long text, its characters going on in a continuation record, named by 300 cells.
std::string LongTextNamedByManyCells() {
  const std::string bof = Rec(0x0809, U16(0x0600) + U16(5) + U32(0) + U32(0));
  std::string globals = bof + Rec(0x0042, U16(1200));
  globals += Rec(0x00FC, U32(300) + U32(1) + U16(3000) + '\0' + std::string(2000, 'a'));
  globals += Rec(0x003C, '\0' + std::string(1000, 'b'));
  const std::size_t sheetAt = globals.size() + 4 + 9 + 4;  // the sheet's entry, then the end
  globals += Rec(0x0085, U32(std::uint32_t(sheetAt)) + U16(0) + '\x01' + '\0' + "S") + Rec(0x000A, "");
  std::string sheet = Rec(0x0809, U16(0x0600) + U16(0x10) + U32(0) + U32(0));
  for (unsigned row = 0; row < 300; ++row) sheet += Rec(0x00FD, U16(row) + U16(0) + U16(0) + U32(0));
  return XlsContainer(globals + sheet + Rec(0x000A, ""));
}

// Two sheets of formulas and error values: one with the empty text, a number, a text and an error for
// results and a typed error value; one of formulas of the empty text, one of them met again as a number.
// In a book that names the engine that calculated it (calculated: a RECALCID record) the empty text is a
// result; in one that does not, no result.
std::string FormulasAndErrors(bool calculatedBook) {
  const auto formula = [](unsigned row, unsigned col, std::uint32_t low, std::uint32_t high) {
    return Rec(0x0006, U16(row) + U16(col) + U16(0) + U32(low) + U32(high) + U16(0) + U32(0) + U16(3) + '\x1E' + U16(1));
  };
  const std::string calculated = formula(0, 0, 3, 0xFFFF0000) + formula(0, 1, 0, 0x413BD9B0) + formula(0, 2, 0, 0xFFFF0000) +
                                 Rec(0x0207, U16(4) + '\0' + "F-10") + formula(0, 3, 0x00070002, 0xFFFF0000) +
                                 Rec(0x0205, U16(0) + U16(4) + U16(0) + '\x2A' + '\x01');
  const std::string uncalculated = formula(0, 0, 3, 0xFFFF0000) + formula(1, 0, 3, 0xFFFF0000) +
                                   Rec(0x0203, U16(1) + U16(0) + U16(0) + U32(0) + U32(0x40B57C80));
  const std::string bof = Rec(0x0809, U16(0x0600) + U16(5) + U32(0) + U32(0)) +
                          (calculatedBook ? Rec(0x01C1, U16(0x01C1) + U16(0) + U32(152511)) : std::string());
  const auto entry = [](std::size_t at, const std::string& name) {
    return Rec(0x0085, U32(std::uint32_t(at)) + U16(0) + static_cast<char>(name.size()) + '\0' + name);
  };
  const std::string sheetBof = Rec(0x0809, U16(0x0600) + U16(0x10) + U32(0) + U32(0));
  const std::size_t first = bof.size() + entry(0, "A").size() + entry(0, "B").size() + 4;
  const std::string one = sheetBof + calculated + Rec(0x000A, ""), two = sheetBof + uncalculated + Rec(0x000A, "");
  return XlsContainer(bof + entry(first, "A") + entry(first + one.size(), "B") + Rec(0x000A, "") + one + two);
}

// A station (A1) merged down over three rows and an energy (B1) over two rows and two columns, whose
// range hides the text C2 keeps, as a spreadsheet program writes the ranges (MERGEDCELLS after the cells).
std::string MergedRangesXls() {
  std::string globals = Rec(0x0809, U16(0x0600) + U16(5) + U32(0) + U32(0)) + Rec(0x0042, U16(1200));
  const std::size_t sheetAt = globals.size() + 4 + 9 + 4;  // the sheet's entry, then the end
  globals += Rec(0x0085, U32(std::uint32_t(sheetAt)) + U16(0) + '\x01' + '\0' + "S") + Rec(0x000A, "");
  std::string sheet = Rec(0x0809, U16(0x0600) + U16(0x10) + U32(0) + U32(0));
  sheet += Rec(0x0204, U16(0) + U16(0) + U16(0) + Wide("ТП-42"));
  sheet += Rec(0x0203, U16(0) + U16(1) + U16(0) + U32(0) + U32(0x40B38800));  // 5000
  sheet += Rec(0x0204, U16(1) + U16(2) + U16(0) + Wide("Л8"));
  sheet += Rec(0x00E5, U16(2) + U16(0) + U16(2) + U16(0) + U16(0) + U16(0) + U16(1) + U16(1) + U16(2));
  return XlsContainer(globals + sheet + Rec(0x000A, ""));
}

// What the first-sheet reader shows of the cells of MergedRangesXls (and of the .xlsx seed of the same
// ranges): a name on every row of its range, a figure named by the range below its first row, nothing
// beside a range's first cell in its first row.
std::vector<std::string> MergedCellsShown(const std::string& path) {
  TSheetReader reader;
  reader.Open(path);
  std::vector<std::string> shown;
  for (const auto& [row, col] : std::vector<std::pair<int, int>>{{3, 1}, {1, 3}, {2, 2}, {2, 3}, {4, 1}}) {
    const TOutsideValue value = reader.Value(row, col);
    const TValueRead<double> number = value.Number();
    shown.push_back(*value.Name() + "|" +
                    (number ? FloatToStrGeneral(*number, 15) : number.Fault.substr(0, number.Fault.find(" и лишь"))));
  }
  return shown;
}

// Rows 2 and 3 hold nothing but what the ranges cover: the ranges make no rows there.
const std::vector<std::string> kMergedShown = {"|0", "|0", "|0", "|0", "|0"};

TEST(OfficeFuzz, DamagedLegacyWorkbooksAreRefusedWithTheirName) {
  const std::string valid = BuildXls({{XlsCell::Text, 1, 1, 0, "Фидер"},
                                      {XlsCell::Text, 1, 2, 0, "Дата"},
                                      {XlsCell::Number, 2, 1, 12.75, ""},
                                      {XlsCell::Date, 2, 2, DateSerial(2024, 2, 29), ""}});
  // The workbook stream begins after the header, the allocation table and the directory.
  const std::size_t streamStart = 512 * 3;
  TempDir dir;
  const std::string path = dir / "old.xls";
  std::mt19937 random(20240229);
  int refused = 0;
  for (int round = 0; round < kRounds; ++round) {
    std::string damaged;
    if (round % 2 == 0) {
      damaged = Mutate(valid, random);
    } else {
      // Half the damage inside the records, which the container's checks would not notice.
      const std::string records = valid.substr(streamStart, 700);
      damaged = valid.substr(0, streamStart) + Mutate(records, random);
      damaged.resize(valid.size(), '\0');
    }
    WriteBytes(path, damaged);
    ReadOrRefuse(path, refused);
  }
  EXPECT_GT(refused, kRounds / 10);
  EXPECT_LT(refused, kRounds);

  // A text past the book's table is refused by the first-sheet reader as by the whole workbook's, even
  // where the sheet's own texts read before it would make up the missing entries.
  const std::string pastInline = PastTableAfterInlineTexts();
  WriteBytes(path, WithTextIndex(pastInline, 3, 1, 0));
  ASSERT_EQ(ReadWorkbook(path).sheets.at(0).CellText(3, 1), "ТП-7");
  WriteBytes(path, pastInline);
  const std::string refusal = "Ошибка чтения файла \"" + path +
                              "\": файл поврежден (ссылка на строку вне таблицы строк, лист \"Лист1\", ячейка A3)";
  for (const auto& read : std::vector<std::function<void()>>{[&] { ReadWorkbook(path); },
                                                             [&] { TSheetReader().Open(path); }}) {
    try {
      read();
      ADD_FAILURE() << "a text past the table was read";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), refusal);
    }
  }

  // Sound seeds of formulas and error values, each cell read or named as its book says.
  for (const bool calculatedBook : {true, false}) {
    const std::string formulas = FormulasAndErrors(calculatedBook);
    WriteBytes(path, formulas);
    const auto book = ReadWorkbook(path);
    ASSERT_EQ(book.sheets.size(), 2u);
    const std::string named = "Ошибка чтения файла \"" + path + "\": лист ";
    const std::string uncalculated = "формула без вычисленного значения: откройте книгу в табличной программе, пересчитайте ее (в LibreOffice "
      "\"Данные → Содержимое ячейки → Пересчитать безусловно\", Ctrl+Shift+F9) и сохраните";
    std::vector<std::string> cells;
    for (const auto& [sheet, row, col] : std::vector<std::tuple<int, int, int>>{{0, 1, 1}, {0, 1, 2}, {0, 1, 3}, {0, 1, 4}, {0, 1, 5}, {1, 1, 1}, {1, 2, 1}})
      cells.push_back(TextOrRefusal([&, sheet = sheet, row = row, col = col] { return book.sheets[sheet].CellText(row, col); }));
    // sheet A holds results of its formulas, so it was calculated though the book names no engine (as
    // gnumeric writes it): its empty result is the empty text; sheet B holds none
    ASSERT_EQ(cells, (std::vector<std::string>{"", "1825200",
                                               "F-10", named + "\"A\", ячейка D1: значение ошибки \"#DIV/0!\"",
                                               named + "\"A\", ячейка E1: значение ошибки \"#N/A\"",
                                               calculatedBook ? "" : named + "\"B\", ячейка A1: " + uncalculated, "5500.5"}));
    for (int round = 0; round < kRounds / 8; ++round) {
      WriteBytes(path, Mutate(formulas, random));
      ReadOrRefuse(path, refused);
    }
  }

  // Seeds of their own: a text cell naming a text past the table, and a workbook without a sheet.
  for (const std::string& seed : {WithTextIndex(valid, 1, 2, 7), XlsWithoutSheet(), pastInline}) {
    WriteBytes(path, seed);
    TSheetReader reader;
    EXPECT_THROW(reader.Open(path), Error);
    for (int round = 0; round < kRounds / 4; ++round) {
      WriteBytes(path, Mutate(seed, random));
      ReadOrRefuse(path, refused);
    }
  }

  // A sound seed of merged ranges, each cell shown as the sheet shows it.
  const std::string merged = MergedRangesXls();
  WriteBytes(path, merged);
  ASSERT_EQ(MergedCellsShown(path), kMergedShown);
  for (int round = 0; round < kRounds / 4; ++round) {
    WriteBytes(path, Mutate(merged, random));
    ReadOrRefuse(path, refused);
  }

  // A sound seed of another kind: a text of 3,000 characters over two records, named by every cell.
  const std::string longText = LongTextNamedByManyCells();
  WriteBytes(path, longText);
  TSheetReader reader;
  reader.Open(path);
  ASSERT_EQ(office::TRawCells(reader).Cell(300, 1), std::string(2000, 'a') + std::string(1000, 'b'));
  ASSERT_EQ(office::TRawCells(reader).Cell(301, 1), "");
  for (int round = 0; round < kRounds / 4; ++round) {
    WriteBytes(path, Mutate(longText, random));
    ReadOrRefuse(path, refused);
  }
}

std::string Zip(const std::vector<std::pair<std::string, std::string>>& parts, const std::string& path) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!zip) return {};
  for (const auto& [name, text] : parts) {
    zip_source_t* source = zip_source_buffer(zip, text.data(), text.size(), 0);
    const zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index >= 0) zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
  }
  zip_close(zip);
  return ReadBytes(path);
}

// A damaged copy of a sound package at `path`: in even rounds its bytes anywhere, in odd ones one of its
// parts inside a sound package, past the package's own checks.
void WriteDamaged(const std::vector<std::pair<std::string, std::string>>& parts, const std::string& sound, int round,
                  std::mt19937& random, const std::string& path) {
  if (round % 2 == 0) {
    WriteBytes(path, Mutate(sound, random));
    return;
  }
  auto damaged = parts;
  auto& part = damaged[random() % damaged.size()].second;
  part = Mutate(part, random);
  Zip(damaged, path);
}

// Number format codes of any shape, pieced together from what codes are made of, over values of every
// range: each format either shows a value or shows none (never half), a duration or a time of day it
// shows is a text, and nothing reads past a code or overflows (the sanitizer build watches).
TEST(OfficeFuzz, NumberFormatCodesOfAnyShapeShowAValueOrNone) {
  const std::vector<std::string> pieces = {"0",     "00",   "#",    ".",     ",",    "\"Д-\"", "\\№", "[h]",  "[mm]",
                                           "[ss]",  "hh",   "h",    "mm",    "m",    "ss",     "s",     ":",    ";",
                                           "-",     "[Red]", "[$-419]", "AM/PM", "yyyy", "dd",  "\"",    "[",    "]",
                                           "\\",  "_",    "*",    "@",     "E+",   "%",      " ",     "\"\"",
                                           "?",     "/",    "??",   "2147483648", "99999999999999999999", "[<=0]", "[>100]"};
  const double values[] = {0, 77, -77, 77.5, 1.5208333333333333, -0.25, 0.9999999, 99999999999.9, 1e11, -1e11,
                           1e300, -1e-300, 2.0000000000000004, 3e19, 2.4999999999999996, std::nan(""), HUGE_VAL, -HUGE_VAL};
  std::mt19937 random(20261209);
  int shown = 0;
  for (int round = 0; round < 20 * kRounds; ++round) {
    std::string code;
    for (std::size_t n = random() % 12; n > 0; --n) code += pieces[random() % pieces.size()];
    const office::TNumberFormat format = office::NumberFormatOf(164, code);
    const bool text = format.show == office::TNumberShow::Duration || format.show == office::TNumberShow::Clock;
    // a text's length is told without making it, as the reader bounds it
    const std::string textShown = office::ShownTextOf(format, "Д-7");
    ASSERT_EQ(office::ShownTextLength(format, "Д-7"),
              static_cast<std::size_t>(std::count_if(textShown.begin(), textShown.end(),
                                                     [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; })))
        << code;
    for (const double value : values) {
      const std::string shownText = office::ShownNumberText(format, value);
      if (!office::ShowsNumber(format, value)) {
        ASSERT_EQ(shownText, "") << code << " " << value;
      } else if (text) {
        ASSERT_NE(shownText, "") << code << " " << value;
        ++shown;
      }
    }
  }
  EXPECT_GT(shown, 1000);
}

TEST(OfficeFuzz, DamagedWorkbooksAreRefusedWithTheirName) {
  const std::vector<std::pair<std::string, std::string>> parts = {
      {"_rels/.rels", R"(<Relationships><Relationship Id="rId1" Type="a/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
      {"xl/workbook.xml", R"(<workbook xmlns:r="r"><workbookPr date1904="0"/><sheets><sheet name="Лист" r:id="rId1"/></sheets></workbook>)"},
      {"xl/_rels/workbook.xml.rels",
       R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="sheet.xml"/>)"
       R"(<Relationship Id="rId2" Type="x/sharedStrings" Target="strings.xml"/>)"
       R"(<Relationship Id="rId3" Type="x/styles" Target="styles.xml"/></Relationships>)"},
      {"xl/strings.xml", R"(<sst><si><t>Фидер_x000D_</t></si><si><r><t>ТП</t></r><rPh><t>x</t></rPh></si></sst>)"},
      {"xl/styles.xml", R"(<styleSheet><numFmts><numFmt numFmtId="164" formatCode="dd.mm.yy"/></numFmts>)"
                        R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="164"/><xf numFmtId="14"/></cellXfs></styleSheet>)"},
      {"xl/sheet.xml", R"(<worksheet><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c>)"
                       R"(<c r="C1" s="1"><v>45351.5</v></c></row><row r="2"><c t="b"><v>1</v></c><c s="2"><v>7</v></c>)"
                       R"(<c t="d"><v>2024-03-08T10:00:00</v></c><c t="inlineStr"><is><t>а</t></is></c></row></sheetData></worksheet>)"}};
  TempDir dir;
  const std::string path = dir / "book.xlsx";
  const std::string valid = Zip(parts, dir / "valid.xlsx");
  ASSERT_FALSE(valid.empty());
  WriteBytes(path, valid);
  ASSERT_EQ(ReadWorkbook(path).sheets.at(0).CellText(1, 1), "Фидер\r");

  std::mt19937 random(20240308);
  int refused = 0;
  const auto fuzz = [&](const std::vector<std::pair<std::string, std::string>>& seed, int rounds) {
    const std::string sound = Zip(seed, dir / "seed.xlsx");
    for (int round = 0; round < rounds; ++round) {
      WriteDamaged(seed, sound, round, random, path);
      ReadOrRefuse(path, refused);
    }
  };
  fuzz(parts, kRounds);
  EXPECT_GT(refused, kRounds / 10);
  EXPECT_LT(refused, kRounds);

  // A sound seed of merged ranges, each cell shown as the sheet shows it.
  auto merged = parts;
  merged.back().second = R"(<worksheet><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>ТП-42</t></is></c>)"
                         R"(<c r="B1"><v>5000</v></c></row><row r="2"><c r="C2" t="inlineStr"><is><t>Л8</t></is></c>)"
                         R"(</row></sheetData><mergeCells count="2"><mergeCell ref="A1:A3"/><mergeCell ref="C2:B1"/>)"
                         R"(</mergeCells></worksheet>)";
  Zip(merged, path);
  ASSERT_EQ(MergedCellsShown(path), kMergedShown);
  fuzz(merged, kRounds / 4);

  // Seeds of their own: a cell naming a text past the table, and a workbook without a worksheet.
  auto pastTable = parts, noSheet = parts;
  pastTable.back().second.replace(pastTable.back().second.find("<v>1</v>"), 8, "<v>2</v>");
  noSheet[1].second = R"(<workbook xmlns:r="r"><sheets/></workbook>)";
  for (const auto& seed : {pastTable, noSheet}) {
    Zip(seed, path);
    TSheetReader reader;
    EXPECT_THROW(reader.Open(path), Error);
    fuzz(seed, kRounds / 4);
  }

  // Seeds of the kinds small files are made of to cost gigabytes or minutes, or to be read wrong: texts
  // and cells of entities, a flood of empty cells and rows, many sheet entries, a value of another
  // namespace in a cell's extension, two values, a lost first sheet relationship, a text nested in
  // another, a boolean of no known value, and the kinds named below. Each sound one reads; the damaged
  // ones are refused.
  const auto with = [&](std::size_t part, const std::string& xml) {
    auto seed = parts;
    seed[part].second = xml;
    return seed;
  };
  const std::string sheetHead =
      R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:x="o"><sheetData><row r="1">)";
  const std::string sheetTail = "</row></sheetData></worksheet>";
  std::string flood, manySheets = R"(<workbook xmlns:r="r"><sheets>)", manyRels = "<Relationships>";
  for (int i = 0; i < 300; ++i) flood += "<c/></row><row>";
  std::vector<std::pair<std::string, std::string>> many = parts;
  for (int i = 1; i <= 300; ++i) {
    const std::string id = std::to_string(i);
    manySheets += "<sheet name=\"Л" + id + "\" r:id=\"rId" + id + "\"/>";
    manyRels += "<Relationship Id=\"rId" + id + "\" Type=\"x/worksheet\" Target=\"s" + id + ".xml\"/>";
    many.emplace_back("xl/s" + id + ".xml", "<worksheet><sheetData><row><c><v>" + id + "</v></c></row></sheetData></worksheet>");
  }
  many[1].second = manySheets + "</sheets></workbook>";
  many[2].second = manyRels + "</Relationships>";
  std::string deep;
  for (int i = 0; i < 300; ++i) deep = "<a>" + deep + "</a>";
  const std::string entities = R"(<!DOCTYPE x [<!ENTITY a "ТП-1ТП-1"><!ENTITY b "&a;&a;&a;&a;"><!ENTITY c "<c/><c/>">]>)";
  struct TSeed {
    std::vector<std::pair<std::string, std::string>> parts;
    bool sound;
  };
  const std::vector<TSeed> seeds = {
      {with(3, entities + R"(<sst><si><t>&b;</t></si><si><t>&b;</t></si></sst>)"), false},
      {with(5, entities + "<worksheet><sheetData><row>&c;&c;</row></sheetData></worksheet>"), false},
      {with(5, "<worksheet><sheetData><row>" + flood + "</row></sheetData></worksheet>"), true},
      {many, true},
      {with(5, sheetHead + R"(<c r="A1"><v>800</v><extLst><ext><x:v>0</x:v></ext></extLst></c>)" + sheetTail), true},
      {with(5, sheetHead + R"(<c r="A1"><v>1500.5</v><v>7</v></c>)" + sheetTail), false},
      {with(1, R"(<workbook xmlns:r="r"><sheets><sheet name="Лист" r:id="rId9"/></sheets></workbook>)"), false},
      {with(3, "<sst><si><t>ТП-1</t><si><t>ТП-2</t></si></si></sst>"), false},
      {with(5, sheetHead + R"(<c r="A1" t="b"><v>TRUE</v></c><c r="B1" t="b"><v>да</v></c>)" + sheetTail), false},
      // relationships, extensions, nesting and names: a second relationship of one Id, a sheet without its
      // reference, cells of the sheet's namespace in a row's extension, a sheet nested past the bound,
      // two entries of one name in different letter case
      {with(2, R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="sheet.xml"/>)"
               R"(<Relationship Id="rId1" Type="x/chartsheet" Target="c.xml"/></Relationships>)"), false},
      {with(1, R"(<workbook xmlns:r="r"><sheets><sheet name="Лист" id="rId1"/></sheets></workbook>)"), false},
      {with(5, sheetHead + R"(<c r="A1"><v>2750.25</v></c><extLst><ext><c r="A1"><v>9</v></c></ext></extLst>)" + sheetTail), true},
      {with(5, "<worksheet>" + deep + "</worksheet>"), false},
      {[&] {
         auto seed = parts;
         seed.emplace_back("XL/SHEET.XML", parts[5].second);
         return seed;
       }(),
       false},
      // values where the format puts none: a cell after the sheet's data or among its merged cells, a
      // second cell or row of one place, a cell naming another row, an inline text of a cell of another
      // type, a value in a formula, a text straight in a cell or in a table's item, a second list of
      // sheets; a second table of texts, relationships of another namespace, a target outside the package,
      // a byte-order mark of UTF-8 over another declared encoding. Formats of another namespace are
      // skipped, and the strict namespace reads.
      {with(5, sheetHead + R"(<c r="A1"><v>1</v></c></row></sheetData><c r="A1"><v>9</v></c><sheetData><row>)" + sheetTail), false},
      {with(5, sheetHead + R"(<c r="A1"><v>1</v></c></row></sheetData><mergeCells><c r="A1"><v>9</v></c></mergeCells><sheetData><row>)" + sheetTail), false},
      {with(5, sheetHead + R"(<c r="A1"><v>1</v></c><c r="A1"><v>9</v></c>)" + sheetTail), false},
      {with(5, sheetHead + R"(<c r="A1"><v>1</v></c></row><row r="1"><c r="B1"><v>9</v></c>)" + sheetTail), false},
      {with(5, sheetHead + R"(<c r="A2"><v>1</v></c>)" + sheetTail), false},
      {with(5, sheetHead + R"(<c r="A1"><is><t>9</t></is></c>)" + sheetTail), false},
      {with(5, sheetHead + R"(<c r="A1"><f>B1<v>9</v></f></c>)" + sheetTail), false},
      {with(5, sheetHead + R"(<c r="A1">9</c>)" + sheetTail), false},
      {with(3, "<sst><si>Фидер</si><si><t>ТП</t></si></sst>"), false},
      {with(1, R"(<workbook xmlns:r="r"><sheets><sheet name="Лист" r:id="rId1"/></sheets><sheets><sheet name="Л2" r:id="rId1"/></sheets></workbook>)"), false},
      {with(2, R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="sheet.xml"/>)"
               R"(<Relationship Id="rId2" Type="x/sharedStrings" Target="strings.xml"/><Relationship Id="rId10" Type="x/sharedStrings" Target="strings.xml"/></Relationships>)"), false},
      {with(0, R"(<Relationships xmlns="urn:o"><Relationship Id="rId1" Type="a/officeDocument" Target="xl/workbook.xml"/></Relationships>)"), false},
      {with(2, R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="sheet.xml" TargetMode="External"/></Relationships>)"), false},
      {with(3, "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"windows-1251\"?><sst><si><t>ТП-41</t></si><si><t>ТП</t></si></sst>"), false},
      {with(4, R"(<styleSheet xmlns:x="o"><cellXfs><xf numFmtId="0"/><x:xf numFmtId="14"/><xf numFmtId="164"/><xf numFmtId="14"/></cellXfs></styleSheet>)"), true},
      {with(5, R"(<worksheet xmlns="http://purl.oclc.org/ooxml/spreadsheetml/main"><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c></row></sheetData></worksheet>)"), true},
      // formulas without their results, with them, of the empty text, booleans and error values: read or
      // named by their cell; a book that asks to be calculated on opening; a root that is an extension
      // list is damage
      {with(5, sheetHead + R"(<c r="A1"><f>1825000+200</f><v></v></c><c r="B1"><f t="shared" si="0"/></c><c r="C1" t="e"><v>#N/A</v></c>)" + sheetTail), true},
      {with(5, sheetHead + R"(<c r="A1"><f>IF(B1=0,"",1)</f></c><c r="B1"><f>2750.25*2</f><v>5500.5</v></c><c r="C1" t="e"><f>1/0</f><v>#DIV/0!</v></c>)" + sheetTail), true},
      {with(5, sheetHead + R"(<c r="A1" t="str"><f>IF(1,"",1)</f><v></v></c><c r="B1" t="b"><v>1</v></c><c r="C1" t="b"><f>TRUE()</f><v>0</v></c>)" + sheetTail), true},
      {with(1, R"(<workbook xmlns:r="r"><sheets><sheet name="Лист" r:id="rId1"/></sheets><calcPr fullCalcOnLoad="1"/></workbook>)"), true},
      {with(5, R"(<extLst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><ext><sheetData/></ext></extLst>)"), false}};
  for (const TSeed& seed : seeds) {
    Zip(seed.parts, path);
    std::string error;
    try {
      TSheetReader().Open(path);
    } catch (const Error& e) {
      error = e.what();
    }
    EXPECT_EQ(error.empty(), seed.sound) << error;
    fuzz(seed.parts, kRounds / 8);
  }
}

// The table window's input of a workbook into a table: a damaged book fills the table with the rows it
// gives or leaves every cell and the row count as they were, refused in Russian by the file's name, and
// the column the user may not edit is never written.
TEST(OfficeFuzz, DamagedWorkbooksFillATableWholeOrLeaveItAsItWas) {
  TempDir dir;
  const std::string savedMaket = MaketFileName;
  MaketFileName = dir / "maket.zr";
  WriteBytes(MaketFileName, Utf8ToCp1251("Name=Ввод\r\nExtention=.BSI\r\nCount=4\r\nOrder=1\r\n"
                                         "s,100,20,0,1,1,0,0,Tp,ТП\r\nr,80,12,2,1,1,0,0,P,Мощность\r\n"
                                         "i,40,5,0,1,1,0,0,N,Число\r\ns,100,20,0,0,1,0,0,Lock,Защищ.\r\n"));
  const Rows before = {{"ТП-а", "1", "1", "з1"}, {"ТП-б", "2", "2", "з2"}, {"ТП-в", "3", "3", "з3"}};
  const auto shown = [](const TDataFile& table) {
    std::vector<std::string> cells{std::to_string(table.RowCount)};
    for (int row = 1; row <= table.RowCount; ++row)
      for (int col = 1; col <= table.NCols; ++col) cells.push_back(GetCellText(table, row, col, true));
    return cells;
  };
  TDataFile table;
  FillRows(table, "Ввод", before);
  const std::vector<std::string> untouched = shown(table);
  // Imports the book into a table as `before`: what the table shows after, and the refusal, if any.
  const auto import = [&](const std::string& path, int& refused, int& taken) {
    TDataFile table;
    FillRows(table, "Ввод", before);
    int filled = 0;
    try {
      const TImportTaken read = ImportWorkbookIntoTable(path, table, [&] { ++filled; });
      ++taken;
      EXPECT_EQ(filled, 1);
      EXPECT_GT(read.Items, 0);
      EXPECT_EQ(table.RowCount, std::max<int>(3, static_cast<int>(read.Items)));
      for (int row = 1; row <= table.RowCount; ++row)
        EXPECT_EQ(GetCellText(table, row, 4, true), row <= 3 ? before[row - 1][3] : "") << row;
      for (int row = 1; row <= read.Items; ++row) EXPECT_NE(GetCellText(table, row, 1, true), "") << "no key " << row;
      for (int row = static_cast<int>(read.Items) + 1; row <= 3; ++row)
        EXPECT_EQ(GetCellText(table, row, 1, true), before[row - 1][0]) << row;
    } catch (const Error& e) {
      ++refused;
      ExpectNamed(path, e);
      EXPECT_EQ(filled, 0);
      EXPECT_EQ(shown(table), untouched) << e.what();
    }
    return shown(table);
  };

  const std::vector<std::pair<std::string, std::string>> parts = {
      {"_rels/.rels", R"(<Relationships><Relationship Id="rId1" Type="a/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
      {"xl/workbook.xml", R"(<workbook xmlns:r="r"><sheets><sheet name="Лист" r:id="rId1"/></sheets></workbook>)"},
      {"xl/_rels/workbook.xml.rels",
       R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="sheet.xml"/>)"
       R"(<Relationship Id="rId2" Type="x/sharedStrings" Target="strings.xml"/></Relationships>)"},
      {"xl/strings.xml", R"(<sst><si><t>ТП</t></si><si><t>Мощность</t></si><si><t>Число</t></si><si><t>Защищ.</t></si>)"
                         R"(<si><t>ТП-1</t></si></sst>)"},
      {"xl/sheet.xml", R"(<worksheet><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c>)"
                       R"(<c r="C1" t="s"><v>2</v></c><c r="D1" t="s"><v>3</v></c></row><row r="2"><c r="A2" t="s"><v>4</v></c>)"
                       R"(<c r="B2"><v>12.5</v></c><c r="C2"><v>3</v></c><c r="D2" t="s"><v>4</v></c></row><row r="3">)"
                       R"(<c r="A3" t="inlineStr"><is><t>ТП-2</t></is></c><c r="B3"><v>-0.25</v></c><c r="C3"><v>7</v></c>)"
                       R"(</row></sheetData></worksheet>)"}};
  const std::string path = dir / "ввод.xlsx";
  const std::string sound = Zip(parts, dir / "seed.xlsx");
  WriteBytes(path, sound);
  int refused = 0, taken = 0;
  const std::vector<std::string> seedGives = {"3",    "ТП-1", "12.5", "3", "з1", "ТП-2",
                                              "-0.25", "7",   "з2",   "ТП-в", "3", "3", "з3"};
  ASSERT_EQ(import(path, refused, taken), seedGives);
  std::mt19937 random(20261211);
  for (int round = 0; round < kRounds / 2 && !::testing::Test::HasFailure(); ++round) {
    WriteDamaged(parts, sound, round, random, path);
    import(path, refused, taken);
  }

  const std::string xls = dir / "ввод.xls";
  const std::string legacy = BuildXls({{XlsCell::Text, 1, 1, 0, "ТП"},     {XlsCell::Text, 1, 2, 0, "Мощность"},
                                       {XlsCell::Text, 1, 3, 0, "Число"},  {XlsCell::Text, 1, 4, 0, "Защищ."},
                                       {XlsCell::Text, 2, 1, 0, "ТП-1"},   {XlsCell::Number, 2, 2, 12.5, ""},
                                       {XlsCell::Number, 2, 3, 3, ""},     {XlsCell::Text, 2, 4, 0, "ТП-1"},
                                       {XlsCell::Text, 3, 1, 0, "ТП-2"},   {XlsCell::Number, 3, 2, -0.25, ""},
                                       {XlsCell::Number, 3, 3, 7, ""}});
  WriteBytes(xls, legacy);
  ASSERT_EQ(import(xls, refused, taken), seedGives);
  for (int round = 0; round < kRounds / 4 && !::testing::Test::HasFailure(); ++round) {
    // the damage inside the records, past the compound document's header, allocation table and directory
    std::string damaged = legacy.substr(0, 512 * 3) + Mutate(legacy.substr(512 * 3, 700), random);
    damaged.resize(legacy.size(), '\0');
    WriteBytes(xls, damaged);
    import(xls, refused, taken);
  }
  EXPECT_GT(refused, kRounds / 20);
  EXPECT_GT(taken, kRounds / 20);
  MaketFileName = savedMaket;
}

}  // namespace
}  // namespace ld::test
