// Building the diagram model of generated district schemes of 10,000 and 100,000 nodes. "Grouped"
// builds with the default settings, "Plain" without grouping.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "core/diagram/schem_state.h"
#include "diagram/district_box.h"

namespace {

using ld::diagram::TSchemBoxState;

TSchemBoxState& BoxOf(int nodes) {
  static std::map<int, std::unique_ptr<TSchemBoxState>> boxes;
  auto& box = boxes[nodes];
  if (!box) box = ld::bench::MakeDistrictBox(nodes, "bench-diagram.ini");
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
