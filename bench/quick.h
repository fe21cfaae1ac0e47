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

}  // namespace ld::bench
