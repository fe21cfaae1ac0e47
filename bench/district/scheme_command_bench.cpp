// The whole "Формирование схемы" command on a seeded district of 100,000 rows of 6–10 kV lines (at
// 100 %) with 20,000 transformer rows, their feeds and feeders: locks, forming, the configuration
// check of the window's engine, and writing the scheme. The target is 3 s on one core at 100 %.
// Counters: nodes and branches of the written scheme, and the messages of the run. The quick pass forms
// the district at 10 % only.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "core/base/settings.h"
#include "core/district/scheme_forming.h"
#include "core/engine/regime.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "quick.h"
#include "table_rows.h"
#include "work_dir.h"

namespace {

using ld::bench::Rows;
using ld::bench::WriteRows;

// Twenty substations of two bus sections, ten feeders per section as chains of line sections with a
// tap-off group of two numbered points in every tenth section, a normally open point between the last
// feeders of neighbouring substations, and a station at every fifth chain point.
std::string SeedDistrict(const std::string& folder, int percent) {
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  ld::IniRec = ld::TIniRec();
  ld::IniRec.Path = folder;
  WriteRows(folder + "sprav_UN.cat", "Номинальные напряжения", {{"0.4"}, {"6"}, {"10"}, {"35"}, {"110"}});
  ld::ReadNominalVoltageList();
  WriteRows(folder + "sprav_ln.cat", "Справочник КЛ,ВЛ",
              {{"АС", "10", "50", "В", "0.6", "0.4", "0", "2.8", "210"},
               {"АС", "10", "70", "В", "0.42", "0.39", "0", "2.9", "265"},
               {"ААБл", "10", "120", "К", "0.26", "0.08", "0", "90", "240"}});

  const int lineRows = 1000 * percent;
  const int substations = 20, sections = 2, feedersPerBus = 10;
  const int chain = lineRows / (substations * sections * feedersPerBus);
  std::mt19937 random(42u + static_cast<unsigned>(percent));
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  static const char* kMarks[] = {"АС-50", "АС-70", "ААБл-120"};

  Rows lines, stations, feeds, feeders;
  std::vector<std::string> lastPoints;
  for (int s = 1; s <= substations; ++s) {
    const std::string substation = "ПС-" + std::to_string(s);
    for (int b = 1; b <= sections; ++b) {
      const std::string bus = substation + "." + std::to_string(b);
      feeds.push_back({substation, bus, "", "10.5", "1", "", "", "3.1", "1.4"});
      for (int f = 1; f <= feedersPerBus; ++f) {
        const std::string head = "Ф" + std::to_string(s) + "-" + std::to_string(b) + "-" + std::to_string(f);
        feeders.push_back({bus, head, head, "", "", "1", "", "0.3", "0.13"});
        std::string previous = bus;
        std::string next = head;
        for (int k = 0; k < chain;) {
          const std::string mark = std::to_string(100 + 10 * pick(60)) + "*" + kMarks[pick(3)];
          lines.push_back({"", k == 0 ? "П" : "", previous, next, "", mark, "10"});
          ++k;
          if (k % 5 == 0) {
            std::vector<std::string> row(15);
            row[1] = next, row[2] = "Т1", row[5] = "ТМ-400/10/0.4", row[13] = std::to_string(pick(2)),
            row[14] = std::to_string(20 + pick(60));
            stations.push_back(row);
          }
          if (k % 10 == 0 && k + 2 < chain) {
            // a tap-off group of two numbered points
            lines.push_back({"", "", next, "1", "", mark, "10"});
            lines.push_back({"", "+", "1", "2", "", mark, "10"});
            k += 2;
          }
          previous = next;
          next = "ТП" + head.substr(std::string("Ф").size()) + "-" + std::to_string(k);
        }
        if (f == feedersPerBus && b == sections) lastPoints.push_back(previous);
      }
    }
  }
  for (std::size_t i = 1; i < lastPoints.size(); ++i)
    lines.push_back({"", "", lastPoints[i - 1], lastPoints[i], "", "500*АС-50", "10", "", "", "Н", "Н"});
  const std::string stem = folder + "Район";
  WriteRows(stem + ld::GetMaketExtention(ld::LayoutLines10), ld::LayoutLines10, lines);
  WriteRows(stem + ld::GetMaketExtention(ld::LayoutTransTP), ld::LayoutTransTP, stations);
  WriteRows(stem + ld::GetMaketExtention(ld::LayoutSubstInputs), ld::LayoutSubstInputs, feeds);
  WriteRows(stem + ld::GetMaketExtention(ld::LayoutSubstFeeders), ld::LayoutSubstFeeders, feeders);
  return stem;
}

void BM_SchemeFormingCommand(benchmark::State& state) {
  if (!ld::bench::RunsAtSize(state, state.range(0), 10)) return;
  static const ld::bench::TWorkDir dir("bench-scheme-command");
  const std::string stem = SeedDistrict(dir.path.string() + "/", static_cast<int>(state.range(0)));
  ld::TRegime engine;
  engine.NameMode = 1;
  engine.FormPVLoops = true;
  std::vector<std::string> messages;
  for (auto _ : state) {
    messages.clear();
    const ld::TSchemeFormingResult result =
        ld::FormSchemeFromBase(stem, false, {}, engine, ld::DefaultSchemeConverter(), {}, messages);
    benchmark::DoNotOptimize(result.Written);
  }
  const auto count = [&](const std::string& prefix) {
    for (const std::string& m : messages)
      if (m.rfind(prefix, 0) == 0) return std::stod(m.substr(prefix.size()));
    return -1.0;
  };
  state.counters["nodes"] = count("Узлов    = ");
  state.counters["branches"] = count("Ветвей   = ");
  state.counters["messages"] = static_cast<double>(messages.size());
}
BENCHMARK(BM_SchemeFormingCommand)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
