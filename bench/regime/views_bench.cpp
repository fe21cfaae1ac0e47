// The five result views of the regime window on a calculated scheme of 100,000 nodes: the node or
// branch file read and the view built, as the window's command does it (target: 0.3 s each).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/engine/regime.h"
#include "core/regime/result_views.h"
#include "core/tables/table_file.h"
#include "engine/scheme_gen.h"

namespace {

namespace fs = std::filesystem;

struct TWorkDir {
  fs::path path = fs::temp_directory_path() / ("bench-regime-" + std::to_string(getpid()));
  TWorkDir() { fs::create_directories(path); }
  ~TWorkDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

// The scheme calculated once, with its results in the files.
const std::string& Calculated() {
  static const TWorkDir dir;
  static const std::string path = [] {
    const std::string p = (dir.path / "scheme").string();
    ld::bench::WriteScheme(ld::bench::GenerateScheme(100000, 20240611), p);
    ld::TRegime r;
    r.Calculate(p, 0, 0, 0, 0, 0);
    r.WriteResults(std::string(LD_DATA_DIR) + "/sprav_UN.cat", 0, false, false, 0, 5, 10, 0, true, nullptr, nullptr);
    return p;
  }();
  return path;
}

enum View { Voltages, LineLoads, TransLoads, LineLosses, TransLosses };

void BM_View(benchmark::State& state) {
  const std::string& path = Calculated();
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
