// The measurement tree and the energy balance report on the calculated scheme of 100,000 nodes with
// 2,000 meters on its branches, every tenth one opening a metering area (targets: the tree 0.3 s, the
// report 1 s on one core; the model is read once, as the window keeps it).
#include <benchmark/benchmark.h>

#include <string>

#include "core/base/codepage.h"
#include "core/engine/regime.h"
#include "core/regime/balance_report.h"
#include "core/regime/metering_tree.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "regime/calculated_scheme.h"

namespace {

constexpr int kMeters = 2000;

struct TMeteredScheme {
  ld::TRegime regime;
  ld::TDataFile flows, nodes, branches, energy;
  std::vector<std::int32_t> marks;

  TMeteredScheme() {
    const std::string& path = ld::bench::CalculatedScheme();
    regime.ReadScheme(path);
    ld::ReadTableFile(path + ".UZL", nodes);
    ld::ReadTableFile(path + ".VET", branches);
    ld::ReadMaket(ld::LayoutBranchEnergy, energy);
    ld::CreateColumns(energy, branches.RowCount);
    ld::TBranchCols b;
    ld::FillBranchCols(branches, b);
    ld::TBranchEnergyCols e;
    ld::FillBranchEnergyCols(energy, e);
    for (int r = 1; r <= b.RowCount; ++r) {
      (*e.N1)[r] = b.N1->Get(r), (*e.N2)[r] = b.N2->Get(r);
      (*e.dWPz)[r] = 0.01 * r, (*e.WPnr)[r] = r;
    }
    ld::ReadMaket(ld::LayoutLineFlows, flows);
    ld::CreateColumns(flows, kMeters);
    ld::TLineFlowCols f;
    ld::FillLineFlowCols(flows, f);
    marks.assign(kMeters + 1, 0);
    const int step = b.RowCount / kMeters;
    for (int m = 1; m <= kMeters; ++m) {
      const int r = m * step;
      f.Typ[m] = 4;
      (*f.N1)[m] = b.N1->Get(r), (*f.N2)[m] = b.N2->Get(r);
      (*f.Pr)[m] = 1000, (*f.PM)[m] = m % 3 == 0 ? '-' : 0;
      f.Name1->SetItem(m, b.Name1->GetItem(r)), f.Name2->SetItem(m, b.Name2->GetItem(r));
      marks[static_cast<std::size_t>(m)] = m % 10 == 1 ? -m : m;
    }
  }
};

TMeteredScheme& Scheme() {
  static TMeteredScheme scheme;
  return scheme;
}

void BM_MeasurementTree(benchmark::State& state) {
  TMeteredScheme& s = Scheme();
  ld::TLineFlowCols f;
  ld::FillLineFlowCols(s.flows, f);
  for (auto _ : state) {
    const ld::TMeasurementTree tree = ld::BuildMeasurementTree(s.regime, f, 0, 0);
    state.counters["nodes"] = static_cast<double>(tree.Rows.size());
    benchmark::DoNotOptimize(tree.Rows.data());
  }
}
BENCHMARK(BM_MeasurementTree)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_BalanceReport(benchmark::State& state) {
  TMeteredScheme& s = Scheme();
  ld::TBalanceOptions o;
  o.Detailed = state.range(0) != 0;
  for (auto _ : state) {
    ld::TDataFile report;
    ld::BuildBalanceReport(s.regime, {&s.flows, &s.nodes, &s.branches, &s.energy}, s.marks, o, report, {});
    state.counters["rows"] = report.RowCount;
    benchmark::DoNotOptimize(report.RowCount);
  }
}
BENCHMARK(BM_BalanceReport)->ArgName("detailed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
