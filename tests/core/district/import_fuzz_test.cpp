// Damaged sources of the base imports: seeded mutations of small valid network tables, feeder files and
// network workbooks are imported or refused with the file's name, never crash, never read outside
// their bytes (the sanitizer build watches) and lose no row of what was read.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/import_text.h"
#include "core/base/strings.h"
#include "core/district/import_net_workbooks.h"
#include "core/district/import_psh.h"
#include "core/district/import_rs.h"
#include "core/office/xlsx_file.h"
#include "core/tables/table_file.h"
#include "support/fuzz_mutations.h"
#include "support/table_rows.h"
#include "support/test_env.h"
#include "support/xls_builder.h"

namespace ld::test {
namespace {

constexpr int kRounds = 600;

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

class ImportFuzz : public ::testing::Test {
protected:
  ImportFuzz() {
    // the layouts read for every damaged file; the whole layout file would cost more than the tables
    const std::filesystem::path layouts = dir.Path() / "maket.zr";
    WriteLayoutSubset(layouts, {LayoutDistrict10, LayoutLines10, LayoutTransTP});
    MaketFileName = layouts.string();
  }
  TempDir dir;
};

TEST_F(ImportFuzz, DamagedNetworkTablesAreImportedWholeOrRefusedByName) {
  const std::string file = dir / "a.RS";
  WriteRows(file, LayoutDistrict10,
            {{"П", "ПС.35.10", "Ф-5", "", "", "", "", "", "0", "0", "0", "Фидер"},
             {"", "ПС.35.10", "ТП-7.2", "О", "-", "", "АС-50", "2ТМ-400,ТМ-250", "1", "0.1", "0.05"},
             {"+", "ТП-7.2", "12", "", "", "", "АС-35"},
             {"Т", "12", "ПС-1 10", "", "", "", "ТДН-10000/35/10", "999ТМ-1"}});
  const std::string valid = ReadBytes(file);
  // A table whose loads are no numbers, and one that reads whole.
  TDataFile table;
  FillRows(table, LayoutDistrict10, {{"П", "ПС.35.10", "Ф-5"},
                                     {"", "ПС.35.10", "ТП-7", "", "", "", "АС-50", "2ТМ-400", "1", "0.1", "0.05"},
                                     {"+", "ТП-7", "12", "", "", "", "АС-35", "", "2", "0", "0"}});
  const int p = FindColumnIndex("P", table), q = FindColumnIndex("Q", table);
  static_cast<DAsingle&>(*table.Columns[p])[2] = std::numeric_limits<float>::quiet_NaN();
  static_cast<DAsingle&>(*table.Columns[q])[3] = std::numeric_limits<float>::infinity();
  WriteTableFile(file, table);
  const std::string notNumbers = ReadBytes(file);
  static_cast<DAsingle&>(*table.Columns[p])[2] = 0.5f;
  static_cast<DAsingle&>(*table.Columns[q])[3] = 0.25f;
  WriteTableFile(file, table);
  const std::string whole = ReadBytes(file);
  const std::string seeds[] = {valid, notNumbers, whole};
  std::mt19937 random(20261207);
  int refused = 0;
  const auto importOrRefuse = [&](const std::string& bytes) {
    WriteBytes(file, bytes);
    TBaseImport base;
    try {
      ImportDistrictFiles({file}, dir / "Б", base);
    } catch (const Error& e) {
      ++refused;
      ASSERT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
      return;
    }
    TDataFile read;
    ReadTableFile(file, read);
    ASSERT_EQ(base.Lines.RowCount, read.RowCount) << "every row read becomes a section";
    for (const std::string& m : base.Messages) ASSERT_TRUE(StartsWith(m, "a.RS. Строка ")) << m;
  };
  for (int round = 0; round < kRounds && !HasFatalFailure(); ++round) importOrRefuse(Mutate(seeds[round % 3], random));
  EXPECT_GT(refused, 0);
  EXPECT_LT(refused, kRounds);

  // A seed of its own, refused as it stands: rows whose lists give more transformers than one file may.
  WriteRows(file, LayoutDistrict10, Rows(101, {"", "ТП-1", "ТП-2", "", "", "", "", "999ТМ-1"}));
  const std::string crowded = ReadBytes(file);
  const int before = refused;
  importOrRefuse(crowded);
  EXPECT_EQ(refused, before + 1);
  for (int round = 0; round < kRounds / 60 && !HasFatalFailure(); ++round) importOrRefuse(Mutate(crowded, random));

  // Seeds at the ends of their fields: a supply's voltage of six characters and a transformer mark that
  // its voltages bring to forty; and the same a character longer, refused as it stands.
  const auto atTheEnd = [&](int extra) {
    std::string mark = "ТМГ-400";
    while (static_cast<int>(Utf8Length(mark)) < 29 + extra) mark += "Х";
    WriteRows(file, LayoutDistrict10,
              {{"П", "ПС.35.110000", "Ф-5"}, {"", "Ф-5", "ТП-1.2", "", "", "", "АС-50", "2" + mark, "1", "0.1", "0.05"}});
    return ReadBytes(file);
  };
  const std::string full = atTheEnd(0), past = atTheEnd(1);
  const int sound = refused;
  importOrRefuse(full);
  EXPECT_EQ(refused, sound);
  importOrRefuse(past);
  EXPECT_EQ(refused, sound + 1);
  for (int round = 0; round < kRounds / 6 && !HasFatalFailure(); ++round)
    importOrRefuse(Mutate(round % 2 == 0 ? full : past, random));
}

TEST_F(ImportFuzz, DamagedFeederFilesAreImportedOrRefusedByName) {
  const auto piece = [](const std::string& n1, const std::string& n2, const std::string& state, const std::string& mark,
                        const std::string& km, const std::string& trans) {
    return Utf8ToCp866(FitRight(n1, 8) + " " + FitRight(n2, 8) + " " + FitRight(state, 4) + " " + FitRight(mark, 9) +
                       FitLeft(km, 8) + " " + trans) +
           "\r\n";
  };
  const std::string valid = Utf8ToCp866("Фидер\r\n\r\n") + piece("ЛЕСНАЯ", "ТП-1", "", "АС-50", "0.25", "ТМ-250") +
                            piece("ТП-1", "12", "+", "АС-35", "0.1", "-") +
                            piece("ТП-1", "12", "=", "А-35", "0.1", "ТМ-400") +
                            piece("12", "ТП-2", "ОВВ", "ШИНЫ", "0", "-") + piece("ТП-2", "ЛЕСНАЯ2", "", "А", "1", "-");
  // The same file written in Windows-1251: its capitals are signs that no table holds.
  const std::string windows = Utf8ToCp1251(Cp866ToUtf8(valid));
  const std::filesystem::path folder = dir.Path() / "фидеры";
  std::filesystem::create_directories(folder);
  std::mt19937 random(7122026);
  int refused = 0;
  for (int round = 0; round < kRounds; ++round) {
    const std::string damaged = Mutate(round % 4 == 3 ? windows : valid, random);
    WriteBytes(folder / "f.psh", damaged);
    // a section per line that neither continues nor runs beside the one before, at most
    std::size_t lines = 0;
    for (std::size_t at = 0, n = 0; at <= damaged.size(); ++n) {
      const std::size_t end = damaged.find('\n', at);
      const std::string line = damaged.substr(at, end == std::string::npos ? std::string::npos : end - at);
      // the third line is taken as it stands, blank or not; later blank lines are skipped
      if ((n == 2 && (end != std::string::npos || !line.empty())) || (n > 2 && !ImportName(Cp866ToUtf8(line)).empty()))
        ++lines;
      if (end == std::string::npos) break;
      at = end + 1;
    }
    TBaseImport base;
    try {
      ImportPshFolder((folder / "Б").string(), base);
    } catch (const Error& e) {
      ++refused;
      // a file cut to its two heading lines gives no section, and no empty base is made of it
      if (lines == 0) {
        ASSERT_EQ(std::string(e.what()), NothingImportedText(PshFolderSource((folder / "Б").string()),
                                                             "f.psh: в файле нет строк участков (с третьей строки)"));
        continue;
      }
      ASSERT_TRUE(StartsWith(e.what(), "Ошибка чтения файла \"" + (folder / "f.psh").string() + "\": строка "))
          << e.what();
      continue;
    }
    ASSERT_GT(base.Lines.RowCount, 0);
    ASSERT_LE(base.Lines.RowCount, static_cast<int>(lines));
    for (const std::string& m : base.Messages) ASSERT_TRUE(StartsWith(m, "Файл f.psh. Строка ")) << m;
  }
  EXPECT_GT(refused, 0);
  EXPECT_LT(refused, kRounds);
}

void ImportOrRefuse(const std::string& file, int& refused) {
  TBaseImport base;
  try {
    ImportNetWorkbooks({file}, file + ".base", base);
  } catch (const Error& e) {
    ++refused;
    ASSERT_TRUE(StartsWith(e.what(), "Ошибка чтения файла \"" + file + "\"")) << e.what();
    return;
  }
  for (const std::string& m : base.Messages) ASSERT_TRUE(StartsWith(m, "файл " + file + ", строка ")) << m;
}

TEST_F(ImportFuzz, DamagedNetworkWorkbooksAreImportedOrRefusedByName) {
  Workbook book;
  Worksheet& sheet = book.sheets.emplace_back("Лист1");
  sheet.SetNumber(1, 1, 10);
  sheet.SetText(4, 1, "ПС-1.Ф5");
  sheet.SetNumber(4, 3, 0.25);
  sheet.SetText(4, 4, "АС-50");
  sheet.SetText(5, 1, "ТП-1");
  sheet.SetText(5, 2, "ТП-2");
  sheet.SetNumber(5, 3, 1);
  sheet.SetNumber(5, 6, 400);
  const std::string xlsx = dir / "n.xlsx";
  WriteXlsx(xlsx, book);
  const std::string validXlsx = ReadBytes(xlsx);
  const std::string validXls = BuildXls({{XlsCell::Number, 1, 1, 10, ""},
                                         {XlsCell::Text, 4, 1, 0, "ТП-1"},
                                         {XlsCell::Text, 4, 2, 0, "ТП-2"},
                                         {XlsCell::Number, 4, 3, 0.5, ""},
                                         {XlsCell::Text, 4, 4, 0, "АС-50"},
                                         {XlsCell::Number, 4, 6, 250, ""}});
  const std::string xls = dir / "o.xls";
  std::mt19937 random(31122026);
  int refused = 0;
  for (int round = 0; round < kRounds; ++round) {
    if (round % 2 == 0) {
      WriteBytes(xlsx, Mutate(validXlsx, random));
      ImportOrRefuse(xlsx, refused);
    } else {
      // the damage inside the records, past the compound document's header, allocation table and directory
      std::string damaged = validXls.substr(0, 512 * 3) + Mutate(validXls.substr(512 * 3, 600), random);
      damaged.resize(validXls.size(), '\0');
      WriteBytes(xls, damaged);
      ImportOrRefuse(xls, refused);
    }
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(refused, 0);
  EXPECT_LT(refused, kRounds);

  // Seeds of their own, each refused as it stands: a cell naming a text past the workbook's table, a
  // workbook without a sheet, and one whose text longer than any field is named by a thousand rows.
  std::vector<XlsCell> named{{XlsCell::Number, 1, 1, 10, ""}};
  for (int row = 4; row <= 1003; ++row) named.push_back({XlsCell::Text, row, 1, 0, "ТП-" + std::string(300, '5')});
  for (const std::string& seed : {WithTextIndex(validXls, 4, 2, 9), XlsWithoutSheet(), BuildXls(named)}) {
    WriteBytes(xls, seed);
    const int before = refused;
    ImportOrRefuse(xls, refused);
    EXPECT_EQ(refused, before + 1);
    for (int round = 0; round < kRounds / 4 && !HasFatalFailure(); ++round) {
      WriteBytes(xls, Mutate(seed, random));
      ImportOrRefuse(xls, refused);
    }
  }
}

}  // namespace
}  // namespace ld::test
