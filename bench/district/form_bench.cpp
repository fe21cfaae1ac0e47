// Scheme forming of a seeded district: at 100 % 100,000 rows of 6–10 kV lines, 20,000 transformer rows
// and 20,000 rows of 0.4 kV lines with their feeds and feeders, read from the base's files, formed and
// written back. Counters: nodes and branches formed, and the peak memory of the process after each
// size (sizes run in ascending order, so the growth of the peak shows how memory scales). The quick pass
// forms the district at up to 50 %.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <random>
#include <string>
#include <vector>

#include "core/base/settings.h"
#include "core/district/form_scheme.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "quick.h"
#include "table_rows.h"
#include "work_dir.h"

namespace {

using ld::bench::Rows;
using ld::bench::WriteRows;

// Feeders leave the substation buses as chains of line sections; one section in eight starts a
// tap-off group of three numbered points; a station of two transformers stands at every fifth chain
// point, and each transformer feeds a 0.4 kV line.
std::string MakeDistrict(int percent) {
  static const ld::bench::TWorkDir dir("bench-district");
  const std::string folder = dir.path.string() + "/";
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  ld::IniRec = ld::TIniRec();
  ld::IniRec.Path = folder;
  WriteRows(folder + "sprav_UN.cat", "Номинальные напряжения", {{"0.4"}, {"6"}, {"10"}, {"35"}, {"110"}});
  ld::ReadNominalVoltageList();
  WriteRows(folder + "sprav_ln.cat", "Справочник КЛ,ВЛ",
        {{"АС", "10", "50", "В", "0.6", "0.4", "0", "2.8", "210"}, {"АС", "10", "70", "В", "0.42", "0.39", "0", "2.9", "265"},
         {"ААБ", "10", "120", "К", "0.26", "0.08", "0", "90", "240"}, {"АВВГ", "0.4", "95", "К", "0.32", "0.08", "0", "0", "200"}});
  WriteRows(folder + "sprav_t2.cat", "Справочник ТР(2)",
        {{"ТМ", "250", "10", "0.4", "3.7", "4.5", "0.74", "2.3", "ВН-ПБВ-П-5-3-2.5"},
         {"ТМ", "400", "10", "0.4", "5.5", "4.5", "0.95", "2.1", "ВН-ПБВ-П-5-3-2.5"},
         {"ТМ", "630", "10", "0.4", "7.6", "5.5", "1.3", "2", "ВН-ПБВ-П-5-3-2.5"}});

  const int lineRows = 1000 * percent, stationRows = 200 * percent, rows04 = 200 * percent;
  const int substations = 20, feedersPerBus = 10;
  std::mt19937 random(20240101u + static_cast<unsigned>(percent));
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  static const char* kMarks[] = {"АС-50", "АС-70", "ААБ-120"};

  Rows lines, feeds, feeders;
  std::vector<std::string> points;
  int tapGroup = 0;
  const int chain = lineRows / (substations * feedersPerBus);
  for (int s = 1; s <= substations; ++s) {
    const std::string bus = "ПС-" + std::to_string(s) + ".10";
    feeds.push_back({"ПС-" + std::to_string(s), bus, "", "10.5", "1", "К", "", "3.5", "1.2"});
    for (int f = 1; f <= feedersPerBus; ++f) {
      std::string previous = bus;
      const std::string feederName = "Ф" + std::to_string(s) + "-" + std::to_string(f);
      for (int k = 0; k < chain;) {
        const std::string mark = std::to_string(10 * (1 + pick(300))) + "*" + kMarks[pick(3)];
        if (k + 4 < chain && pick(8) == 0) {
          // the tap-off point on the line, then three numbered points of the group
          ++tapGroup;
          const std::string point = "ОП-" + std::to_string(tapGroup);
          lines.push_back({"1", "", previous, point, "", mark, k == 0 ? "10" : ""});
          lines.push_back({"1", "", point, "1", "", mark});
          lines.push_back({"1", "+", "1", "2", "", mark});
          lines.push_back({"1", "+", "2", "3", "", mark});
          previous = point;
          k += 4;
          continue;
        }
        const std::string next = "ТП-" + std::to_string(s) + "-" + std::to_string(f) + "-" + std::to_string(k);
        lines.push_back({"1", k == 0 ? "П" : "", previous, next, "", mark, k == 0 ? "10" : ""});
        points.push_back(next);
        if (k == 0) feeders.push_back({bus, next, feederName, "", "", "1", "+", "0.3", "0.1"});
        previous = next;
        ++k;
      }
    }
  }
  Rows stations, lines04;
  static const char* kTransformers[] = {"ТМ-250/10/0.4", "ТМ-400/10/0.4", "ТМ-630/10/0.4"};
  for (int r = 0; r < stationRows; ++r) {
    const std::string& station = points[static_cast<std::size_t>(r / 2 * 5) % points.size()];
    std::vector<std::string> row(34);
    row[0] = "1", row[1] = station, row[2] = r % 2 == 0 ? "Т1" : "Т2", row[5] = kTransformers[pick(3)];
    row[13] = std::to_string(pick(3)), row[14] = std::to_string(20 + pick(60)), row[15] = "0.4";
    stations.push_back(row);
  }
  for (int r = 0; r < rows04; ++r) {
    const std::vector<std::string>& station = stations[static_cast<std::size_t>(r)];
    lines04.push_back({station[1], station[2], "Ф" + std::to_string(1 + r % 4), std::to_string(50 + pick(400)) + "*АВВГ-95",
                       "1", "4", "", "", "", "", "0.01", "0.004"});
  }
  const std::string stem = folder + "Район";
  WriteRows(stem + ld::GetMaketExtention(ld::LayoutLines10), ld::LayoutLines10, lines);
  WriteRows(stem + ld::GetMaketExtention(ld::LayoutTransTP), ld::LayoutTransTP, stations);
  WriteRows(stem + ld::GetMaketExtention(ld::LayoutLines04), ld::LayoutLines04, lines04);
  WriteRows(stem + ld::GetMaketExtention(ld::LayoutSubstInputs), ld::LayoutSubstInputs, feeds);
  WriteRows(stem + ld::GetMaketExtention(ld::LayoutSubstFeeders), ld::LayoutSubstFeeders, feeders);
  return stem;
}

void BM_FormCalcScheme(benchmark::State& state) {
  const int percent = static_cast<int>(state.range(0));
  if (!ld::bench::RunsAtSize(state, percent, 50)) return;
  const std::string stem = MakeDistrict(percent);
  ld::TFormSchemeOptions options = ld::TFormSchemeOptions::FromSettings(ld::IniRec);
  options.T04 = options.L04 = true;
  options.CutMark = false;
  int nodeCount = 0, branchCount = 0, supplyCount = 0;
  std::size_t messages = 0;
  for (auto _ : state) {
    ld::TDataFile nodes, branches, flows;
    ld::ReadMaket(ld::LayoutNodes, nodes);
    ld::ReadMaket(ld::LayoutBranches, branches);
    ld::ReadMaket(ld::LayoutLineFlows, flows);
    std::vector<std::string> errors;
    ld::FormCalcScheme(stem, ld::IniRec.Path, options, nodes, branches, flows, nodeCount, branchCount, supplyCount, {},
                       {}, errors);
    messages = errors.size();
    benchmark::DoNotOptimize(nodes.RowCount);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["nodes"] = nodeCount;
  state.counters["branches"] = branchCount;
  state.counters["messages"] = static_cast<double>(messages);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_FormCalcScheme)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
