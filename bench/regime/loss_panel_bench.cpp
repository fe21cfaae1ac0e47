// One press of the loss panel's "Расчет потерь по критериям:" on a calculated scheme of 100,000 nodes:
// both tables read and the losses summed under the criteria (target: 0.5 s).
#include <benchmark/benchmark.h>

#include <string>

#include "core/regime/loss_panel.h"
#include "regime/calculated_scheme.h"

namespace {

// Arg 0: everything with the head; 1: transformers of 10 kV in the main networks.
void BM_LossPress(benchmark::State& state) {
  const std::string& path = ld::bench::CalculatedScheme();
  ld::TLossCriteria criteria;
  if (state.range(0) == 1) criteria = {0, 4, 10, 1};
  for (auto _ : state) {
    const auto lines = ld::LossPanelPress(path, criteria, ld::TLossPanelFormat{false, true, 0}, state.range(0) == 0);
    benchmark::DoNotOptimize(lines.data());
  }
}

BENCHMARK(BM_LossPress)->ArgName("filtered")->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
