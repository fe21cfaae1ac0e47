// The open-point search on a generated 1,000-node district with 20 ties: a whole-chain run (measuring
// pass and moving passes), and one trial alone (a cut moved one branch and the iterations on the model).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "core/base/settings.h"
#include "core/optim/cut_optimiser.h"
#include "core/tables/table_file.h"
#include "engine/scheme_gen.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

// Ties between random 10 kV nodes of different feeders' ends, open at their first end.
std::string WriteTieScheme(const fs::path& dir, int ties) {
  ld::bench::GenScheme s = ld::bench::GenerateScheme(1000, 20261207);
  std::mt19937_64 rng(25);
  std::vector<std::int32_t> high;
  for (const auto& n : s.Nodes) {
    if (n.Um == 10 && n.Sign == 0) high.push_back(n.NS);
  }
  std::shuffle(high.begin(), high.end(), rng);
  std::vector<int> tieRows;
  for (int i = 0; i < ties && 2 * i + 1 < static_cast<int>(high.size()); ++i) {
    ld::bench::GenBranch b;
    b.N1 = high[static_cast<std::size_t>(2 * i)];
    b.N2 = high[static_cast<std::size_t>(2 * i + 1)];
    b.R = 0.8f, b.X = 1.2f, b.B = 8;
    s.Branches.push_back(b);
    tieRows.push_back(static_cast<int>(s.Branches.size()));
  }
  const std::string path = (dir / "district").string();
  ld::bench::WriteScheme(s, path);
  ld::TDataFile branches;
  const std::string file = path + ld::GetMaketExtention(ld::LayoutBranches);
  ld::ReadTableFile(file, branches);
  auto* commut = ld::GetColumnAs<ld::DAChar>("Commut", branches);
  for (int row : tieRows) (*commut)[row] = static_cast<char>(0xCD);  // "Н"
  ld::WriteTableFile(file, branches);
  return path;
}

void BM_CutSearchWholeChain(benchmark::State& state) {
  const ld::bench::TWorkDir folder("bench-cuts");
  const std::string path = WriteTieScheme(folder.path, 20);
  ld::IniRec.Algoritm = 1;
  ld::IniRec.ExceptTr = false;
  double saved = 0;
  int rows = 0, passes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ld::TCutOptimiser opt;
    opt.Open(path);
    state.ResumeTiming();
    opt.Run({}, {}, {});
    saved = (opt.InitialLoss - opt.CurrentLoss) * 1000;
    rows = opt.RowCount();
    passes = opt.PassNumber;
  }
  state.counters["ties"] = rows;
  state.counters["passes"] = passes;
  state.counters["saved_kW"] = saved;
}
BENCHMARK(BM_CutSearchWholeChain)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CutTrial(benchmark::State& state) {
  const ld::bench::TWorkDir folder("bench-cuts");
  const std::string path = WriteTieScheme(folder.path, 20);
  ld::IniRec.ExceptTr = false;
  ld::TCutOptimiser opt;
  opt.Open(path);
  int tie = 0;
  for (int row = 1; row <= opt.RowCount() && tie == 0; ++row) {
    if (!opt.FixedTie(opt.TieOfRow(row))) tie = opt.TieOfRow(row);
  }
  if (tie == 0) {
    state.SkipWithError("no free tie");
    return;
  }
  opt.Engine.MoveContourCut(tie);
  std::uint8_t side = 0;
  int dir = 0;
  for (auto _ : state) {
    if (!opt.TryShiftCut(tie, dir, side)) {
      dir = 1 - dir;
      opt.TryShiftCut(tie, dir, side);
    }
    opt.Engine.RunIterations();
    benchmark::DoNotOptimize(opt.Engine.TotalLosses());
  }
  state.counters["converged"] = opt.Engine.Converged;
}
BENCHMARK(BM_CutTrial)->Unit(benchmark::kMicrosecond);

}  // namespace
