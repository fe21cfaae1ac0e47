// Opening a scheme of the old branch format, damaged branch files and the refresh of a branch table.
#include "core/regime/scheme_files.h"
#include "core/regime/grid_refresh.h"

#include <random>

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

// "Сохранить как" writes the copy in one run with the bytes that a copy of each file followed by the
// rounding of the copied scheme writes, for a rounded name and a plain one.
TEST_F(SchemeFiles, SavedCopyHoldsTheBytesOfTheFileByFileCopy) {
  const std::string sample = (DataDir() / "Пример").string();
  // folders of names equally long: the title of a copy is its full path
  const std::string one = Utf8ToCp1251("поодно"), all = Utf8ToCp1251("вместе");
  std::filesystem::create_directories(dir / "поодно");
  std::filesystem::create_directories(dir / "вместе");
  for (const std::string name : {"Копия3-", "Копия"}) {
    SCOPED_TRACE(name);
    const std::string byFile = dir / ("поодно/" + name), together = dir / ("вместе/" + name);
    for (const char* ext : {".UZL", ".VET"}) CopyTableFile(sample + ext, byFile + ext);
    RoundSchemeCopy(byFile);
    SaveSchemeAs(sample, together);
    for (const char* ext : {".UZL", ".VET"}) {
      std::string bytes = ReadBytes(together + ext);
      const std::size_t at = bytes.find(all);
      ASSERT_NE(at, std::string::npos) << ext;
      bytes.replace(at, all.size(), one);
      EXPECT_EQ(bytes, ReadBytes(byFile + ext)) << ext;
    }
  }
}

// The columns a branch table gets refreshed before the grid writes it.
TEST_F(SchemeFiles, BranchEndsFromTheSwitchingLetterAndTheTextFromTheEquipment) {
  TDataFile branches;
  ReadMaket(LayoutBranches, branches);
  const char* letters[] = {"Н", "К", "О", "", "Z"};
  CreateColumns(branches, 5);
  TBranchCols b;
  FillBranchCols(branches, b);
  for (int r = 1; r <= 5; ++r) (*b.Commut)[r] = Letter(letters[r - 1]), (*b.Com1)[r] = (*b.Com2)[r] = 'x';
  b.TypEqu->SetItem(1, "T2|Т1|0");
  b.Mark->SetItem(1, "ТМН-6300/35");
  b.Notv[1] = 3;
  RefreshBranchTable(branches, nullptr);
  std::string ends;  // the ends' letters of each row, "-" for none
  for (int r = 1; r <= 5; ++r)
    for (const char c : {b.Com1->Get(r), b.Com2->Get(r), ' '}) ends += c ? c : '-';
  EXPECT_EQ(ends, "o- -o oo -- xx ");
  EXPECT_EQ(b.Text->GetItem(1), "T2|Т1|0ТМН-6300/35Pos=3");
}

}  // namespace
}  // namespace ld::test
