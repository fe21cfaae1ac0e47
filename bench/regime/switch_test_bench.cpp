// The switching test over a journal of 1,000 switchings of a 10,000-node scheme, both reports written
// (target: 3 s).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/regime/switch_test.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "engine/scheme_gen.h"
#include "work_dir.h"

namespace {

// One minute after another from 00:01 of 5 March 2004, a random branch switched off or back on.
void WriteJournal(const std::string& scheme, int switchings, std::uint32_t seed) {
  ld::TDataFile branches, journal;
  ld::ReadTableFile(scheme + ".VET", branches);
  ld::TBranchCols b;
  ld::FillBranchCols(branches, b);
  // feeder names on some branches, so that supplies differ by feeder as well as by source
  for (int r = 1; r <= b.RowCount; r += 20) b.DSName->SetItem(r, "Ф" + std::to_string(r));
  ld::WriteTableFile(scheme + ".VET", branches);
  ld::ReadMaket(ld::LayoutSwitchLog, journal);
  ld::CreateColumns(journal, 0);
  ld::InsertTableRows(journal, 1, 2 * switchings);
  ld::TSwitchLogCols j;
  ld::FillSwitchLogCols(journal, j);
  const char off = ld::Utf8ToCp1251("О")[0];
  std::mt19937 random(seed);
  ld::TRecSwt rec;
  // The journal names a branch by its ends: a parallel twin of a branch is never switched.
  std::map<std::pair<std::int32_t, std::int32_t>, int> first;
  for (int r = b.RowCount; r >= 1; --r) first[std::minmax((*b.N1)[r], (*b.N2)[r])] = r;
  for (int i = 0; i < switchings; ++i) {
    const int pick = 1 + static_cast<int>(random() % static_cast<std::uint32_t>(b.RowCount));
    const int row = first[std::minmax((*b.N1)[pick], (*b.N2)[pick])];
    ld::ReadBranchRec(b, row, rec);
    const int before = 2 * i + 1;
    for (const int r : {before, before + 1}) {
      (*j.Date)[r] = 20040305;
      (*j.Hour)[r] = (i + 1) / 60;
      (*j.Mins)[r] = (i + 1) % 60;
      (*j.BA)[r] = static_cast<std::uint8_t>(r - before);
    }
    ld::ReadSwitchRec(j, before, rec);
    rec.Commut = rec.Commut == 0 ? off : char(0);
    ld::WriteBranchRec(b, row, rec);
    ld::ReadSwitchRec(j, before + 1, rec);
  }
  ld::WriteTableFile(scheme + ld::GetMaketExtention(ld::LayoutSwitchLog), journal);
}

void BM_SwitchTest(benchmark::State& state) {
  const ld::bench::TWorkDir work("bench-switchtest");
  const std::string scheme = (work.path / "scheme").string();
  ld::bench::WriteScheme(ld::bench::GenerateScheme(10000, 20040305), scheme);
  WriteJournal(scheme, 1000, 1234);
  ld::TSwitchTestSettings settings;
  settings.Date1 = settings.Date2 = ld::EncodeDate(2004, 3, 5);
  int lines = 0;
  ld::TSwitchTestCallbacks cb;
  cb.Message = [&lines](const std::string&) { ++lines; };
  for (auto _ : state) {
    lines = 0;
    ld::TSwitchTestTables tables;
    ld::ReadSwitchTestTables(scheme, tables);
    const ld::TSwitchTestResult result = ld::RunSwitchTest(scheme, tables, settings.Date1, settings, cb);
    if (!result.Replayed) state.SkipWithError("the journal did not hold together");
    state.counters["lines"] = lines;
  }
}

BENCHMARK(BM_SwitchTest)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
