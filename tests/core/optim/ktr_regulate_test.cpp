#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/optim/ktr_model.h"
#include "core/optim/ktr_regulate.h"
#include "ktr_test_scheme.h"
#include "support/fuzz_mutations.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

// The tap table's slice with the program INI file in the scheme's folder.
struct Slice : KtrSlice {
  std::string savedConfig = ConfigFileName;
  std::vector<std::string> log;

  explicit Slice(const KtrScheme& scheme = TwoTransformers()) : KtrSlice(scheme) { ConfigFileName = dir / "prog.ini"; }
  ~Slice() { ConfigFileName = savedConfig; }
  TDataFile ReadTable() const { return Read(".KTR"); }
  bool Run(const TKtrSliceVoltages& v = {}, bool writeBranches = false) {
    return RegulateKtrInLossCalc(regime, v, log, writeBranches);
  }
};

TEST(KtrRegulate, WithoutTableOrRowsNothingHappensAndUnreadableSettingsAreReported) {
  ScriptedMsgBox box;
  Slice s;
  EXPECT_FALSE(s.Run());
  EXPECT_FALSE(std::filesystem::exists(s.stem + ".KTR"));
  s.WriteTable({});
  int runs = 0;
  s.regime.OnStage = [&](const std::string& stage) { runs += stage == "Итерационный процесс"; };
  EXPECT_FALSE(s.Run());
  EXPECT_TRUE(runs == 1 && s.log.empty() && s.regime.Converged && box.Calls().empty());

  // Defaults are used when the settings cannot be read.
  WriteBytes(ConfigFileName, "[OptimT]\r\nKu=abc\r\n");
  s.WriteTable({TapRow(1, 2, 4, 10.8f, 10.9f)});
  EXPECT_TRUE(s.Run());
  EXPECT_EQ(s.log, std::vector<std::string>{"Оптимизация Ктр: ошибка чтения файла конфигурации " + ConfigFileName});
}

TEST(KtrRegulate, InputErrorsAreLinesOfTheLog) {
  ScriptedMsgBox box;
  Slice s;
  const TRecTr good = TapRow(1, 2, 4, 9.5f, 10.5f);
  TRecTr noDelta = good;
  noDelta.Delta = 0;
  TRecTr excluded = noDelta;
  excluded.Reg = -1;  // stored as excluded: never checked
  s.WriteTable({good, excluded, good, good, noDelta});
  EXPECT_FALSE(s.Run());
  TRecTr noLine = TapRow(3, 7, 4, 9.5f, 10.5f);
  s.WriteTable({good, noLine});
  EXPECT_FALSE(s.Run());
  TDataFile t;  // a correction branch that the scheme lacks
  MakeKtrTable(t, {good});
  TKtrCols c;
  FillKtrCols(t, c);
  (*c.Nkor)[1] = 5;
  WriteTableFile(s.stem + ".KTR", t);
  EXPECT_FALSE(s.Run());
  EXPECT_EQ(s.log, (std::vector<std::string>{"Таблица оптимизации Ктр: не заданы параметры в строке5",
                                             "Таблица оптимизации Ктр: линия 3 - 7 не найдена",
                                             "Таблица регулирования Ктр: линия 5 - 1 не найдена"}));
  EXPECT_TRUE(box.Calls().empty());
}

TEST(KtrRegulate, VoltageGraphHoldsTheNodeAndTheBranchFileStays) {
  Slice s;
  s.WriteTable({TapRow(1, 2, 4, 9.5f, 10.5f), TapRow(1, 3, 5, 9.0f, 11.0f)});
  const std::string branchBytes = ReadBytes(s.stem + ".VET");
  TKtrSliceVoltages v;
  v.ByNodeRow = {0, 0, 0, 0, 10.9, 0};  // node 4 is row 4
  EXPECT_TRUE(s.Run(v));
  EXPECT_TRUE(s.log.empty());
  EXPECT_NEAR(std::abs(FindNode(s.regime, 4)->U), 10.9, 0.11);  // within half a tap of the graph's voltage

  TDataFile t = s.ReadTable();
  TKtrCols c;
  FillKtrCols(t, c);
  EXPECT_LT(c.Ntek->Get(1), 10);  // lower taps raise the 10 kV side
  EXPECT_NEAR(c.Kta->Get(1), kKnom * (1 + 0.0178 * (c.Ntek->Get(1) - 10)), 1e-4);
  // The graph held the node for this slice; the user's limits stay in the table.
  EXPECT_EQ(std::pair(c.U1min->Get(1), c.U1max->Get(1)), std::pair(9.5f, 10.5f));
  EXPECT_EQ(ReadBytes(s.stem + ".VET"), branchBytes);

  // Asked to, it writes the taps into the branch file.
  s.Calculate();
  s.Run(v, true);
  TDataFile b = s.Read(".VET");
  TBranchCols bc;
  FillBranchCols(b, bc);
  EXPECT_EQ(bc.Notv.Get(1), static_cast<int>(c.Ntek->Get(1)));
}

TEST(KtrRegulate, ASwitchedOffTransformerIsLeftForThatSliceOnly) {
  KtrScheme scheme = TwoTransformers();
  scheme.Branches[1].Commut = "О";
  Slice s(scheme);
  s.WriteTable({TapRow(1, 2, 4, 9.5f, 10.5f), TapRow(1, 3, 5, 10.7f, 10.8f)});
  s.Run();
  TDataFile t = s.ReadTable();
  TKtrCols c;
  FillKtrCols(t, c);
  EXPECT_EQ(std::pair(c.RegOf(2), c.Ntek->Get(2)), std::pair(0, 10.0f));
  // Switched on again in a later slice, it is regulated.
  scheme.Branches[1].Commut.clear();
  scheme.Write(s.dir.Path().string());
  s.Calculate();
  EXPECT_TRUE(s.Run());
  t = s.ReadTable();
  FillKtrCols(t, c);
  EXPECT_TRUE(c.Ntek->Get(2) != 10 && s.log.empty());
}

TEST(KtrRegulate, DamagedTableFileIsReportedByName) {
  Slice s;
  s.WriteTable({TapRow(1, 2, 4, 9.5f, 10.5f), TapRow(1, 3, 5, 9.0f, 11.0f)});
  const std::string valid = ReadBytes(s.stem + ".KTR");
  std::mt19937 random(26);
  for (int i = 0; i < 20; ++i) {
    WriteBytes(s.stem + ".KTR", Mutate(valid, random));
    s.log.clear();
    s.Run();
    for (const std::string& line : s.log)
      EXPECT_TRUE(line.find("Ошибка") == std::string::npos || line.find("scheme.KTR") != std::string::npos) << line;
  }
}

}  // namespace
}  // namespace ld::test
