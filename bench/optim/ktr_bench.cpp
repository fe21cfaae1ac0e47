// Tap regulation of one period slice on a seeded 10,000-node scheme with 10 regulated 10/0.4 kV
// transformers, each holding its 0.4 kV bus within limits: one call of the regulation from the taps of
// the table file. Counters: "regime_runs" the regime calculations of one call, "taps_changed" the share
// of calls that moved a tap.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/optim/ktr_regulate.h"
#include "core/optim/ktr_table.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "engine/scheme_gen.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

// The table of ten transformers spread over the scheme, all at their nominal tap.
void WriteTapTable(const ld::bench::GenScheme& scheme, const std::string& file) {
  std::vector<const ld::bench::GenBranch*> transformers;
  for (const auto& b : scheme.Branches)
    if (b.Kta != 0) transformers.push_back(&b);
  ld::TDataFile t;
  ld::ReadMaket(ld::LayoutKtrTable, t);
  ld::CreateColumns(t, 10);
  ld::TKtrCols c;
  ld::FillKtrCols(t, c);
  for (int row = 1; row <= 10; ++row) {
    const auto& b = *transformers[(row - 1) * transformers.size() / 10];
    ld::TRecTr r;
    r.Num1 = b.N1, r.Num2 = b.N2, r.NameTr = "Т" + std::to_string(row), r.Knom = b.Kta;
    r.Kotv = 19, r.Nnom = 10, r.Ntek = 10, r.Delta = 1.78f;
    r.N1 = b.N2, r.Node1 = "ТП", r.U1min = 0.395f, r.U1max = 0.405f;
    ld::PutRecTr(c, row, r);
  }
  ld::WriteTableFile(file, t);
}

void BM_RegulateKtrInLossCalc(benchmark::State& state) {
  const ld::bench::TWorkDir dir("bench-optim");
  const std::string stem = (dir.path / "scheme").string();
  const ld::bench::GenScheme scheme = ld::bench::GenerateScheme(10000, 26);
  ld::bench::WriteScheme(scheme, stem);
  ld::ConfigFileName = (dir.path / "prog.ini").string();
  const std::string table = ld::KtrTableFileName(stem);
  WriteTapTable(scheme, table);
  const std::string bytes = [&] {
    std::ifstream in(table, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();

  ld::TRegime regime;
  int runs = 0;
  regime.OnStage = [&](const std::string& stage) { runs += stage == "Итерационный процесс"; };
  regime.ReadScheme(stem);
  regime.ApplyTimeData(0, 0, 0, 0, 0, false);
  regime.FormMatrices();
  regime.RunIterations();
  std::vector<std::string> log;
  int calls = 0, totalRuns = 0, changed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::ofstream(table, std::ios::binary) << bytes;  // every call starts from the nominal taps
    log.clear();
    runs = 0;
    state.ResumeTiming();
    changed += ld::RegulateKtrInLossCalc(regime, {}, log, false) ? 1 : 0;
    totalRuns += runs;
    ++calls;
  }
  if (!log.empty()) state.SkipWithError(log.front().c_str());
  state.counters["regime_runs"] = calls ? static_cast<double>(totalRuns) / calls : 0;
  state.counters["taps_changed"] = calls ? static_cast<double>(changed) / calls : 0;
}
BENCHMARK(BM_RegulateKtrInLossCalc)->Unit(benchmark::kMillisecond);

}  // namespace
