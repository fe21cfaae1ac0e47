// Measurement workbooks read into a district base: the workbook opened and every row matched and
// written, for each of the three imports. The feeder import reads 20,000 rows into 2,000 feeders; the
// two station imports read n rows into a base of n transformers (two per station), for n of 10,000 and
// 100,000, to show how they grow (no faster than n log n); the quick pass reads the 10,000 rows only.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/district/feeder_measure.h"
#include "core/district/tp_measure.h"
#include "core/office/sheet_reader.h"
#include "core/office/xlsx_file.h"
#include "core/tables/layout.h"
#include "core/tables/table_ops.h"
#include "quick.h"
#include "work_dir.h"

namespace {

constexpr int kFeeders = 2000;
constexpr int kFeederRows = 20000;

// Two transformers per station, Т1 and Т2.
std::string StationName(int i) { return "ТП-" + std::to_string(i); }

void MakeStations(ld::TDataFile& t, int rows) {
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  ld::ReadMaket(ld::LayoutTransTP, t);
  ld::CreateColumns(t, rows);
  auto* name = ld::GetColumnAs<ld::DAString>("Name1", t);
  auto* ntr = ld::GetColumnAs<ld::DAString>("Ntr", t);
  auto* mark = ld::GetColumnAs<ld::DAString>("Transform", t);
  for (int r = 1; r <= rows; ++r) {
    // stations in no particular order, as a base grows
    name->SetItem(r, StationName(static_cast<int>((r * std::int64_t{7919}) % (rows / 2)) + 1));
    ntr->SetItem(r, r <= rows / 2 ? "Т1" : "Т2");
    mark->SetItem(r, "ТМ-400/10/0.4");
  }
}

void MakeFeeders(ld::TDataFile& inputs, ld::TDataFile& feeders) {
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  ld::ReadMaket(ld::LayoutSubstInputs, inputs);
  ld::CreateColumns(inputs, 200);
  auto* bus = ld::GetColumnAs<ld::DAString>("NamePS", inputs);
  for (int r = 1; r <= 200; ++r) bus->SetItem(r, "Ввод " + std::to_string(r));
  ld::ReadMaket(ld::LayoutSubstFeeders, feeders);
  ld::CreateColumns(feeders, kFeeders);
  auto* name = ld::GetColumnAs<ld::DAString>("Name2", feeders);
  for (int r = 1; r <= kFeeders; ++r) name->SetItem(r, "Ф-" + std::to_string(r * 9));
}

ld::bench::TWorkDir& Dir() {
  static ld::bench::TWorkDir dir{"ld-measure-bench"};
  return dir;
}

std::string MakeFeederBook() {
  ld::Workbook f;
  ld::Worksheet& fs = f.sheets.emplace_back("Фидеры");
  for (int i = 1; i <= kFeederRows; ++i) {
    fs.SetText(i, 3, i % 10 ? "Ф-" + std::to_string(i) : "Ввод " + std::to_string(i / 10));
    fs.SetNumber(i, 8, 1.5), fs.SetNumber(i, 12, 0.5), fs.SetNumber(i, 18, 0.25), fs.SetNumber(i, 22, 0.25);
  }
  const std::string file = (Dir().path / "фидеры.xlsx").string();
  ld::WriteXlsx(file, f);
  return file;
}

// The two station workbooks of n rows: one row per transformer of the first n / 2 stations, one row
// per station of the first n stations (half of them not in the base).
struct TStationBooks {
  std::string transformers, stations;

  explicit TStationBooks(int rows)
      : transformers((Dir().path / ("тр" + std::to_string(rows) + ".xlsx")).string()),
        stations((Dir().path / ("ст" + std::to_string(rows) + ".xlsx")).string()) {
    ld::Workbook t, s;
    ld::Worksheet& ts = t.sheets.emplace_back("ТП");
    ld::Worksheet& ss = s.sheets.emplace_back("ТП");
    ss.SetText(1, 1, "ТП");
    ss.SetText(1, 4, "Sн Т2");
    for (int i = 1; i <= rows; ++i) {
      ts.SetText(i, 3, StationName((i + 1) / 2));
      ts.SetText(i, 4, i % 2 ? "Т1" : "Т2");
      ts.SetText(i, 5, "400 кВА");
      ts.SetNumber(i, 8, 120);
      ss.SetText(i + 1, 1, StationName(i));
      ss.SetNumber(i + 1, 2, 400), ss.SetNumber(i + 1, 3, 100), ss.SetNumber(i + 1, 4, 400), ss.SetNumber(i + 1, 5, 80);
    }
    ld::WriteXlsx(transformers, t);
    ld::WriteXlsx(stations, s);
  }
};

const TStationBooks& StationBooks(int rows) {
  static std::map<int, std::unique_ptr<TStationBooks>> books;
  auto& book = books[rows];
  if (!book) book = std::make_unique<TStationBooks>(rows);
  return *book;
}

void BM_FeederMeasurements(benchmark::State& state) {
  ld::TDataFile inputs0, feeders0;
  MakeFeeders(inputs0, feeders0);
  static const std::string file = MakeFeederBook();
  for (auto _ : state) {
    state.PauseTiming();
    ld::TDataFile inputs, feeders;
    ld::CopyTable(inputs0, inputs);
    ld::CopyTable(feeders0, feeders);
    std::vector<std::string> messages;
    state.ResumeTiming();
    ld::TSheetReader sheet;
    sheet.Open(file);
    ld::ImportFeederMeasurements(inputs, feeders, ld::SheetCells(sheet), messages);
    benchmark::DoNotOptimize(messages.size());
  }
}
BENCHMARK(BM_FeederMeasurements)->Unit(benchmark::kMillisecond)->Iterations(3);

void RunStations(benchmark::State& state, const std::string& file, bool perStation) {
  ld::TDataFile stations0;
  MakeStations(stations0, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    ld::TDataFile stations;
    ld::CopyTable(stations0, stations);
    std::vector<std::string> messages;
    state.ResumeTiming();
    ld::TSheetReader sheet;
    sheet.Open(file);
    if (perStation)
      ld::ImportTPStationMeasurements(stations, ld::SheetCells(sheet), 2, messages);
    else
      ld::ImportTPMeasurements(stations, ld::SheetCells(sheet), 0.426, messages);
    benchmark::DoNotOptimize(messages.size());
  }
}

void BM_TransformerRows(benchmark::State& state) {
  if (!ld::bench::RunsAtSize(state, state.range(0), 10000)) return;
  RunStations(state, StationBooks(static_cast<int>(state.range(0))).transformers, false);
}
BENCHMARK(BM_TransformerRows)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_StationRows(benchmark::State& state) {
  if (!ld::bench::RunsAtSize(state, state.range(0), 10000)) return;
  RunStations(state, StationBooks(static_cast<int>(state.range(0))).stations, true);
}
BENCHMARK(BM_StationRows)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
