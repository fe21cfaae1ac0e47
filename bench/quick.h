#pragma once
// Whether the benchmark program runs its quick pass ("--quick", bench_main.cpp): every benchmark for two
// iterations, to show that each still runs. Such a pass runs beside the test programs on a loaded
// machine, so the time bounds that a benchmark names are not judged in it; memory bounds are.
namespace ld::bench {

bool QuickPass();

}  // namespace ld::bench
