// A branch table of 4,000 copies of one row between a balancing node and a load: every copy closes a
// contour, and all of them run in parallel. The whole calculation (reading the scheme, the matrices,
// the iterations, the results written) must take well under 0.1 s. The engine tests check that the
// results are those of one branch of the combined impedance.
#include <benchmark/benchmark.h>

#include <string>

#include "core/engine/regime.h"
#include "engine/scheme_gen.h"
#include "work_dir.h"

namespace {

constexpr int kCopies = 4000;

const std::string& ParallelScheme() {
  static const ld::bench::TWorkDir dir("bench-engine-parallel");
  static const std::string path = [] {
    ld::bench::GenScheme scheme;
    scheme.Nodes.push_back({1, 'B', 0, 0, 0, 10.5f});
    scheme.Nodes.push_back({2, 0, 3.0, 1.2, 0, 10.0f});
    for (int i = 0; i < kCopies; ++i) scheme.Branches.push_back({1, 2, 0.8f, 1.6f, 0, 2.5f, 0, 0});
    const std::string p = (dir.path / "parallel").string();
    ld::bench::WriteScheme(scheme, p);
    ld::TRegime first;  // the first read writes the row marks back
    first.ReadScheme(p);
    return p;
  }();
  return path;
}

void BM_ParallelCopiesCalculate(benchmark::State& state) {
  const std::string& path = ParallelScheme();
  for (auto _ : state) {
    ld::TRegime r;
    r.Calculate(path, 0, 0, 0, 0, 0);
    if (r.ModelError || !r.Converged) {
      state.SkipWithError("not calculated");
      return;
    }
  }
}
BENCHMARK(BM_ParallelCopiesCalculate)->Unit(benchmark::kMillisecond);

}  // namespace
