// Writing an imported base: both tables in place or none, the station table of a base without
// transformers, and the order the station rows are kept in.
#include "core/district/base_import.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/base/error.h"
#include "core/tables/table_file.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class ImportedBase : public ::testing::Test {
protected:
  ImportedBase() {
    MaketFileName = (DataDir() / "maket.zr").string();
    WriteRows(stem + ".RSL", LayoutLines10, {{"1", "", "СТАРАЯ", "ТП-1"}});
    WriteRows(stem + ".RTP", LayoutTransTP, {{"1", "ТП-1", "Т1"}});
  }
  // A base of one section, with or without a transformer.
  TBaseImport NewBase(bool withStation) {
    TBaseImport base;
    TImportLine line;
    line.Sign = U'П';
    line.Name1 = "ПС.35.10";
    line.Name2 = "ТП-9";
    line.Un = "10";
    std::vector<TImportStation> stations;
    if (withStation) stations.push_back({"ТП-9", "Т1", "ТМ-250/10/0.4", 1, 0.2, 0.1, U'А'});
    MakeBaseTables({line}, stations, stem, base);
    return base;
  }
  TempDir dir;
  const std::string stem = dir / "Сеть";
};

TEST_F(ImportedBase, BothTablesTakeThePlaceOfTheOldOnesOrNeither) {
  const std::string oldLines = ReadBytes(stem + ".RSL"), oldStations = ReadBytes(stem + ".RTP");
  // the station table cannot be written: a folder stands where its temporary file would go
  fs::create_directories(stem + ".RTP.new~/x");
  TBaseImport base = NewBase(true);
  EXPECT_THROW(WriteImportedBase(stem, base, false), Error);
  EXPECT_EQ(ReadBytes(stem + ".RSL"), oldLines);
  EXPECT_EQ(ReadBytes(stem + ".RTP"), oldStations);
  EXPECT_FALSE(fs::exists(stem + ".RSL.new~"));
  fs::remove_all(stem + ".RTP.new~");

  WriteImportedBase(stem, base, false);
  TDataFile lines, stations;
  ReadTableFile(stem + ".RSL", lines);
  ReadTableFile(stem + ".RTP", stations);
  EXPECT_EQ(lines.Title, "Сеть");
  ASSERT_EQ(lines.RowCount, 1);
  EXPECT_EQ(GetCellText(lines, 1, FindColumnIndex("Sign", lines), true), "П");
  EXPECT_EQ(GetCellText(lines, 1, FindColumnIndex("Name2", lines), true), "ТП-9");
  ASSERT_EQ(stations.RowCount, 1);
  EXPECT_EQ(GetCellText(stations, 1, FindColumnIndex("A", stations), true), "А");
  EXPECT_EQ(GetCellText(stations, 1, FindColumnIndex("Pn", stations), true), "0.2");
  for (const auto& f : fs::directory_iterator(dir.Path()))
    EXPECT_NE(f.path().filename().string().back(), '~') << f.path();

  // no transformers: the old station table goes, unless an empty one is asked for
  TBaseImport bare = NewBase(false);
  WriteImportedBase(stem, bare, false);
  EXPECT_FALSE(fs::exists(stem + ".RTP"));
  WriteImportedBase(stem, bare, true);
  EXPECT_EQ(ReadFileRowCount(stem + ".RTP"), 0);
  EXPECT_TRUE(IsTableFile(stem + ".RTP"));
}

TEST_F(ImportedBase, StationRowsKeepTheTableOrderAndTheFirstSpellingOfAName) {
  TSortedStations stations;
  stations.Insert("ТП-7", "Т2");
  stations.Insert("тп-7", "Т1").Transform = "ТМ-400/10/0.4";  // one station, whatever the case
  stations.Insert("ТП-10", "Т1");
  stations.Insert("ТП-7", "");
  stations.Insert("Яр", "Т1");
  stations.Insert("Ёлка", "Т1");  // Windows-1251 puts "Ё" before "А"
  ASSERT_NE(stations.Find("Тп-7", "т1"), nullptr);
  EXPECT_EQ(stations.Find("ТП-7", "Т1")->Transform, "ТМ-400/10/0.4");
  EXPECT_EQ(stations.Find("ТП-8", "Т1"), nullptr);
  EXPECT_EQ(stations.LastOf("ТП-7")->Ntr, "Т2");
  EXPECT_EQ(stations.LastOf("ТП-8"), nullptr);
  std::vector<std::string> order;
  for (const TImportStation& s : stations.Rows()) order.push_back(s.Name1 + "/" + s.Ntr);
  EXPECT_EQ(order, (std::vector<std::string>{"Ёлка/Т1", "ТП-10/Т1", "ТП-7/", "тп-7/Т1", "ТП-7/Т2", "Яр/Т1"}));
}

}  // namespace
}  // namespace ld::test
