#!/usr/bin/env bash
# Builds Dalvex 2 and runs every test.
#   scripts/test.sh                  plain build in build/
#   scripts/test.sh address|thread   sanitizer build in build-address/ or build-thread/
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test

sanitize="${1:-}"
dir="build${sanitize:+-$sanitize}"
type=$([ -n "$sanitize" ] && echo RelWithDebInfo || echo Debug)
werror=$([ "${CI:-}" = "true" ] && echo ON || echo OFF)

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" \
  -DDALVEX_SANITIZE="$sanitize" -DDALVEX_WERROR="$werror" >/dev/null
cmake --build "$dir" -j "$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
# The sanitizer builds leave out the one test that runs a whole 3-minute duration.
exclude=$([ -n "$sanitize" ] && echo "NormalEndOfTheDuration" || echo "^$")
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" -E "$exclude"
