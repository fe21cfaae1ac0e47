#!/usr/bin/env bash
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test twice:
# under the C locale and under the users' Russian locale (a decimal comma in the C library).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
BUILD_DIR="${BUILD_DIR:-build/test}"
JOBS="${JOBS:-$(nproc)}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLD_SANITIZE=ON -DLD_BENCH=ON -DLD_PCH=ON
cmake --build "$BUILD_DIR" -j "$JOBS"
export QT_QPA_PLATFORM=offscreen
status=0
for locale in C ru_RU.UTF-8; do
  echo "Tests under the locale $locale"
  LANG="$locale" LC_ALL="$locale" ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$JOBS" --timeout 600 || status=1
done
exit "$status"
