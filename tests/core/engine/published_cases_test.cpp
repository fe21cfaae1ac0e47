// Published distribution feeders read, calculated and written back, against their published losses and
// lowest voltages.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "scheme_builder.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

constexpr double kBaseKV = 12.66;

std::vector<std::vector<std::string>> ReadCsv(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::vector<std::string> cells;
    std::stringstream s(line);
    std::string cell;
    while (std::getline(s, cell, ',')) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

// Bus 1 balancing at the base voltage, loads in MW and Mvar, R and X in ohms; a tie out of service is
// switched off unless it is one of `closeTies` (branch ids).
SchemeBuilder PublishedFeeder(const std::string& name, const std::vector<int>& closeTies = {}) {
  const std::filesystem::path folder = TestDataDir() / name;
  SchemeBuilder s;
  s.Title = name;
  for (const auto& bus : ReadCsv(folder / "buses.csv")) {
    const int id = std::stoi(bus[0]);
    NodeSpec& n = s.Node(id, id == 1 ? "B" : "", ld::StrToFloatZ(bus[1]) / 1000, ld::StrToFloatZ(bus[2]) / 1000);
    n.Um = static_cast<float>(kBaseKV);
  }
  for (const auto& br : ReadCsv(folder / "branches.csv")) {
    BranchSpec& b = s.Branch(std::stoi(br[2]), std::stoi(br[1]), ld::StrToFloatZ(br[3]), ld::StrToFloatZ(br[4]));
    const int id = std::stoi(br[0]);
    bool closed = br[5] == "1";
    for (const int tie : closeTies) closed = closed || tie == id;
    if (!closed) b.Commut = "О";
  }
  return s;
}

struct Outcome {
  double lossesKW = 0;
  double lowest = 0;  // of the base voltage
  int lowestBus = 0;
};

// The whole road of a calculation: read, calculate, write the results into the tables, then read the
// voltages back from the node table.
Outcome CalculateAndWrite(const SchemeBuilder& s) {
  TempDir dir;
  const std::string path = s.Write(dir.Path());
  TRegime r;
  r.Accuracy = 1e-9;
  r.Calculate(path, 0, 0, 0, 0, 0);
  EXPECT_TRUE(r.Converged);
  EXPECT_FALSE(r.ModelError);
  Outcome o;
  o.lossesKW = r.TotalLosses() * 1000;
  r.WriteResults((dir.Path() / "sprav_UN.cat").string(), 0, false, false, 0, 0, 0, 0, true, nullptr, nullptr);

  TDataFile nodes;
  ReadTableFile(path + ".UZL", nodes);
  TNodeCols n;
  FillNodeCols(nodes, n);
  o.lowest = 10;
  for (int row = 1; row <= n.RowCount; ++row) {
    const double u = n.Urez->Get(row) / kBaseKV;
    if (u < o.lowest) {
      o.lowest = u;
      o.lowestBus = n.NS->Get(row);
    }
  }
  return o;
}

TEST(PublishedFeeders, Baran33BusWithTiesOpenAndClosed) {
  const Outcome open = CalculateAndWrite(PublishedFeeder("case33bw"));
  EXPECT_NEAR(open.lossesKW, 202.677, 5e-4);
  EXPECT_NEAR(open.lowest, 0.91309, 5e-6);
  EXPECT_EQ(open.lowestBus, 18);

  const Outcome oneLoop = CalculateAndWrite(PublishedFeeder("case33bw", {33}));
  EXPECT_NEAR(oneLoop.lossesKW, 158.160, 5e-4);

  const Outcome meshed = CalculateAndWrite(PublishedFeeder("case33bw", {33, 34, 35, 36, 37}));
  EXPECT_NEAR(meshed.lossesKW, 123.291, 5e-4);
  EXPECT_NEAR(meshed.lowest, 0.95328, 5e-6);
  EXPECT_EQ(meshed.lowestBus, 32);
}

TEST(PublishedFeeders, Baran69Bus) {
  const Outcome o = CalculateAndWrite(PublishedFeeder("case69"));
  EXPECT_NEAR(o.lossesKW, 224.992, 5e-4);
  EXPECT_NEAR(o.lowest, 0.90919, 5e-6);
  EXPECT_EQ(o.lowestBus, 65);
}

}  // namespace
}  // namespace ld::test
