// The sample scheme "Пример" shipped in data/: the published 33-bus feeder of tests/data as a scheme
// (12.66 kV, each tie open at its first end by a load switch, so that the open points can move).
// LD_WRITE_SAMPLE=1 writes it there anew from the published tables.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "regime_test.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::vector<std::string>> ReadCsv(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::vector<std::string> cells;
    std::stringstream s(line);
    for (std::string cell; std::getline(s, cell, ',');) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

SchemeBuilder Sample() {
  const fs::path folder = TestDataDir() / "case33bw";
  SchemeBuilder s;
  s.Title = "Пример";
  for (const auto& bus : ReadCsv(folder / "buses.csv")) {
    const int id = std::stoi(bus[0]);
    NodeSpec& n = s.Node(id, id == 1 ? "B" : "", ld::StrToFloatZ(bus[1]) / 1000, ld::StrToFloatZ(bus[2]) / 1000);
    n.Um = 12.66f;
    n.Name = id == 1 ? "ПС Пример" : "ТП-" + std::to_string(id);
  }
  for (const auto& br : ReadCsv(folder / "branches.csv")) {
    BranchSpec& b = s.Branch(std::stoi(br[2]), std::stoi(br[1]), ld::StrToFloatZ(br[3]), ld::StrToFloatZ(br[4]));
    if (br[5] != "1") {
      b.Commut = "Н";
      b.MarkCom1 = "ВНА-10-400";
    }
  }
  return s;
}

using SampleScheme = RegimeTest;

// The published losses come out only of the published loads and impedances.
TEST_F(SampleScheme, ShippedFilesHoldThePublishedFeederAndCalculate) {
  const std::string shipped = (DataDir() / "Пример").string();
  const SchemeBuilder s = Sample();
  if (std::getenv("LD_WRITE_SAMPLE") != nullptr) {
    s.Write(DataDir(), "Пример");
    TRegime reader;
    reader.ReadScheme(shipped);  // the marks that reading sets are shipped with the files
  }
  const TDataFile branches = ReadTable(shipped + ".VET");
  TBranchCols b;
  FillBranchCols(branches, b);
  ASSERT_EQ(b.RowCount, 37);

  // calculated as the program's default settings do it
  CopyTableFiles(shipped, dir / "Пример", {});
  TRegime r;
  r.Accuracy = TIniRec().Prec;
  r.Calculate(dir / "Пример", 0, 0, 0, 0, 0);
  ASSERT_TRUE(r.Converged);
  // the published 202.677 kW within what an accuracy of 1 V leaves
  EXPECT_NEAR(r.TotalLosses() * 1000, 202.677, 1e-3);
}

}  // namespace
}  // namespace ld::test
