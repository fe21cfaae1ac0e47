// The five result views of the regime window on a calculated scheme of 100,000 nodes: the node or
// branch file read and the view built, as the window's command does it (target: 0.3 s each).
#include <benchmark/benchmark.h>

#include <string>

#include "core/regime/result_views.h"
#include "core/tables/table_file.h"
#include "regime/calculated_scheme.h"

namespace {

enum View { Voltages, LineLoads, TransLoads, LineLosses, TransLosses };

void BM_View(benchmark::State& state) {
  const std::string& path = ld::bench::CalculatedScheme();
  const auto view = static_cast<View>(state.range(0));
  const ld::TResultViewOptions options;
  for (auto _ : state) {
    ld::TDataFile source, result;
    if (view == Voltages) {
      ld::ReadTableFile(path + ".UZL", source);
      ld::BuildVoltageView(source, options, result);
    } else {
      ld::ReadTableFile(path + ".VET", source);
      if (view == LineLoads || view == TransLoads)
        ld::BuildLoadView(source, view == LineLoads, options, result);
      else
        ld::BuildLossView(source, view == LineLosses, options, result);
    }
    state.counters["rows"] = result.RowCount;
    benchmark::DoNotOptimize(result.RowCount);
  }
}

BENCHMARK(BM_View)
    ->ArgName("view")
    ->DenseRange(Voltages, TransLosses)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace
