#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building, testing and running the program.
# Safe to run again: packages that are already there are left alone.
set -euo pipefail
pkgs=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  libxlsxwriter-dev libzip-dev libexpat1-dev libshp-dev
  fonts-dejavu-core poppler-utils xvfb xauth openbox
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi
