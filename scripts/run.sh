#!/usr/bin/env bash
# Builds the program (release) and starts it from a program folder that holds "maket.zr"
# and the default files. Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
BUILD_DIR="${BUILD_DIR:-build/release}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLD_TESTS=OFF
cmake --build "$BUILD_DIR" -j "$(nproc)" --target ldtoril
PROGRAM_DIR="${PROGRAM_DIR:-$HOME/ldtoril}"
mkdir -p "$PROGRAM_DIR"
# The program folder keeps the user's catalogues and settings; only missing default files are copied.
cp -rn data/. "$PROGRAM_DIR"/
cp -f "$BUILD_DIR/src/gui/app/ldtoril" "$PROGRAM_DIR/ldtoril"
cd "$PROGRAM_DIR"
exec ./ldtoril "$@"
