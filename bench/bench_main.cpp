// The main of every benchmark program: Google Benchmark's own, except that the program ends with status 1
// when a benchmark ended with an error, so that a bound a benchmark names (the time and memory of reading
// a small file, say) fails the run when it is passed instead of only being printed.
#include <benchmark/benchmark.h>

#include <vector>

namespace {

class TFailureNoting : public benchmark::ConsoleReporter {
public:
  bool failed = false;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.error_occurred) failed = true;
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TFailureNoting reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter.failed ? 1 : 0;
}
