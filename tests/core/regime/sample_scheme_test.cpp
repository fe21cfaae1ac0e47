// The sample scheme "Пример" shipped in data/: the published 33-bus feeder of tests/data as a scheme
// (12.66 kV, ties switched off). LD_WRITE_SAMPLE=1 writes it there anew from the published tables.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/engine/scheme_builder.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "support/test_env.h"

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
    NodeSpec& n = s.Node(id, id == 1 ? "B" : "", std::stod(bus[1]) / 1000, std::stod(bus[2]) / 1000);
    n.Um = 12.66f;
    n.Name = id == 1 ? "ПС Пример" : "ТП-" + std::to_string(id);
  }
  for (const auto& br : ReadCsv(folder / "branches.csv")) {
    BranchSpec& b = s.Branch(std::stoi(br[2]), std::stoi(br[1]), std::stod(br[3]), std::stod(br[4]));
    if (br[5] != "1") b.Commut = "О";
  }
  return s;
}

TEST(SampleScheme, ShippedFilesHoldThePublishedFeederAndCalculate) {
  MaketFileName = (DataDir() / "maket.zr").string();
  const std::string shipped = (DataDir() / "Пример").string();
  const SchemeBuilder s = Sample();
  if (std::getenv("LD_WRITE_SAMPLE") != nullptr) {
    s.Write(DataDir(), "Пример");
    TRegime reader;
    reader.ReadScheme(shipped);  // the marks that reading sets are shipped with the files
  }
  TDataFile nodes, branches;
  ReadTableFile(shipped + ".UZL", nodes);
  ReadTableFile(shipped + ".VET", branches);
  TNodeCols n;
  FillNodeCols(nodes, n);
  TBranchCols b;
  FillBranchCols(branches, b);
  ASSERT_EQ(n.RowCount, 33);
  ASSERT_EQ(b.RowCount, 37);
  EXPECT_EQ(nodes.Title, "Пример");
  for (int row = 1; row <= 33; ++row) {
    const NodeSpec& spec = s.Nodes[static_cast<std::size_t>(row - 1)];
    EXPECT_EQ((*n.NS)[row], spec.NS);
    EXPECT_DOUBLE_EQ((*n.Pn)[row], spec.Pn);
    EXPECT_DOUBLE_EQ((*n.Qn)[row], spec.Qn);
    EXPECT_FLOAT_EQ((*n.Um)[row], 12.66f);
  }
  int open = 0;
  for (int row = 1; row <= 37; ++row) {
    const BranchSpec& spec = s.Branches[static_cast<std::size_t>(row - 1)];
    EXPECT_EQ((*b.N1)[row], spec.N1);
    EXPECT_EQ((*b.N2)[row], spec.N2);
    EXPECT_FLOAT_EQ((*b.R)[row], spec.R);
    EXPECT_FLOAT_EQ((*b.X)[row], spec.X);
    open += Cp1251ToUtf8(std::string(1, (*b.Commut)[row])) == "О" ? 1 : 0;
  }
  EXPECT_EQ(open, 5);

  // calculated as the program's default settings do it
  TempDir dir;
  CopyTableFiles(shipped, dir / "Пример");
  TRegime r;
  r.Accuracy = TIniRec().Prec;
  r.Calculate(dir / "Пример", 0, 0, 0, 0, 0);
  ASSERT_TRUE(r.Converged);
  // the published 202.677 kW within what an accuracy of 1 V leaves
  EXPECT_NEAR(r.TotalLosses() * 1000, 202.677, 1e-3);
  const TRegimeElement* lowest = nullptr;
  for (const TRegimeElement* e = r.Root->NextInTree; e; e = e->NextInTree)
    if (e->NodeIndex != 0 && (!lowest || std::abs(e->U) < std::abs(lowest->U))) lowest = e;
  ASSERT_NE(lowest, nullptr);
  EXPECT_EQ(lowest->Number, 18);
}

}  // namespace
}  // namespace ld::test
