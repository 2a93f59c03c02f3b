#!/usr/bin/env bash
# Builds the Debian packages of Dalvex 2 in Release:
#   deploy/package.sh [BUILD_DIR]     (build-package by default)
# prints the paths of BUILD_DIR/dalvex2-cli_<version>_amd64.deb (the command
# line alone) and BUILD_DIR/dalvex2_<version>_amd64.deb (the wizard). Installs
# what building and packaging need when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --package
dir="$(realpath -m "${1:-build-package}")"
options=(-DCMAKE_BUILD_TYPE=Release -DDALVEX_BUILD_TESTS=OFF)
if command -v ccache >/dev/null; then
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
fi
cmake -S . -B "$dir" -G Ninja "${options[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" >/dev/null
# Every commit has a version of its own: packages of earlier ones go.
rm -f "$dir"/dalvex2_*_amd64.deb "$dir"/dalvex2-cli_*_amd64.deb
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$dir"/dalvex2-cli_*_amd64.deb "$dir"/dalvex2_*_amd64.deb
