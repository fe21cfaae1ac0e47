// The main of every benchmark program: Google Benchmark's own, except that
//  - the program ends with status 1 when a benchmark ended with an error, so that a bound a benchmark
//    names (the time and memory of reading a small file, say) fails the run when it is passed instead of
//    only being printed;
//  - "--quick" runs every benchmark (each of its arguments) for exactly two iterations of its loop,
//    whatever the benchmark asks for: a check that every body still runs, and runs again over what its
//    first pass left, which the test command makes on every build (QuickPass), at its small sizes only
//    (RunsAtSize, PassSize), so that each program's pass fits a few tens of seconds of a busy core. The
//    numbers of such a pass mean nothing.
// The library keeps its list of benchmarks to itself; each registration passes through
// RegisterBenchmarkInternal, which the link wraps (ld_bench in cmake/ld.cmake) so that this file sees
// every benchmark the program holds.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "quick.h"
#include "work_dir.h"

namespace {

bool quickPass = false;
pid_t mainPid = 0;

std::vector<benchmark::internal::Benchmark*>& Registered() {
  static std::vector<benchmark::internal::Benchmark*> all;
  return all;
}

class TFailureNoting : public benchmark::ConsoleReporter {
public:
  bool failed = false;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.error_occurred) failed = true;
    ConsoleReporter::ReportRuns(runs);
  }
};

// Takes "--quick" out of the arguments; true when it was there.
bool TakeQuick(int& argc, char** argv) {
  bool quick = false;
  int kept = 1;
  for (int k = 1; k < argc; ++k) {
    if (std::strcmp(argv[k], "--quick") == 0)
      quick = true;
    else
      argv[kept++] = argv[k];
  }
  argc = kept;
  argv[argc] = nullptr;
  return quick;
}

}  // namespace

extern "C" {
benchmark::internal::Benchmark* __real__ZN9benchmark8internal25RegisterBenchmarkInternalEPNS0_9BenchmarkE(
    benchmark::internal::Benchmark* bench);

benchmark::internal::Benchmark* __wrap__ZN9benchmark8internal25RegisterBenchmarkInternalEPNS0_9BenchmarkE(
    benchmark::internal::Benchmark* bench) {
  Registered().push_back(bench);
  return __real__ZN9benchmark8internal25RegisterBenchmarkInternalEPNS0_9BenchmarkE(bench);
}
}

bool ld::bench::QuickPass() { return quickPass; }

bool ld::bench::RunsAtSize(benchmark::State& state, std::int64_t size, std::int64_t quickMost) {
  if (!quickPass || size <= quickMost) return true;
  for (auto _ : state) {
  }
  state.SetLabel("full run only");
  return false;
}

std::int64_t ld::bench::PassSize(std::int64_t full) {
  return quickPass ? std::max<std::int64_t>(1, full / kQuickShare) : full;
}

int main(int argc, char** argv) {
  // A benchmark that throws ends the program without the destructors of its scratch folders.
  mainPid = getpid();
  std::set_terminate([] {
    if (const std::exception_ptr thrown = std::current_exception()) {
      try {
        std::rethrow_exception(thrown);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "A benchmark threw: %s\n", e.what());
      } catch (...) {
        std::fprintf(stderr, "A benchmark threw\n");
      }
    }
    // a child that a benchmark forked shares the folders with the program, which goes on
    if (getpid() == mainPid) ld::bench::TWorkDir::RemoveAll();
    std::abort();
  });
  quickPass = TakeQuick(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (quickPass)
    for (benchmark::internal::Benchmark* bench : Registered()) bench->Iterations(2);
  TFailureNoting reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter.failed ? 1 : 0;
}
