// The period loss calculation over 31 days of hourly load graphs (744 slices) on a scheme of 10,000
// nodes, every load following one graph (target: 10 s on one core).
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "core/base/dates.h"
#include "core/base/settings.h"
#include "core/catalogs/graph_series.h"
#include "core/catalogs/graph_tables.h"
#include "core/engine/regime.h"
#include "core/regime/period_run.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "engine/scheme_gen.h"
#include "regime/calculated_scheme.h"

namespace {

const ld::TDateTime kFirst = ld::EncodeDate(2024, 1, 1);
const ld::TDateTime kLast = ld::EncodeDate(2024, 1, 31);

const std::string& Scheme() {
  static const ld::bench::TWorkDir dir("bench-period");
  static const std::string path = [] {
    const std::string p = (dir.path / "scheme").string();
    ld::bench::WriteScheme(ld::bench::GenerateScheme(10000, 20240611), p);
    // One daily-shaped percentage graph for every load.
    ld::DAdouble dates, data;
    std::string msg;
    ld::CountGraphPoints(true, 3600, dates, msg, kLast, kFirst);
    for (int k = 1; k <= dates.Count; ++k) data[k] = 70 + 30 * std::sin(k * 2 * 3.141592653589793 / 24);
    data.Count = dates.Count;
    ld::StoreGraphValues(p, 1, dates, data);
    const auto catalog = ld::OpenGraphCatalog(p);
    ld::InsertTableRows(*catalog, 1, 1);
    ld::TGraphCatalogCols c;
    ld::FillGraphCatalogCols(*catalog, c);
    (*c.Ngr)[1] = 1;
    (*c.Typ)[1] = ld::kGraphSlices;
    (*c.Zam)[1] = 'P';
    (*c.Per)[1] = 3600;
    c.Unt->SetItem(1, "%");
    ld::WriteTableFile(p + catalog->Extention, *catalog);
    ld::TDataFile nodes;
    ld::ReadTableFile(p + ld::GetMaketExtention(ld::LayoutNodes), nodes);
    ld::TNodeCols n;
    ld::FillNodeCols(nodes, n);
    for (int r = 1; r <= n.RowCount; ++r)
      if (n.Pn->Get(r) != 0) (*n.Ng_n)[r] = 1;
    ld::WriteTableFile(p + nodes.Extention, nodes);
    return p;
  }();
  return path;
}

void BM_PeriodLosses(benchmark::State& state) {
  const std::string& path = Scheme();
  ld::TIniRec& ini = ld::IniRec;
  ini.Path = std::string(LD_DATA_DIR) + "/";
  ini.TypCalcPQ = 3;
  ini.Tgr = 3600;
  ini.Date1 = kFirst;
  ini.Date2 = kLast;
  ini.FlagBalans = ini.RegKtr = ini.RegQ = ini.LossUnom = false;
  for (auto _ : state) {
    ld::TRegime r;
    std::vector<std::string> errors;
    r.Errors = &errors;
    const ld::TPeriodRunResult res = ld::RunPeriodLosses(r, path, {});
    if (!res.Written) state.SkipWithError(errors.empty() ? "not written" : errors.front().c_str());
    state.counters["slices"] = static_cast<double>(res.SliceEnds.size());
  }
}

BENCHMARK(BM_PeriodLosses)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
