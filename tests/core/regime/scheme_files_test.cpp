// Opening a scheme of the old branch format, the caption of an open scheme and the rounded copy.
#include "core/regime/scheme_files.h"

#include <random>

#include "core/base/dates.h"
#include "core/base/error.h"
#include "regime_test.h"

namespace ld::test {
namespace {

using SchemeFiles = RegimeTest;

// A layout file like the program's, but its branch block lacks "Commut", as the old files do.
std::string OldLayout(const TempDir& dir) {
  std::string maket = Cp1251ToUtf8(ReadBytes(DataDir() / "maket.zr"));
  const std::size_t block = maket.find("Name=Ветви схемы");
  const std::size_t count = maket.find("Count=", block);
  const std::size_t countEnd = maket.find('\r', count);
  const int columns = std::stoi(maket.substr(count + 6, countEnd - count - 6));
  maket.replace(count, countEnd - count, "Count=" + std::to_string(columns - 1));
  const std::size_t column = maket.find(",Commut,", block);
  const std::size_t lineStart = maket.rfind('\n', column) + 1;
  maket.erase(lineStart, maket.find('\n', column) + 1 - lineStart);
  WriteBytes(dir.Path() / "old.zr", Utf8ToCp1251(maket));
  return dir / "old.zr";
}

std::string Text(char c) { return c == 0 ? std::string() : Cp1251ToUtf8(std::string(1, c)); }

TEST_F(SchemeFiles, OldBranchFileIsUpgradedOnce) {
  const std::string vet = dir / "old.VET";
  struct Old {
    char com1, com2;
    const char* text;
    std::int16_t notv;
  };
  const Old rows[] = {{'O', 'o', "TR|A|1ТМ-400Pos=3", 0}, {'F', 'O', "ТМ-250", 7}, {0, 'O', "", 0},
                      {'o', 0, "LN|АС-70|", 0}, {0, 0, "T3|ТДТН|2", 0}};
  MaketFileName = OldLayout(dir);
  {
    TDataFile old;
    ReadMaket(LayoutBranches, old);
    CreateColumns(old, 5);
    for (int row = 1; row <= 5; ++row) {
      const Old& o = rows[row - 1];
      *GetColumnAs<DAChar>("Com1", old)->ItemPtr(row) = o.com1;
      *GetColumnAs<DAChar>("Com2", old)->ItemPtr(row) = o.com2;
      GetColumnAs<DAString>("Text", old)->SetItem(row, o.text);
      *GetColumnAs<DAsmallint>("Notv", old)->ItemPtr(row) = o.notv;
    }
    WriteTableFile(vet, old);
  }
  MaketFileName = (DataDir() / "maket.zr").string();

  ASSERT_TRUE(UpgradeOldBranchFile(vet));
  TDataFile table;
  ReadTableFile(vet, table);
  TBranchCols b;
  FillBranchCols(table, b);
  const char* commut[] = {"О", "Ф", "К", "Н", ""};
  const char* typEqu[] = {"TR|A|1", "", "", "LN|АС-70|", "T3|ТДТН|2"};
  const char* mark[] = {"ТМ-400", "ТМ-250", "", "", ""};
  const int notv[] = {3, 7, 0, 0, 0};
  for (int row = 1; row <= 5; ++row) {
    EXPECT_EQ(Text(b.Commut->Get(row)), commut[row - 1]) << row;
    EXPECT_EQ(b.TypEqu->GetItem(row), typEqu[row - 1]) << row;
    EXPECT_EQ(b.Mark->GetItem(row), mark[row - 1]) << row;
    EXPECT_EQ(b.Notv->Get(row), notv[row - 1]) << row;
  }

  // Once it stores Commut the file is never rewritten, whatever its old columns still say.
  const std::string bytes = ReadBytes(vet);
  EXPECT_FALSE(UpgradeOldBranchFile(vet));
  EXPECT_EQ(ReadBytes(vet), bytes);
  EXPECT_FALSE(UpgradeOldBranchFile(dir / "missing.VET"));
}

// Damaged branch files of either format: the upgrade and the rounded copy refuse with a message that
// names the file, or leave it alone; nothing crashes.
TEST_F(SchemeFiles, DamagedFilesAreRefusedByName) {
  MaketFileName = OldLayout(dir);
  {
    TDataFile old;
    ReadMaket(LayoutBranches, old);
    CreateColumns(old, 3);
    for (int row = 1; row <= 3; ++row) {
      *GetColumnAs<DAChar>("Com1", old)->ItemPtr(row) = 'O';
      GetColumnAs<DAString>("Text", old)->SetItem(row, "TR|ТДН|1ТМPos=" + std::to_string(row));
    }
    WriteTableFile(dir / "good.VET", old);
  }
  MaketFileName = (DataDir() / "maket.zr").string();
  const std::string good = ReadBytes(dir / "good.VET");
  std::mt19937 random(20261207);
  for (int round = 0; round < 80; ++round) {
    std::string bytes = good;
    const int changes = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < changes; ++i) bytes[random() % bytes.size()] = static_cast<char>(random() % 256);
    if (round % 10 == 0) bytes.resize(random() % bytes.size());
    const std::string file = dir / "Копия1-.VET";
    WriteBytes(file, bytes);
    try {
      UpgradeOldBranchFile(file);
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("Копия1-.VET"), std::string::npos) << e.what();
    }
    WriteBytes(dir / "Копия1-.UZL", bytes);
    RoundSchemeCopy(dir / "Копия1-");  // says nothing whatever it finds
  }
}

TEST_F(SchemeFiles, CaptionCarriesTheSwitchingMoment) {
  const std::string path = dir / "Фидер";
  EXPECT_EQ(SchemeCaption(path), "Z-режим - Фидер");
  WriteCurDateSwt(path, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0));
  EXPECT_EQ(SchemeCaption(path), "Z-режим - Фидер (05.03.2004 10:30)");
}

TEST_F(SchemeFiles, CopyIsRoundedByTheDigitBeforeTheDash) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.57f;
  s.Node(2, "", 1.57, 0.234).Um = 10;
  s.Branch(2, 1, 1.57f, 2.449f).Kta = 0.0415f;
  struct Case {
    const char* stem;
    double pn, qn, r, x;
  };
  const Case cases[] = {{"Копия1-", 1.6, 0.2, 1.6, 2.4}, {"Копия2", 1.57, 0.234, 1.57, 2.449}};
  for (const Case& c : cases) {
    const std::string path = s.Write(dir.Path(), c.stem);
    RoundSchemeCopy(path);
    const TDataFile nodes = ReadTable(path + ".UZL"), branches = ReadTable(path + ".VET");
    EXPECT_NEAR(TNumberColumn("Pn", nodes).Get(2), c.pn, 1e-6) << c.stem;
    EXPECT_NEAR(TNumberColumn("Qn", nodes).Get(2), c.qn, 1e-6) << c.stem;
    EXPECT_NEAR(TNumberColumn("R", branches).Get(1), c.r, 1e-6) << c.stem;
    EXPECT_NEAR(TNumberColumn("X", branches).Get(1), c.x, 1e-6) << c.stem;
  }
}

}  // namespace
}  // namespace ld::test
