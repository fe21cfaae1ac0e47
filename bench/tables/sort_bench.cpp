// Sorting a branch table of 200,000 rows by a text key and a number key, as the grid sorts a district's
// tables, and checking an already sorted table (which must cost a pass, not a sort).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>

#include "core/tables/layout.h"
#include "core/tables/table_ops.h"

namespace {

constexpr int kRows = 200000;

void FillBranches(ld::TDataFile& t) {
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  ld::ReadMaket(ld::LayoutBranches, t);
  ld::CreateColumns(t, kRows);
  std::mt19937 rng(1);
  auto* name = ld::GetColumnAs<ld::DAString>("Name1", t);
  auto* n1 = ld::GetColumnAs<ld::DALongint>("N1", t);
  for (int r = 1; r <= kRows; ++r) {
    name->SetItem(r, "Подстанция " + std::to_string(rng() % 5000));
    (*n1)[r] = static_cast<std::int32_t>(rng() % 100000);
  }
}

void BM_SortBranchesByNameAndNode(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ld::TDataFile t;
    FillBranches(t);
    const std::uint8_t keys[] = {static_cast<std::uint8_t>(ld::FindColumnIndex("Name1", t)),
                                 static_cast<std::uint8_t>(ld::FindColumnIndex("N1", t))};
    bool changed = false;
    state.ResumeTiming();
    ld::SortTable(t, 2, keys, changed);
    benchmark::DoNotOptimize(changed);
    state.PauseTiming();
    ld::FreeTable(t);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_SortBranchesByNameAndNode)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CheckSortedBranches(benchmark::State& state) {
  ld::TDataFile t;
  FillBranches(t);
  const std::uint8_t keys[] = {static_cast<std::uint8_t>(ld::FindColumnIndex("Name1", t)),
                               static_cast<std::uint8_t>(ld::FindColumnIndex("N1", t))};
  bool changed = false;
  ld::SortTable(t, 2, keys, changed);
  for (auto _ : state) {
    ld::SortTable(t, 2, keys, changed);
    benchmark::DoNotOptimize(changed);
  }
  ld::FreeTable(t);
}
BENCHMARK(BM_CheckSortedBranches)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
