// The node equivalents of a generated scheme of 1,000 nodes: the base calculation with kept
// sensitivities, then four iterations per node for EERM and EEAM (target: 2 s on one core).
#include <benchmark/benchmark.h>

#include <string>

#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/regime/task_eerm.h"
#include "core/regime/task_regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "engine/scheme_gen.h"
#include "work_dir.h"

namespace {

void BM_NodeEquivalents(benchmark::State& state) {
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  static const ld::bench::TWorkDir dir("bench-tasks");
  const std::string path = (dir.path / "scheme").string();
  ld::bench::WriteScheme(ld::bench::GenerateScheme(static_cast<int>(state.range(0)), 20240611), path);
  for (auto _ : state) {
    ld::TRegime r;
    ld::PrepareTaskEngine(r, false);
    r.StorePVJacobian = true;
    std::vector<std::string> errors;
    const ld::TTaskVerdict verdict = ld::RunTaskCalculation(r, path, errors);
    if (verdict != ld::TTaskVerdict::Calculated) state.SkipWithError("the base regime did not converge");
    ld::TDataFile nodes;
    ld::ReadTableFile(path + ".UZL", nodes);
    ld::TNodeCols cols;
    ld::FillNodeCols(nodes, cols);
    ld::CalcNodeEquivalents(r, cols, 0.1, false);
    ld::FreeKeptSensitivities(r);
    benchmark::DoNotOptimize(cols.EERM->Get(1));
  }
}

BENCHMARK(BM_NodeEquivalents)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
