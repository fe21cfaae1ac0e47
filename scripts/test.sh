#!/usr/bin/env bash
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test twice:
# under the C locale and under the users' Russian locale (a decimal comma in the C library). Then builds
# the benchmarks as they are measured (release) and runs each of them briefly: two iterations of every
# benchmark's loop, so that a benchmark that no longer runs fails the run; no time is judged there.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
BUILD_DIR="${BUILD_DIR:-build/test}"
BENCH_DIR="${BENCH_DIR:-build/bench}"
JOBS="${JOBS:-$(nproc)}"
# Test programs at once: one a core. Each test of the sanitizer build (a program, or a shard of one) takes
# at most about a minute of CPU and writes its files in a memory folder where the machine has one, so that
# it ends within a third of the limit below on a machine of two cores that other builds and a busy disk
# keep busy.
TEST_JOBS="${TEST_JOBS:-$JOBS}"
# Line tables are all the sanitizers' reports need: the full debug information of every program would
# weigh some ten times more on the build machine's disk.
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLD_SANITIZE=ON -DLD_BENCH=OFF -DLD_PCH=ON \
  -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1
cmake --build "$BUILD_DIR" -j "$JOBS"
export QT_QPA_PLATFORM=offscreen
status=0
for locale in C ru_RU.UTF-8; do
  echo "Tests under the locale $locale"
  LANG="$locale" LC_ALL="$locale" ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$TEST_JOBS" --timeout 600 || status=1
done
echo "The benchmarks' quick pass"
cmake -S . -B "$BENCH_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLD_BENCH=ON -DLD_TESTS=OFF
cmake --build "$BENCH_DIR" -j "$JOBS"
LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 ctest --test-dir "$BENCH_DIR" --output-on-failure -j "$TEST_JOBS" --timeout 600 || status=1
exit "$status"
