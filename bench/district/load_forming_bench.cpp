// Load forming of a seeded district held in memory, in the random order of a fresh import: stations of
// two transformers and some 0.4 kV lines each, with industrial meters and household feeders. Each
// iteration forms a fresh copy; the copy is not timed. With the lines option the household energies are
// spread over the lines; without it the two switch-offs run.
//  - BM_LoadForming: 10,000 stations (20,000 transformer rows, five lines each), 500,000 meters and
//    100,000 household feeders;
//  - BM_LoadFormingStations/<n>: n stations of two lines, one metering point of two meters and one
//    household feeder each, for 10,000 and 100,000 stations: how a run grows with the district (the
//    quick pass forms the 10,000 only).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>

#include "core/district/load_forming.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/table_ops.h"
#include "quick.h"

namespace {

constexpr int kFeeds = 100;

ld::TLoadFormingTables MakeDistrict(int stations, int linesPerStation, int meters, int households) {
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  ld::TLoadFormingTables t;
  std::mt19937 random(20261207u);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const auto station = [](int k) { return "ТП-" + std::to_string(k); };

  ld::ReadMaket(ld::LayoutTransTP, t.Transformers);
  ld::CreateColumns(t.Transformers, 2 * stations);
  ld::TTransTPCols tr;
  ld::FillTransTPCols(t.Transformers, tr);
  // shuffled: the rows of one station come together only after sorting
  std::vector<int> ids(static_cast<std::size_t>(tr.RowCount));
  std::iota(ids.begin(), ids.end(), 0);
  std::shuffle(ids.begin(), ids.end(), random);
  for (int row = 1; row <= tr.RowCount; ++row) {
    const int id = ids[static_cast<std::size_t>(row - 1)];
    tr.Name1->SetItem(row, station(id / 2 + 1));
    tr.Ntr->SetItem(row, id % 2 == 0 ? "Т1" : "Т2");
    if (id % 100 == 0) (*tr.PM)[row] = '\xD1';  // "С": own needs
  }

  ld::ReadMaket(ld::LayoutLines04, t.Lines04);
  ld::CreateColumns(t.Lines04, stations * linesPerStation);
  ld::TLine04Cols ln;
  ld::FillLine04Cols(t.Lines04, ln);
  for (int row = 1; row <= ln.RowCount; ++row) {
    const int k = (row - 1) / linesPerStation + 1;
    ln.NameTP->SetItem(row, station(k));
    ln.Ntr->SetItem(row, k % 2 == 0 ? "Т1" : "Т2");
    ln.Fider->SetItem(row, "Л" + std::to_string((row - 1) % linesPerStation + 1));
    ln.KodLine->SetItem(row, "0.1*А-50+0.0" + std::to_string(1 + pick(9)) + "*А-35");
  }

  ld::ReadMaket(ld::LayoutMeterPoints, t.MeterPoints);
  ld::CreateColumns(t.MeterPoints, meters);
  ld::TMeterPointCols mp;
  ld::FillMeterPointCols(t.MeterPoints, mp);
  for (int row = 1; row <= meters; row += 2) {
    const int k = 1 + pick(stations + kFeeds / 10);
    const std::string name = k <= stations ? station(k) : "Ф-" + std::to_string(k - stations);
    const std::string ntr = pick(3) == 0 ? "Т3" : (pick(2) == 0 ? "Т1" : "Т2");
    const std::string fider = pick(2) == 0 ? "" : "Л" + std::to_string(1 + pick(linesPerStation + 1));
    const std::string contract = std::to_string(pick(100000));
    for (int m = 0; m < 2 && row + m <= meters; ++m) {
      const int i = row + m;
      mp.NameTP->SetItem(i, name);
      mp.Ntr->SetItem(i, ntr);
      mp.Fider->SetItem(i, fider);
      mp.Ndog->SetItem(i, contract);
      mp.NumPoint[i] = 1 + pick(3);
      (*mp.TypCounter)[i] = static_cast<std::uint8_t>(1 + m);
      (*mp.Device)[i] = pick(2) == 0 ? 'Y' : 'N';
      (*mp.Kvolt)[i] = pick(4) == 0 ? 100 : 1;
      (*mp.W)[i] = 10 + pick(10000);
      (*mp.Wt)[i] = pick(20);
      (*mp.Ws)[i] = pick(5) == 0 ? (*mp.W)[i] + (*mp.Wt)[i] + 3 : 0;
    }
  }

  ld::ReadMaket(ld::LayoutHouseholds, t.Households);
  ld::CreateColumns(t.Households, households);
  ld::THouseholdCols hh;
  ld::FillHouseholdCols(t.Households, hh);
  for (int row = 1; row <= households; ++row) {
    hh.NameTP->SetItem(row, station(1 + pick(stations)));
    hh.Fider->SetItem(row, pick(2) == 0 ? "" : "Л" + std::to_string(1 + pick(linesPerStation)));
    (*hh.W)[row] = 100 + pick(100000);
  }

  ld::ReadMaket(ld::LayoutSubstFeeders, t.Feeders);
  ld::CreateColumns(t.Feeders, kFeeds);
  ld::TSubstFeederCols fd;
  ld::FillSubstFeederCols(t.Feeders, fd);
  for (int row = 1; row <= kFeeds; ++row) {
    fd.Name1->SetItem(row, "ПС-1");
    fd.Name2->SetItem(row, "Ф-" + std::to_string(row));
  }
  ld::ReadMaket(ld::LayoutSubstInputs, t.Inputs);
  ld::CreateColumns(t.Inputs, 0);
  return t;
}

void FormCopies(benchmark::State& state, const ld::TLoadFormingTables& district, bool lines04) {
  ld::TLoadFormingOptions options;
  options.LoadLin04 = lines04;
  options.OutNullTr = options.UnevenWtr = !options.LoadLin04;
  std::size_t messages = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ld::TLoadFormingTables t;
    ld::CopyTable(district.Inputs, t.Inputs);
    ld::CopyTable(district.Feeders, t.Feeders);
    ld::CopyTable(district.Transformers, t.Transformers);
    ld::CopyTable(district.MeterPoints, t.MeterPoints);
    ld::CopyTable(district.Households, t.Households);
    ld::CopyTable(district.Lines04, t.Lines04);
    state.ResumeTiming();
    ld::TLoadForming run(t, options, {});
    run.Form();
    messages = run.Messages().size();
    state.PauseTiming();
    t = {};  // freeing the copy is not part of the run
    state.ResumeTiming();
  }
  state.counters["messages"] = static_cast<double>(messages);
}

void BM_LoadForming(benchmark::State& state) {
  static const ld::TLoadFormingTables district = MakeDistrict(10000, 5, 500000, 100000);
  FormCopies(state, district, state.range(0) != 0);
}
BENCHMARK(BM_LoadForming)->ArgName("lines04")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadFormingStations(benchmark::State& state) {
  const int stations = static_cast<int>(state.range(0));
  if (!ld::bench::RunsAtSize(state, stations, 10000)) return;
  const ld::TLoadFormingTables district = MakeDistrict(stations, 2, 2 * stations, stations);
  FormCopies(state, district, true);
  state.counters["stations"] = stations;
}
BENCHMARK(BM_LoadFormingStations)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
