#include "engine/scheme_gen.h"

#include <algorithm>
#include <random>

#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld::bench {

namespace {

constexpr int kFeederNodes = 200;  // 10 kV and 0.4 kV nodes of one feeder

}  // namespace

GenScheme GenerateScheme(int nodeCount, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  GenScheme s;
  s.Nodes.reserve(nodeCount);
  s.Branches.reserve(nodeCount + nodeCount / 50);

  const int sources = std::max(2, nodeCount / 5000);
  for (int i = 0; i < sources; ++i) {
    GenNode n;
    n.NS = i + 1;
    n.Sign = 'B';
    n.Um = 10.5f;
    s.Nodes.push_back(n);
  }

  // Feeders: each starts at a source and grows as a line with side branches; every 10 kV node past the
  // first few may carry a transformer station with its 0.4 kV bus and load.
  std::vector<std::vector<std::int32_t>> feeders;
  std::vector<std::int32_t> current;
  int feederSource = 0;
  while (static_cast<int>(s.Nodes.size()) < nodeCount) {
    if (current.empty() || static_cast<int>(current.size()) >= kFeederNodes * 6 / 10) {
      if (!current.empty()) feeders.push_back(current);
      current.clear();
      feederSource = static_cast<int>(rng() % sources);
    }
    GenNode n;
    n.NS = static_cast<std::int32_t>(s.Nodes.size()) + 1;
    n.Um = 10;
    std::int32_t parent;
    if (current.empty()) {
      parent = feederSource + 1;
    } else if (unit(rng) < 0.75) {
      parent = current.back();
    } else {
      parent = current[rng() % current.size()];
    }
    s.Nodes.push_back(n);
    current.push_back(n.NS);
    GenBranch line;
    line.N1 = n.NS;
    line.N2 = parent;
    line.R = static_cast<float>(0.05 + 0.25 * unit(rng));
    line.X = static_cast<float>(0.04 + 0.12 * unit(rng));
    line.B = static_cast<float>(-(0.5 + 2.0 * unit(rng)));
    line.Idop = 300;
    s.Branches.push_back(line);

    if (static_cast<int>(s.Nodes.size()) < nodeCount && unit(rng) < 0.7) {
      GenNode low;
      low.NS = static_cast<std::int32_t>(s.Nodes.size()) + 1;
      low.Um = 0.4f;
      low.Pn = 0.01 + 0.04 * unit(rng);
      low.Qn = low.Pn * (0.3 + 0.4 * unit(rng));
      s.Nodes.push_back(low);
      GenBranch t;  // 10 kV side first: Kta = 10 / 0.4, impedance and magnetising there
      t.N1 = n.NS;
      t.N2 = low.NS;
      t.Kta = 25;
      t.R = 5.5f;
      t.X = 17.0f;
      t.G = 3;
      t.B = 25;
      s.Branches.push_back(t);
    }
  }
  if (!current.empty()) feeders.push_back(current);

  // Ties between neighbouring feeders, about one per hundred nodes.
  const int ties = nodeCount / 100;
  for (int i = 0; i < ties && feeders.size() > 1; ++i) {
    const std::size_t f = rng() % (feeders.size() - 1);
    const auto& a = feeders[f];
    const auto& b = feeders[f + 1];
    GenBranch tie;
    tie.N1 = a[rng() % a.size()];
    tie.N2 = b[rng() % b.size()];
    if (tie.N1 == tie.N2) continue;
    tie.R = static_cast<float>(0.3 + 0.5 * unit(rng));
    tie.X = static_cast<float>(0.2 + 0.3 * unit(rng));
    tie.Idop = 300;
    s.Branches.push_back(tie);
  }

  // A few small generators holding their voltage, at the far end of some feeders.
  const int fixed = std::max(1, nodeCount / 5000);
  for (int i = 0; i < fixed && i < static_cast<int>(feeders.size()); ++i) {
    const auto& f = feeders[(i * 7919) % feeders.size()];
    GenNode& n = s.Nodes[f[f.size() / 2] - 1];
    n.Sign = 'U';
    n.Um = 10.2f;
    n.Pg = 0.3;
  }
  return s;
}

void WriteScheme(const GenScheme& scheme, const std::string& path) {
  MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  TDataFile nodes;
  ReadMaket(LayoutNodes, nodes);
  CreateColumns(nodes, static_cast<int>(scheme.Nodes.size()));
  nodes.Title = "Схема района";
  TNodeCols n;
  FillNodeCols(nodes, n);
  for (int row = 1; row <= n.RowCount; ++row) {
    const GenNode& g = scheme.Nodes[row - 1];
    (*n.NS)[row] = g.NS;
    (*n.Sign)[row] = g.Sign;
    n.Name->SetItem(row, "ТП-" + std::to_string(g.NS));
    (*n.Pn)[row] = g.Pn;
    (*n.Qn)[row] = g.Qn;
    (*n.Pg)[row] = g.Pg;
    (*n.Um)[row] = g.Um;
  }
  WriteTableFile(path + nodes.Extention, nodes);

  TDataFile branches;
  ReadMaket(LayoutBranches, branches);
  CreateColumns(branches, static_cast<int>(scheme.Branches.size()));
  branches.Title = nodes.Title;
  TBranchCols b;
  FillBranchCols(branches, b);
  for (int row = 1; row <= b.RowCount; ++row) {
    const GenBranch& g = scheme.Branches[row - 1];
    (*b.N1)[row] = g.N1;
    (*b.N2)[row] = g.N2;
    (*b.R)[row] = g.R;
    (*b.X)[row] = g.X;
    (*b.G)[row] = g.G;
    (*b.B)[row] = g.B;
    (*b.Kta)[row] = g.Kta;
    (*b.Idop)[row] = g.Idop;
  }
  WriteTableFile(path + branches.Extention, branches);
}

}  // namespace ld::bench
