// The open-point search: the published 33-bus feeder against its published optimum, moves walked there
// and back on random radial schemes, and the rules that keep fixed ties, transformers and thresholds.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/optim/cut_optimiser.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/engine/scheme_builder.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

// The settings a test changes, put back afterwards.
struct CutSettings {
  TIniRec saved;
  CutSettings() {
    saved.GroupUn = IniRec.GroupUn;
    saved.FlagDP = IniRec.FlagDP, saved.FlagUn = IniRec.FlagUn, saved.ExceptTr = IniRec.ExceptTr;
    saved.StopTr = IniRec.StopTr, saved.RIter = IniRec.RIter, saved.SelectCuts = IniRec.SelectCuts;
    saved.Algoritm = IniRec.Algoritm, saved.dP = IniRec.dP, saved.Prec = IniRec.Prec;
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec.Prec = 1e-4f;
    IniRec.RIter = 10;
    IniRec.FlagDP = IniRec.FlagUn = IniRec.StopTr = false;
    IniRec.ExceptTr = true;
    IniRec.Algoritm = 0;
  }
  ~CutSettings() {
    IniRec.GroupUn = saved.GroupUn;
    IniRec.FlagDP = saved.FlagDP, IniRec.FlagUn = saved.FlagUn, IniRec.ExceptTr = saved.ExceptTr;
    IniRec.StopTr = saved.StopTr, IniRec.RIter = saved.RIter, IniRec.SelectCuts = saved.SelectCuts;
    IniRec.Algoritm = saved.Algoritm, IniRec.dP = saved.dP, IniRec.Prec = saved.Prec;
  }
};

std::vector<std::vector<std::string>> ReadCsv(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::vector<std::string> cells;
    std::stringstream s(line);
    for (std::string cell; std::getline(s, cell, ',');) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

// The published feeder: bus 1 balancing at 12.66 kV, loads in MW and Mvar, the ties off with "Н".
SchemeBuilder Feeder33(const std::string& tieLetter = "Н") {
  const fs::path folder = TestDataDir() / "case33bw";
  SchemeBuilder s;
  s.Title = "33";
  for (const auto& bus : ReadCsv(folder / "buses.csv")) {
    const int id = std::stoi(bus[0]);
    s.Node(id, id == 1 ? "B" : "", std::stod(bus[1]) / 1000, std::stod(bus[2]) / 1000).Um = 12.66f;
  }
  for (const auto& br : ReadCsv(folder / "branches.csv")) {
    BranchSpec& b = s.Branch(std::stoi(br[1]), std::stoi(br[2]), std::stod(br[3]), std::stod(br[4]));
    if (br[5] != "1") b.Commut = tieLetter;
  }
  return s;
}

std::vector<std::string> Letters(const std::string& stem) {
  TDataFile b;
  ReadTableFile(stem + ".VET", b);
  std::vector<std::string> s;
  for (int r = 1; r <= b.RowCount; ++r) {
    const char c = GetColumnAs<DAChar>("Commut", b)->Get(r);
    s.push_back(c == 0 ? "" : Cp1251ToUtf8(std::string(1, c)));
  }
  return s;
}

TEST(CutOptimiser, PublishedFeederReachesItsOptimumInBothModes) {
  CutSettings settings;
  ScriptedMsgBox box;
  for (const int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    IniRec.Algoritm = static_cast<std::uint8_t>(mode);
    TempDir dir;
    const std::string stem = Feeder33().Write(dir.Path(), "f33");
    TCutOptimiser opt;
    opt.Open(stem);
    ASSERT_EQ(opt.RowCount(), 5);
    EXPECT_EQ(opt.LossFactor, 10000);
    std::vector<std::string> log;
    opt.Run([&](const std::string& l) { log.push_back(l); }, {}, {});
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], "Итерационный процесс:");
    EXPECT_EQ(log[1], "0. dP = 202.7 кВт");
    const auto at = std::find(log.begin(), log.end(), "Оптимизация = 63.1 кВт");
    std::string all;
    for (const std::string& l : log) all += l + "\n";
    ASSERT_NE(at, log.end()) << all;
    ASSERT_LT(at + 2, log.end());
    EXPECT_EQ(*(at + 2), "Список оптимизированных разрывов:");
    EXPECT_EQ(log.end() - (at + 3), 5);  // every tie moved

    opt.Write();
    const std::vector<std::string> letters = Letters(stem);
    for (int row = 1; row <= 37; ++row) {
      const bool cut = row == 7 || row == 9 || row == 14 || row == 32 || row == 37;
      const std::string& l = letters[static_cast<std::size_t>(row - 1)];
      EXPECT_EQ(cut, l == "Н" || l == "К") << "row " << row << " " << l;
      if (!cut) {
        EXPECT_EQ(l, "") << "row " << row;
      }
    }
    TRegime fresh;
    fresh.Accuracy = 1e-9;
    fresh.Calculate(stem, 0, 0, 0, 0, 0);
    ASSERT_TRUE(fresh.Converged);
    EXPECT_NEAR(fresh.TotalLosses() * 1000, 139.55, 0.005);
    const TRegimeElement* lowest = nullptr;
    for (const TRegimeElement* e = fresh.Root->NextInTree; e; e = e->NextInTree) {
      if (e->NodeIndex != 0 && (e->Flags & efLoopClosing) == 0 && (!lowest || std::abs(e->U) < std::abs(lowest->U))) {
        lowest = e;
      }
    }
    ASSERT_NE(lowest, nullptr);
    EXPECT_EQ(lowest->Number, 32);
    const TRegimeElement* supply = FindNode(fresh, 1);
    ASSERT_NE(supply, nullptr);
    EXPECT_NEAR(std::abs(lowest->U) / std::abs(supply->U), 0.93782, 5e-5);
  }
  EXPECT_TRUE(box.Calls().empty());
}

}  // namespace
}  // namespace ld::test
