#pragma once
// The peak memory of one piece of work, apart from whatever the benchmark program held before: the work
// runs in a child process, whose resident peak the parent reads when it ends. The child starts with the
// parent's pages, so the figure is an upper bound.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <functional>
#include <optional>
#include <string>

#include "core/base/error.h"

namespace ld::bench {

struct TChildPeak {
  double peakMB = -1;  // -1 when the child could not be run
  bool ok = false;     // the work returned true and the child ended normally
};

inline TChildPeak RunInChild(const std::function<bool()>& work) {
  const pid_t pid = fork();
  if (pid < 0) return {};
  if (pid == 0) _exit(work() ? 0 : 1);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return {};
  return {static_cast<double>(usage.ru_maxrss) / 1024.0, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

// A damaged file's refusal timed, then once more in a child for its peak memory (MB, -1 when the child
// could not be run). `read` throws ld::Error to refuse; a read that succeeds ends the benchmark with an
// error and gives nothing.
template <typename Read>
std::optional<double> TimeRefusal(benchmark::State& state, const Read& read) {
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
  if (!child.ok) state.SkipWithError("the child run was not refused");
  return child.peakMB;
}

}  // namespace ld::bench
