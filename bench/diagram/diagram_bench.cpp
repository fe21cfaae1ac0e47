// Building the diagram model of generated district schemes of 10,000 and 100,000 nodes: the supply
// points paired into substations with two bus sections ("ПС-k.1", "ПС-k.2"), every 10 kV node a
// transformer station "ТП-n" with its 0.4 kV bus "ТП-n.0,4", so that grouping, sections, the walk and
// the targets all have work. "Grouped" builds with the default settings, "Plain" without grouping.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "core/base/settings.h"
#include "core/diagram/schem_state.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "engine/scheme_gen.h"

namespace {

using ld::diagram::TSchemBoxState;

std::unique_ptr<TSchemBoxState> MakeBox(int nodeCount) {
  const ld::bench::GenScheme g = ld::bench::GenerateScheme(nodeCount, 20261207);
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  ld::ConfigFileName = "/nonexistent/bench-diagram.ini";
  auto box = std::make_unique<TSchemBoxState>();
  box->LoadViewConfig("Graphic", "Colors");

  std::map<std::int32_t, std::int32_t> stationOf;  // 0.4 kV node -> its 10 kV node
  for (const auto& b : g.Branches)
    if (b.Kta != 0) stationOf[b.N2] = b.N1;
  box->NodeTable = std::make_unique<ld::TDataFile>();
  ld::ReadMaket(ld::LayoutNodes, *box->NodeTable);
  ld::CreateColumns(*box->NodeTable, static_cast<int>(g.Nodes.size()));
  ld::FillNodeCols(*box->NodeTable, box->NodeCols);
  auto& n = box->NodeCols;
  int sources = 0;
  for (int row = 1; row <= static_cast<int>(g.Nodes.size()); ++row) {
    const auto& s = g.Nodes[row - 1];
    (*n.NS)[row] = s.NS;
    (*n.Sign)[row] = s.Sign;
    (*n.Um)[row] = s.Um;
    std::string name;
    if (s.Sign == 'B') {
      name = "ПС-" + std::to_string(sources / 2 + 1) + "." + std::to_string(sources % 2 + 1);
      ++sources;
    } else if (const auto it = stationOf.find(s.NS); it != stationOf.end()) {
      name = "ТП-" + std::to_string(it->second) + ".0,4";
    } else {
      name = "ТП-" + std::to_string(s.NS);
    }
    n.Name->SetItem(row, name);
    box->NodeSet.push_back(row);
  }
  box->BranchTable = std::make_unique<ld::TDataFile>();
  ld::ReadMaket(ld::LayoutBranches, *box->BranchTable);
  ld::CreateColumns(*box->BranchTable, static_cast<int>(g.Branches.size()));
  ld::FillBranchCols(*box->BranchTable, box->BranchCols);
  auto& b = box->BranchCols;
  for (int row = 1; row <= static_cast<int>(g.Branches.size()); ++row) {
    const auto& s = g.Branches[row - 1];
    (*b.N1)[row] = s.N1;
    (*b.N2)[row] = s.N2;
    (*b.Kta)[row] = s.Kta;
    b.TypEqu->SetItem(row, s.Kta != 0 ? "T2|ТМ-400/10|" : "LN|АС-70|");
    box->LineSet.push_back(row);
  }
  return box;
}

TSchemBoxState& BoxOf(int nodes) {
  static std::map<int, std::unique_ptr<TSchemBoxState>> boxes;
  auto& box = boxes[nodes];
  if (!box) box = MakeBox(nodes);
  return *box;
}

void Build(benchmark::State& state, bool grouping) {
  TSchemBoxState& box = BoxOf(static_cast<int>(state.range(0)));
  box.FIntegral = grouping;
  const std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
  for (auto _ : state) {
    std::vector<std::int32_t> n = nodes, l = lines;
    if (!box.BuildSchemeModel(n, l, *box.Model)) state.SkipWithError("the model was not built");
    benchmark::DoNotOptimize(box.Model->Last);
  }
  state.counters["elements"] = box.Model->Count();
  state.counters["references"] = static_cast<double>(box.Model->RefList.size());
}

void Grouped(benchmark::State& state) { Build(state, true); }
void Plain(benchmark::State& state) { Build(state, false); }

BENCHMARK(Grouped)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Plain)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
