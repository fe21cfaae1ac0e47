// Damaged workbooks: thousands of seeded mutations of small valid files are refused with the file's
// name or read, never crash and never read outside their bytes (the sanitizer build watches).
#include <gtest/gtest.h>
#include <zip.h>

#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/base/error.h"
#include "core/office/sheet_reader.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "support/fuzz_mutations.h"
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

// Reads one damaged file; false (with a test failure) when a refusal does not name it. The district's
// sheet reader, which keeps the first sheet alone in its own form, must show that sheet's cells as the
// whole workbook does, or refuse with the file's name.
void ReadOrRefuse(const std::string& path, int& refused) {
  std::optional<Workbook> book;
  try {
    book = ReadWorkbook(path);
    for (const Worksheet& sheet : book->sheets)
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
    ASSERT_TRUE(!book || book->sheets.empty()) << "the first sheet was read whole, not alone: " << e.what();
    return;
  }
  ASSERT_TRUE(!book || !book->sheets.empty()) << "a workbook without sheets opened";
  if (!book) return;
  const Worksheet& first = book->sheets.front();
  for (const auto& [at, cell] : first.Cells())
    ASSERT_EQ(reader.Cell(at.first, at.second), first.CellText(at.first, at.second)) << at.first << ":" << at.second;
  ASSERT_EQ(reader.Cell(first.LastRow() + 1, 1), "");
}

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

  // Seeds of their own: a text cell naming a text past the table, and a workbook without a sheet.
  for (const std::string& seed : {WithTextIndex(valid, 1, 2, 7), XlsWithoutSheet()}) {
    WriteBytes(path, seed);
    TSheetReader reader;
    EXPECT_THROW(reader.Open(path), Error);
    for (int round = 0; round < kRounds / 4; ++round) {
      WriteBytes(path, Mutate(seed, random));
      ReadOrRefuse(path, refused);
    }
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
      if (round % 2 == 0) {
        WriteBytes(path, Mutate(sound, random));
      } else {
        // Damage inside one part of a sound package, past the package's own checks.
        auto damaged = seed;
        auto& part = damaged[random() % damaged.size()].second;
        part = Mutate(part, random);
        Zip(damaged, path);
      }
      ReadOrRefuse(path, refused);
    }
  };
  fuzz(parts, kRounds);
  EXPECT_GT(refused, kRounds / 10);
  EXPECT_LT(refused, kRounds);

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
}

}  // namespace
}  // namespace ld::test
