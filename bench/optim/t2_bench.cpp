// One pass of the two-transformer station search on a generated 10,000-node scheme with 100 stations:
// three regimes of the whole scheme per station.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "core/optim/t2_stations.h"
#include "core/tables/table_file.h"
#include "engine/scheme_gen.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

// Two 630 kVA transformers from a 10 kV node to two new 0.4 kV sections, the section branch open.
std::string WriteStationScheme(const fs::path& dir) {
  ld::bench::GenScheme s = ld::bench::GenerateScheme(10000, 20240611);
  std::mt19937_64 rng(7);
  std::vector<std::int32_t> highNodes;
  for (const auto& n : s.Nodes) {
    if (n.Um == 10 && n.Sign == 0) highNodes.push_back(n.NS);
  }
  std::shuffle(highNodes.begin(), highNodes.end(), rng);
  std::vector<int> sectionRows;
  for (int i = 0; i < 100 && i < static_cast<int>(highNodes.size()); ++i) {
    std::int32_t sections[2];
    for (std::int32_t& ns : sections) {
      ld::bench::GenNode low;
      low.NS = static_cast<std::int32_t>(s.Nodes.size()) + 1;
      low.Um = 0.4f;
      low.Pn = 0.03 + 0.002 * (i % 50);
      low.Qn = low.Pn * 0.4;
      s.Nodes.push_back(low);
      ns = low.NS;
      ld::bench::GenBranch t;
      t.N1 = highNodes[i];
      t.N2 = low.NS;
      t.Kta = 25;
      t.R = 1.9f;
      t.X = 8.7f;
      t.G = 13.1f;
      t.B = 100;
      s.Branches.push_back(t);
    }
    ld::bench::GenBranch section;
    section.N1 = sections[0];
    section.N2 = sections[1];
    s.Branches.push_back(section);
    sectionRows.push_back(static_cast<int>(s.Branches.size()));
  }
  const std::string path = (dir / "stations").string();
  ld::bench::WriteScheme(s, path);
  ld::TDataFile branches;
  const std::string file = path + ld::GetMaketExtention(ld::LayoutBranches);
  ld::ReadTableFile(file, branches);
  auto* commut = ld::GetColumnAs<ld::DAChar>("Commut", branches);
  for (int row : sectionRows) (*commut)[row] = static_cast<char>(206);  // "О"
  ld::WriteTableFile(file, branches);
  return path;
}

void BM_StationSearchPass(benchmark::State& state) {
  const ld::bench::TWorkDir dir("bench-stations");
  const std::string path = WriteStationScheme(dir.path);
  ld::TT2Optimiser opt;
  opt.Open(path);
  for (auto _ : state) {
    opt.SearchPass(0.0001, {}, {});
    benchmark::DoNotOptimize(opt.StationLoss);
  }
  state.counters["stations"] = opt.RowCount();
  state.counters["converged"] = opt.Engine.Converged;
}
BENCHMARK(BM_StationSearchPass)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
