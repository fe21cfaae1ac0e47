#pragma once
// The peak memory of one piece of work, apart from whatever the benchmark program held before: the work
// runs in a child process, whose resident peak the parent reads when it ends. The child starts with the
// parent's pages, so the figure is an upper bound.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <string>

#include "core/base/error.h"
#include "quick.h"

namespace ld::bench {

struct TChildPeak {
  double peakMB = -1;  // -1 when the child could not be run
  bool ok = false;     // the work returned true and the child ended normally
  double seconds = 0;  // the child's whole run by the wall clock, its start included
};

inline TChildPeak RunInChild(const std::function<bool()>& work) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) return {};
  if (pid == 0) _exit(work() ? 0 : 1);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return {};
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return {static_cast<double>(usage.ru_maxrss) / 1024.0, WIFEXITED(status) && WEXITSTATUS(status) == 0,
          took.count()};
}

// What reading or refusing one file under 2 MB may take, whatever the file declares of itself.
struct TBound {
  double peakMB = 1024;
  double seconds = 5;
};

// The work in a child that is stopped a second past the bound's time: its time then passes the bound,
// which CheckBound names, where a cost far past it would otherwise hold the run for hours. The quick pass
// judges no time and lets the work end (the test's own limit ends one that never does).
inline TChildPeak RunInChildWithin(const std::function<bool()>& work, TBound bound = {}) {
  return RunInChild([&] {
    if (!QuickPass()) {
      std::signal(SIGALRM, [](int) { _exit(0); });
      alarm(static_cast<unsigned>(bound.seconds) + 1);
    }
    return work();
  });
}

// Puts the child's figures into the counters "peak_MB" and "child_s" and fails the benchmark, naming
// what passed, when the child did not end as it should or passed the bound (its time not in the quick
// pass). The program then ends with status 1 (bench_main.cpp). True when the child kept within the bound.
inline bool CheckBound(benchmark::State& state, const TChildPeak& child, TBound bound = {}) {
  state.counters["peak_MB"] = child.peakMB;
  state.counters["child_s"] = child.seconds;
  std::string passed;
  if (child.peakMB < 0) passed = "the child could not be run";
  else if (!child.ok) passed = "the child run did not end as the benchmark expects";
  else if (child.peakMB > bound.peakMB)
    passed = "peak memory " + std::to_string(child.peakMB) + " MB passes the bound of " + std::to_string(bound.peakMB) + " MB";
  else if (child.seconds > bound.seconds && !QuickPass())
    passed = "the run took " + std::to_string(child.seconds) + " s, past the bound of " + std::to_string(bound.seconds) + " s";
  if (passed.empty()) return true;
  state.SkipWithError(passed.c_str());
  return false;
}

// A damaged file's refusal timed, then once more in a child for its peak memory (MB, -1 when the child
// could not be run) and its time, which must stay within the bound (CheckBound). `read` throws ld::Error
// to refuse; a read that succeeds, or a refusal past the bound, ends the benchmark with an error.
template <typename Read>
std::optional<double> TimeRefusal(benchmark::State& state, const Read& read, TBound bound = {}) {
  const auto refused = [&] {
    try {
      read();
    } catch (const ld::Error&) {
      return true;
    }
    return false;
  };
  for (auto _ : state) {
    if (!refused()) {
      state.SkipWithError("read, not refused");
      return std::nullopt;
    }
  }
  const TChildPeak child = RunInChild(refused);
  if (!CheckBound(state, child, bound)) return std::nullopt;
  return child.peakMB;
}

}  // namespace ld::bench
