// One press of the loss panel's "Расчет потерь по критериям:" on a calculated scheme of 100,000 nodes:
// both tables read and the losses summed under the criteria (target: 0.5 s).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/engine/regime.h"
#include "core/regime/loss_panel.h"
#include "core/tables/layout.h"
#include "engine/scheme_gen.h"

namespace {

namespace fs = std::filesystem;

struct TWorkDir {
  fs::path path = fs::temp_directory_path() / ("bench-losses-" + std::to_string(getpid()));
  TWorkDir() { fs::create_directories(path); }
  ~TWorkDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

const std::string& Calculated() {
  static const TWorkDir dir;
  static const std::string path = [] {
    ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
    const std::string p = (dir.path / "scheme").string();
    ld::bench::WriteScheme(ld::bench::GenerateScheme(100000, 20240611), p);
    ld::TRegime r;
    r.Calculate(p, 0, 0, 0, 0, 0);
    r.WriteResults(std::string(LD_DATA_DIR) + "/sprav_UN.cat", 0, false, false, 0, 5, 10, 0, true, nullptr, nullptr);
    return p;
  }();
  return path;
}

// Arg 0: everything with the head; 1: transformers of 10 kV in the main networks.
void BM_LossPress(benchmark::State& state) {
  const std::string& path = Calculated();
  ld::TLossCriteria criteria;
  if (state.range(0) == 1) criteria = {0, 4, 10, 1};
  for (auto _ : state) {
    const auto lines = ld::LossPanelPress(path, criteria, ld::TLossPanelFormat{false, true, 0}, state.range(0) == 0);
    benchmark::DoNotOptimize(lines.data());
  }
}

BENCHMARK(BM_LossPress)->ArgName("filtered")->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
