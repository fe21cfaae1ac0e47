// Damaged sources of the subscriber imports: seeded mutations of small valid dBase bases and workbooks
// are imported or refused with the file's name, never crash, never read outside their bytes (the
// sanitizer build watches), and a refused file leaves the base's table as it was.
#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/base/error.h"
#include "core/district/line04_dbf.h"
#include "core/district/subscriber_dbf.h"
#include "core/district/subscriber_xls.h"
#include "core/office/test_dbf_writer.h"
#include "core/tables/table_file.h"
#include "support/fuzz_mutations.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"
#include "support/xls_builder.h"

namespace ld::test {
namespace {

constexpr int kRounds = 200;

class SubscriberFuzz : public ::testing::Test {
protected:
  SubscriberFuzz() {
    const std::filesystem::path layouts = dir.Path() / "maket.zr";
    WriteLayoutSubset(layouts, {LayoutMeterPoints, LayoutHouseholds, LayoutConsumers, LayoutLines04, LayoutSubstInputs,
                                LayoutSubstFeeders});
    MaketFileName = layouts.string();
  }
  bool NoLocks() const {
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
      if (e.path().string().back() == '~') return false;
    return true;
  }
  TempDir dir;
  const std::string stem = dir / "Район";
  ScriptedMsgBox box;
};

TEST_F(SubscriberFuzz, DamagedDbfBasesAreImportedOrRefusedByName) {
  const std::string file = dir / "prom.dbf";
  WriteDbf(file,
           {{"RES_ID", 'N', 3},
            {"NAMETP", 'C', 10},
            {"NDOG", 'C', 6},
            {"TYPCOUNTER", 'N', 2},
            {"DEVICE", 'C', 2},
            {"W", 'N', 10, 2},
            {"WT", 'N', 10, 2},
            {"WS", 'N', 10, 2},
            {"LENGTH", 'N', 8, 3},
            {"ABON", 'C', 2},
            {"NTR", 'C', 4},
            {"FIDER", 'C', 4},
            {"PRIM", 'C', 4},
            {"MARK", 'C', 4}},
           {{"7", "тп-1", "12", "1", "K", "5", "1", "7", "0.35", "А", "1", "1", "", "ас"},
            {"7", "ТП-2", "13", "x", "", "1e300", "", "", "abc", "", "Т-2", "2", "п", "ас"},
            {"3", "ТП-3", "14", "2", "Y", "-1", "", "", "1", "", "", "3", "", ""}},
           {3});
  const std::string valid = ReadBytes(file);
  // the binary numbers of later dBase variants: integer, double, level 7 double, currency
  WriteDbf(file,
           {{"RES_ID", 'I', 4}, {"NAMETP", 'C', 10}, {"NUMPOINT", 'I', 4}, {"W", 'B', 8}, {"WS", 'O', 8},
            {"KTOK", 'Y', 8}, {"COUNTAB", 'I', 4}, {"LENGTH", 'B', 8}, {"NDOGOV", 'I', 2}},
           {{DbfInteger(7), "тп-1", DbfInteger(40000), DbfDouble(12.5), DbfLevel7Double(-3), DbfCurrency(15000),
             DbfInteger(-1), DbfDouble(0.35), DbfInteger(12, 2)},
            {DbfInteger(7), "ТП-2", DbfInteger(2), DbfDouble(1e300), DbfLevel7Double(1e-9), DbfCurrency(-1),
             DbfInteger(5), DbfDouble(-0.0), DbfInteger(-1, 2)}});
  const std::vector<std::string> seeds = {valid, ReadBytes(file)};
  WriteRows(stem + ".R04", LayoutLines04, {{"СТАРАЯ"}});
  const std::string oldLines = ReadBytes(stem + ".R04");
  std::mt19937 random(46046);
  int imported = 0;
  for (int round = 0; round < kRounds * static_cast<int>(seeds.size()); ++round) {
    WriteBytes(file, Mutate(seeds[static_cast<std::size_t>(round / kRounds)], random));
    std::vector<std::string> info;
    TSubscriberDbfRequest r;
    r.BaseStem = stem;
    r.Prom = r.Byt = r.Dog = true;
    r.PathProm = r.PathByt = r.PathDog = file;
    r.AddMode = round % 2 == 1;
    r.DistrictNo = round % 3 == 0 ? 7 : 0;
    const std::string shown = ImportSubscriberBasesDbf(r, info);
    if (shown.empty()) {
      ASSERT_FALSE(info.empty());
      // an unreadable record, or a name the tables cannot hold named by its record and field
      if (info.back().rfind("Ошибка чтения файла \"" + file + "\": строка ", 0) != 0) {
        EXPECT_EQ(info.back(), "Ошибка чтения базы промышленных абонентов (файл " + file + ")");
      }
    } else {
      ++imported;
      TDataFile consumers;
      ReadTableFile(stem + ".RAB", consumers);
      TDbfTable dbf;
      std::string error;
      ASSERT_TRUE(dbf.Open(file, error));
      int live = 0;
      for (bool more = dbf.First(); more; more = dbf.Next()) ++live;
      EXPECT_EQ(consumers.RowCount, live) << "one row per live record";
    }

    info.clear();
    TLine04Request lines;
    lines.BaseStem = stem;
    lines.Path = file;
    if (!ImportLines04Dbf(lines, info)) {
      ASSERT_EQ(info.size(), 1u);
      EXPECT_EQ(ReadBytes(stem + ".R04"), oldLines) << info[0];
    } else {
      WriteRows(stem + ".R04", LayoutLines04, {{"СТАРАЯ"}});
    }
    ASSERT_TRUE(NoLocks());
  }
  EXPECT_GT(imported, 0);
}

TEST_F(SubscriberFuzz, DamagedWorkbooksAreImportedOrRefusedByName) {
  const std::string file = dir / "byt.xlsx";
  lxw_workbook* book = workbook_new(file.c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  const char* rows[][4] = {{"ТП-1", "", "", ""}, {"1", "2", "3", "100"}, {"2", "ТП-1.Т1.Ф2", "x", "АЕ спож."}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c)
      worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), rows[r][c], nullptr);
  worksheet_write_number(sheet, 3, 0, 5, nullptr);
  ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
  const std::string valid = ReadBytes(file);
  WriteRows(stem + ".RSF", LayoutSubstFeeders, {{"ПС-1", "ЯЧ-1", "ТП-1"}});
  std::mt19937 random(4646);
  // besides the workbook above, seeds that are refused as they stand: a legacy workbook whose cell
  // names a text past its table, and one without a sheet
  const std::vector<std::string> seeds = {
      valid, WithTextIndex(BuildXls({{XlsCell::Text, 1, 1, 0, "ТП-1"}, {XlsCell::Text, 3, 6, 0, "ТП-1.Т1"}}), 3, 6, 5),
      XlsWithoutSheet()};
  for (int round = 0; round < kRounds + kRounds / 2; ++round) {
    // the first rounds go to the first workbook as they always did
    const std::string& seed = round < kRounds ? valid : seeds[1 + round % 2];
    WriteBytes(file, round == kRounds || round == kRounds + 1 ? seed : Mutate(seed, random));
    const std::string oldBpa = ReadBytes(stem + ".BPA");
    std::vector<std::string> info;
    TSubscriberXlsRequest r;
    r.BaseStem = stem;
    r.Prom = r.Byt = r.Tech = true;
    r.PathProm = r.PathByt = r.PathTech = file;
    try {
      EXPECT_EQ(ImportSubscriberBasesXls(r, info), LayoutMeterPoints);
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
      EXPECT_EQ(ReadBytes(stem + ".BPA"), oldBpa) << "the first workbook refused: nothing written";
    }
    ASSERT_TRUE(NoLocks());
  }
}

}  // namespace
}  // namespace ld::test
