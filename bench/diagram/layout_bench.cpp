// Laying out the diagram of generated district schemes of 10,000 and 100,000 nodes with grouping,
// bus sections and line marks on (the default settings), measured on a canvas of fixed-width
// characters. The model is built once; every iteration lays it out from scratch, as a settings change
// or a print does.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "engine/scheme_gen.h"

namespace {

using ld::diagram::TSchemBoxState;

class FixedWidthCanvas : public ld::diagram::TCanvas {
public:
  int TextWidth(std::string_view text) override {
    return static_cast<int>(ld::Utf8Length(text)) * (std::abs(Font.Height) / 2);
  }
  int TextHeight(std::string_view) override { return std::abs(Font.Height); }
};

std::unique_ptr<TSchemBoxState> MakeLaidBox(int nodeCount) {
  const ld::bench::GenScheme g = ld::bench::GenerateScheme(nodeCount, 20261207);
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  ld::ConfigFileName = "/nonexistent/bench-layout.ini";
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
    (*n.Pn)[row] = s.Pn;
    (*n.Qn)[row] = s.Qn;
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
    (*b.R)[row] = s.R;
    (*b.X)[row] = s.X;
    b.TypEqu->SetItem(row, s.Kta != 0 ? "T2|ТМ-400/10|" : "LN|АС-70|");
    b.Mark->SetItem(row, s.Kta != 0 ? "ТМ-400/10" : "АС-70");
    box->LineSet.push_back(row);
  }
  std::vector<std::int32_t> nodes = box->NodeSet, lines = box->LineSet;
  if (!box->BuildSchemeModel(nodes, lines, *box->Model)) box.reset();
  return box;
}

void Layout(benchmark::State& state) {
  static std::map<int, std::unique_ptr<TSchemBoxState>> boxes;
  auto& box = boxes[static_cast<int>(state.range(0))];
  if (!box) box = MakeLaidBox(static_cast<int>(state.range(0)));
  if (!box) {
    state.SkipWithError("the model was not built");
    return;
  }
  FixedWidthCanvas canvas;
  canvas.Font.Height = -13;
  for (auto _ : state) {
    ld::diagram::LayoutScheme(*box, canvas, *box->Model);
    benchmark::DoNotOptimize(box->Model->Height);
  }
  state.counters["elements"] = box->Model->Count();
  state.counters["tiers"] = static_cast<double>(box->Model->TierHeight.size());
  state.counters["width"] = box->Model->Width;
}

BENCHMARK(Layout)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
