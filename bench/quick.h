#pragma once
// Whether the benchmark program runs its quick pass ("--quick", bench_main.cpp): every benchmark for two
// iterations, to show that each still runs. Such a pass runs beside the test programs on a loaded
// machine, so the time bounds that a benchmark names are not judged in it; memory bounds are.
#include <benchmark/benchmark.h>

#include <cstdint>

namespace ld::bench {

bool QuickPass();

// Whether the benchmark runs at `size`: every size in the full run; in the quick pass only those up to
// `quickMost`, since the largest sizes show how time and memory grow and would take the quick pass
// minutes of its two busy cores. A size passed over runs its loop empty and says so in its label.
bool RunsAtSize(benchmark::State& state, std::int64_t size, std::int64_t quickMost);

// A size that a benchmark of one size takes from what it shows (the largest file a bound admits, a
// package that stands for gigabytes, rows down to a sheet's last): the size itself in the full run, a
// share of it in the quick pass (kQuickShare, at least 1). A benchmark scales every size of its file
// alike, its padding too, so that the file meets the readers' limits per byte of the file as in the full
// run, at a share of the cost: a file that must be refused still is, though one that may be read or
// refused may go the other way, since the floor that each limit grants any file weighs more on a small one.
inline constexpr std::int64_t kQuickShare = 8;
std::int64_t PassSize(std::int64_t full);

}  // namespace ld::bench
