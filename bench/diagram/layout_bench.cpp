// Laying out the diagram of generated district schemes of 10,000 and 100,000 nodes with grouping,
// bus sections and line marks on (the default settings), measured on a canvas of fixed-width
// characters. The model is built once; every iteration lays it out from scratch, as a settings change
// or a print does.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "diagram/district_box.h"

namespace {

using ld::diagram::TSchemBoxState;

std::unique_ptr<TSchemBoxState> MakeLaidBox(int nodeCount) {
  auto box = ld::bench::MakeDistrictBox(nodeCount, "bench-layout.ini");
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
  ld::bench::TFixedWidthCanvas canvas;
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
