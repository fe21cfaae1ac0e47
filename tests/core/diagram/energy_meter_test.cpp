// Metering points: energies from cos and tg, the flow row and the district's feeder row they reach, the
// shift along a chain of lines, the node's own row, and damaged feeder files.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/diagram/energy_meter.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/table_file.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

constexpr char kP = '\xCF';  // "П"
constexpr char kB = '\xC1';  // "Б"

class EnergyMeterTest : public ::testing::Test {
protected:
  EnergyMeterTest() : savedMaket_(MaketFileName) {
    MaketFileName = (DataDir() / "maket.zr").string();
    // A chain 1-2-3-4 with a branch 2-5; the point sits on 3-4.
    FillRows(nodes_, LayoutNodes, {{"1", "ПС.1"}, {"2", "ТП-2"}, {"3", "ТП-3"}, {"4", "ТП-4"}, {"5", "ТП-5"}});
    FillRows(branches_, LayoutBranches,
             {{"", "1", "2", "", "ПС.1", "ТП-2", "Ф-1"}, {"", "2", "3"}, {"", "3", "4", "2"}, {"", "2", "5"}});
    FillRows(flows_, LayoutLineFlows, {{"3", "4", "2", "ТП-3", "ТП-4", "Ф-1 уч.", "5", "1", "0", "+", "7", "0.5"}});
    FillNodeCols(nodes_, nc_);
    FillBranchCols(branches_, bc_);
    FillLineFlowCols(flows_, fc_);
    feeders_ = dir_ / "схема.RSF";
  }
  ~EnergyMeterTest() override { MaketFileName = savedMaket_; }

  TDataFile nodes_, branches_, flows_;
  TNodeCols nc_;
  TBranchCols bc_;
  TLineFlowCols fc_;
  TempDir dir_;
  std::string feeders_;

private:
  std::string savedMaket_;
};

TEST_F(EnergyMeterTest, ConversionsAndTheCosCheck) {
  TMeterEntry e{.Pr = 100, .Qr = 0, .Pl = 40, .Ql = 0.6, .Type = mtWPCos};
  EXPECT_EQ(CheckMeterEntry(e, 0.8), "");
  EXPECT_EQ(CheckMeterEntry(e, 0), "Неверно задан COS") << "the default would be used for the cos of 0";
  ConvertMeterEnergies(e, 0.8, 0.5);
  EXPECT_NEAR(e.Qr, 75, 1e-9);
}

// A node's type letter (balancing, fixed voltage, energy load, in either case) outlives a meter put on it;
// an ordinary node takes the meter's letter.
TEST_F(EnergyMeterTest, NodeMeterKeepsTheNodesTypeLetter) {
  const std::string letters = "bBuUwW+-";
  std::string kept;
  for (const char letter : letters) {
    (*nc_.Sign)[1] = letter;
    TMeterEntry e;
    ReadNodeMeter(nc_, 1, mtWPWQ, e);
    e.Accounting = 2;
    e.Pr = 4;
    WriteNodeMeter(nc_, 1, e);
    kept += nc_.Sign->Get(1);
    EXPECT_EQ(nc_.WPn->Get(1), 4) << letter;
  }
  EXPECT_EQ(kept, "bBuUwW--");
}

TEST_F(EnergyMeterTest, FeederRowsAndKeptLetters) {
  WriteRows(feeders_, LayoutSubstFeeders,
            {{"ТП-3", "ТП-4", "", "1", "", "", "Д"}, {"ТП-3", "ТП-4", "Ф", "2", "0", "0", "Д", "1"}});
  TDataFile f;
  TSubstFeederCols c;
  // "Технический": balancing writes "Б", without it the feeder's letter stays; a consumer's letter stays
  // in both tables.
  TMeterEntry t{.N1 = 9, .N2 = 8, .Nl = 1, .Name1 = "А", .Name2 = "Б", .Balance = true};
  WriteFeederMeter(feeders_, t);
  t.Balance = false, t.Nl = 2, t.Name1 = "ТП-3", t.Name2 = "ТП-4";
  WriteFeederMeter(feeders_, t);
  t.Letter = kP;
  t.Name1 = "ТП-9";
  WriteFeederMeter(feeders_, t);
  EXPECT_EQ(WriteLineMeter(flows_, 0, t), 2) << "a new point appends its row";
  TMeterEntry read;
  FillLineFlowCols(flows_, fc_);
  ReadLineMeter(fc_, bc_, 1, 2, mtWPWQ, read);
  EXPECT_EQ(read.Accounting, 0) << "a consumer's meter opens as a technical one";
  ReadTableFile(feeders_, f);
  FillSubstFeederCols(f, c);
  ASSERT_EQ(c.RowCount, 4);
  EXPECT_EQ(c.B->Get(3), kB);
  EXPECT_EQ(c.B->Get(2), '\xC4') << "without balancing the feeder's letter stays";
  EXPECT_EQ(c.B->Get(4), kP);
}

TEST_F(EnergyMeterTest, DamagedFeederFilesAreRefusedByName) {
  WriteRows(feeders_, LayoutSubstFeeders, {{"ТП-3", "ТП-4", "Ф", "2", "0", "0", "Д", "1", "2", "3"}});
  const std::string good = ReadBytes(feeders_);
  TMeterEntry e{.N1 = 3, .N2 = 4, .Nl = 2, .Name1 = "ТП-3", .Name2 = "ТП-4", .Pr = 1};
  WriteRows(feeders_, LayoutNodes, {{"1", "ТП-1"}});
  try {
    WriteFeederMeter(feeders_, e);
    ADD_FAILURE() << "a node table taken for the feeder table";
  } catch (const Error& x) {
    EXPECT_NE(std::string(x.what()).find(feeders_), std::string::npos) << x.what();
  }
  // A layout of the user's that has every feeder column is still another table: refused, left alone.
  std::string layouts = Cp1251ToUtf8(ReadBytes(MaketFileName));
  const std::size_t from = layouts.find(std::string("Name=") + LayoutSubstFeeders);
  layouts += "\r\n" + layouts.substr(from, layouts.find("\r\n\r\n", from) - from);
  layouts.replace(layouts.rfind("Name="), 5 + std::string(LayoutSubstFeeders).size(), "Name=Фидеры (копия)");
  MaketFileName = dir_ / "maket.zr";
  WriteBytes(MaketFileName, Utf8ToCp1251(layouts) + "\r\n");
  WriteRows(feeders_, "Фидеры (копия)", {{"ТП-3", "ТП-4", "Ф", "2"}});
  const std::string copy = ReadBytes(feeders_);
  EXPECT_THROW(WriteFeederMeter(feeders_, e), Error);
  EXPECT_EQ(ReadBytes(feeders_), copy);
  MaketFileName = (DataDir() / "maket.zr").string();
  std::mt19937 random(20261207);
  for (int round = 0; round < 40; ++round) {
    std::string bytes = good;
    for (std::size_t i = 0, noise = 1 + random() % 30; i < noise; ++i)
      bytes[random() % bytes.size()] = static_cast<char>(random());
    if (round % 3 == 0) bytes.resize(random() % bytes.size());
    WriteBytes(feeders_, bytes);
    try {
      WriteFeederMeter(feeders_, e);
    } catch (const Error& x) {
      EXPECT_NE(std::string(x.what()).find(feeders_), std::string::npos) << x.what();
    }
  }
}

}  // namespace
}  // namespace ld::test
