#!/usr/bin/env bash
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test twice:
# under the C locale and under the users' Russian locale (a decimal comma in the C library).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
BUILD_DIR="${BUILD_DIR:-build/test}"
JOBS="${JOBS:-$(nproc)}"
# Test programs at once: half the cores. A sanitizer program runs for a minute or more of CPU; on a
# machine that other work shares, one program per core leaves each too small a share of a core to end
# within the limit below, while the whole run lasts as long as its longest program either way.
TEST_JOBS="${TEST_JOBS:-$(( JOBS > 1 ? JOBS / 2 : 1 ))}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLD_SANITIZE=ON -DLD_BENCH=ON -DLD_PCH=ON
cmake --build "$BUILD_DIR" -j "$JOBS"
export QT_QPA_PLATFORM=offscreen
status=0
for locale in C ru_RU.UTF-8; do
  echo "Tests under the locale $locale"
  LANG="$locale" LC_ALL="$locale" ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$TEST_JOBS" --timeout 600 || status=1
done
exit "$status"
