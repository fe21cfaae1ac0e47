// The short-circuit calculation as a district engineer runs it for a whole network: every node of a
// generated 10,000-node scheme faulted in turn, each fault with its own radius and both passes, the
// scheme read and modelled once. Argument 1 solves the second pass again instead of taking the first
// pass's results (as a radius with EMF sources needs). Counter "faults": the faults calculated per run.
// The quick pass faults every node of a scheme of a share of the nodes (PassSize).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "core/base/codepage.h"
#include "core/engine/regime.h"
#include "core/optim/tkz_calc.h"
#include "core/optim/tkz_radius.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_ops.h"
#include "engine/scheme_gen.h"
#include "quick.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

void BM_FaultEveryNode(benchmark::State& state) {
  const int nodeCount = static_cast<int>(ld::bench::PassSize(state.range(0)));
  const bool solveTwice = state.range(1) != 0;
  const ld::bench::TWorkDir dir("bench-tkz");
  const std::string path = (dir.path / "scheme").string();
  const ld::bench::GenScheme generated = ld::bench::GenerateScheme(nodeCount, 2817);
  ld::bench::WriteScheme(generated, path);

  ld::TDataFile data, radius;
  ld::ReadMaket(ld::LayoutTkzSources, data);
  ld::CreateColumns(data, 1);
  ld::TTkzSourceCols d;
  ld::FillTkzSourceCols(data, d);
  (*d.Sign)[1] = ld::Utf8ToCp1251("К")[0];
  ld::ReadMaket(ld::LayoutTkzRadius, radius);
  ld::CreateColumns(radius, 0);

  ld::TRegime model, calc;
  ld::TTkzScheme scheme(model);
  scheme.Read(path, data);
  ld::TTkzCalcTables tables;
  std::int64_t faults = 0;
  std::vector<std::string> errors;
  for (auto _ : state) {
    for (const ld::bench::GenNode& node : generated.Nodes) {
      if (node.Sign != 0) continue;
      d.Name->SetItem(1, "ТП-" + std::to_string(node.NS));
      ld::TTkzNameList list;
      list.Start(data);
      if (radius.RowCount > 0) ld::DeleteTableRows(radius, 1, radius.RowCount);
      scheme.WriteRadius(data, list, radius);
      errors.clear();
      if (solveTwice) {
        ld::CalcShortCircuit(calc, radius, "bench", false, &tables);
        ld::CalcShortCircuit(calc, radius, "bench", true, &tables);
      } else {
        ld::CalcTkzRadius(calc, radius, "bench", errors, &tables);
      }
      ++faults;
    }
  }
  state.counters["faults"] = static_cast<double>(faults) / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_FaultEveryNode)->Args({10000, 0})->Args({10000, 1})->Iterations(1)->Unit(benchmark::kSecond);
