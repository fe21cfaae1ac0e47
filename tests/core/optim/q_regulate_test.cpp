// The reactive regulation of a time slice: its messages, the table it leaves and its own stop flag.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/optim/q_optim.h"
#include "core/optim/q_prepare.h"
#include "core/optim/q_regulate.h"
#include "core/tables/file_guard.h"
#include "core/optim/q_fixture.h"
#include "support/fuzz_mutations.h"

namespace ld::test::optim {
namespace {

class QRegulation : public ::testing::Test {
protected:
  TempDir dir;
  TRegime regime;
  std::string path;
  std::string savedConfig = ConfigFileName;

  void SetUp() override {
    path = WriteTwoNodeScheme(dir.Path());
    ConfigFileName = dir / "prog.ini";
    regime.ReadScheme(path);
    regime.ApplyTimeData(0, 0, 0, 0, 0, false);
    regime.FormMatrices();
    regime.RunIterations();
  }
  void TearDown() override { ConfigFileName = savedConfig; }

  void Settings(const std::string& lines) { std::ofstream(ConfigFileName) << "[OptimQ]\n" << lines; }
  void WriteSources(const std::vector<QRow>& rows) { WriteSourceTable(path, rows); }
  TDataFile ReadSources() { return ReadSchemeTable(path, LayoutReactiveSources); }
  static double Cell(const TDataFile& t, const char* field, int row = 1) {
    return GetColumnAs<DAdouble>(field, t)->Get(row);
  }
};

TEST_F(QRegulation, MissingTableMissingNodeAndIterationLimit) {
  std::vector<std::string> log;
  RegulateQInLossCalc(regime, 1, log, "05.03.2004 10:00", false, {});
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(std::filesystem::exists(path + GetMaketExtention(LayoutReactiveSources)));

  WriteSources({{2}, {17}});
  RegulateQInLossCalc(regime, 1, log, "05.03.2004 10:00", false, {});
  EXPECT_EQ(log, std::vector<std::string>{"Таблица оптимизации Q: узел 17 не найден"});

  // 10 kVAr a step cannot reach the optimum near 1020 kVAr within the engine's 100 iterations.
  log.clear();
  Settings("Method=0\n");
  WriteSources({{2}});
  RegulateQInLossCalc(regime, 1, log, "05.03.2004 10:00", false, {});
  EXPECT_EQ(log, std::vector<std::string>{"Оптимизация Q: 05.03.2004 10:00 - точность оптимизации не достигнута"});
  const TDataFile t = ReadSources();
  EXPECT_NEAR(Cell(t, "Qopt"), 1010, 1e-9);  // one step of 10 kVAr per iteration, 101 of them
  EXPECT_NEAR(FindQNode(regime, 2)->Load2.imag(), 1.010, 1e-9);  // the model keeps the powers reached
}

TEST_F(QRegulation, TableHoldsTheSliceAndGraphVoltagesHoldWatchedNodes) {
  Settings("Method=4\nKu=0\n");
  SetSourceGenerated(*FindQNode(regime, 2), 0.2);  // the slice's model holds 200 kVAr
  WriteSources({{2, 900, 0, 0, 2, 1, 20, -2, 1, 2}});
  LockTableFiles(path, GetMaketExtention(LayoutReactiveSources));
  std::vector<std::string> log;
  TSliceVoltages graphs;
  graphs.NodeVoltage[2] = 9.95;
  RegulateQInLossCalc(regime, 3, log, "срез", false, graphs);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(std::filesystem::exists(path + GetMaketExtention(LayoutReactiveSources) + "~"));  // lock kept
  UnlockTableFiles(path, GetMaketExtention(LayoutReactiveSources));
  const TDataFile t = ReadSources();
  EXPECT_DOUBLE_EQ(Cell(t, "Qish"), 200);
  EXPECT_NEAR(Cell(t, "Qopt"), 1020.4, 3);
  EXPECT_NEAR(Cell(t, "dQ"), Cell(t, "Qopt") - 200, 1e-9);
  EXPECT_EQ(std::pair(Cell(t, "Umin"), Cell(t, "U2min")), std::pair(9.95, 9.95));
  EXPECT_NEAR(Cell(t, "Umod"), std::abs(FindQNode(regime, 2)->U), 1e-9);
  EXPECT_NEAR(FindQNode(regime, 2)->Load2.imag() * 1000, Cell(t, "Qopt"), 1e-9);

  // With the node table written too.
  RegulateQInLossCalc(regime, 3, log, "срез", true, graphs);
  EXPECT_NEAR(GetColumnAs<DAdouble>("Qg", ReadSchemeTable(path, LayoutNodes))->Get(2), Cell(ReadSources(), "Qopt") * 0.001, 1e-12);
}

TEST_F(QRegulation, OwnStopFlagClearedOnEveryCall) {
  Settings("Method=0\ndQt=100\n");
  WriteSources({{2}});
  std::vector<std::string> log;
  RegulateQInLossCalc(regime, 1, log, "a", false, {}, [] { return true; });
  EXPECT_EQ(std::pair(Cell(ReadSources(), "Qopt"), log.size()), std::pair(100.0, std::size_t{1}));  // not accurate
  log.clear();
  Settings("Method=4\nKu=0\n");
  RegulateQInLossCalc(regime, 1, log, "b", false, {});
  EXPECT_TRUE(log.empty());
  EXPECT_NEAR(Cell(ReadSources(), "Qopt"), 1020.4, 3);
}

TEST_F(QRegulation, DamagedTableFilesNameTheFile) {
  Settings("Method=4\nKu=0\n");
  WriteSources({{2, 0, 0, 0, 2, 9, 11}});
  const std::string file = path + GetMaketExtention(LayoutReactiveSources);
  const std::string valid = ReadBytes(file);
  std::mt19937 random(27);
  for (int i = 0; i < 25; ++i) {
    WriteBytes(file, Mutate(valid, random));
    std::vector<std::string> log;
    try {
      RegulateQInLossCalc(regime, 1, log, "срез", false, {});
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
  }
  // A table file of another layout under the table's name.
  std::filesystem::copy_file(path + GetMaketExtention(LayoutNodes), file,
                             std::filesystem::copy_options::overwrite_existing);
  std::vector<std::string> log;
  try {
    RegulateQInLossCalc(regime, 1, log, "срез", false, {});
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Ошибка чтения файла \"" + file + "\": ", 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace ld::test::optim
