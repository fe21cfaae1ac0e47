// The PNT/LIN pair of a 100,000-node scheme written from its tables and read back (target: 1 s).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "core/regime/pnt_lin.h"
#include "core/tables/table_file.h"
#include "engine/scheme_gen.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

void BM_PntLinRoundTrip(benchmark::State& state) {
  const ld::bench::TWorkDir work("bench-pntlin");
  const fs::path& dir = work.path;
  const std::string scheme = (dir / "scheme").string();
  ld::bench::WriteScheme(ld::bench::GenerateScheme(100000, 20240611), scheme);
  ld::TDataFile nodes, branches;
  ld::ReadTableFile(scheme + ".UZL", nodes);
  ld::ReadTableFile(scheme + ".VET", branches);
  const std::string pnt = (dir / "x.PNT").string();
  for (auto _ : state) {
    ld::WritePntLin(pnt, nodes, branches, {});
    ld::TDataFile readNodes, readBranches;
    ld::ReadPntLin(pnt, nodes, branches, readNodes, readBranches);
    state.counters["nodes"] = readNodes.RowCount;
    benchmark::DoNotOptimize(readBranches.RowCount);
  }
}

BENCHMARK(BM_PntLinRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
