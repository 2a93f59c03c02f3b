#!/usr/bin/env bash
# Builds Dalvex 2 and runs every test.
#   scripts/test.sh                  plain build in build/, every test
#   scripts/test.sh address|thread   sanitizer build in build-address/ or build-thread/,
#                                    every test but those on the real shares (the same
#                                    code runs there on tmpfs and under faultfs); the
#                                    thread build leaves out the wizard's tests too: Qt
#                                    hands painting to threads of its own through locks
#                                    that ThreadSanitizer cannot see, and the library is
#                                    not built for it (the engine's polling, which the
#                                    wizard shares, is tested there without Qt)
# The address build uses clang and holds the fuzzers too (scripts/fuzz.sh).
# Each test's outcome goes to ctest-junit.xml in the build directory too.
# ccache, when installed, keeps compiled objects across builds and clones.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test

sanitize="${1:-}"
dir="build${sanitize:+-$sanitize}"
junit="$PWD/$dir/ctest-junit.xml"
rm -f "$junit"  # never the results of an earlier run, should this one not get that far
options=(-DCMAKE_BUILD_TYPE="$([ -n "$sanitize" ] && echo RelWithDebInfo || echo Debug)"
  -DDALVEX_SANITIZE="$sanitize")
if [ "$sanitize" = address ]; then
  options+=(-DCMAKE_CXX_COMPILER=clang++ -DDALVEX_FUZZ=ON)
fi
options+=(-DDALVEX_WERROR="$([ "${CI:-}" = "true" ] && echo ON || echo OFF)")
if command -v ccache >/dev/null; then
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
fi
cmake -S . -B "$dir" -G Ninja "${options[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
# Most tests wait on the disk or the clock: twice as many as cores at once, but
# for the sanitizers, whose slowness would stretch the tests' short windows.
skip=()
jobs=$((2 * $(nproc)))
[ -n "$sanitize" ] && skip=(-LE 'share|fleet') jobs=$(nproc)
[ "$sanitize" = thread ] && skip=(-LE 'share|gui|fleet')
ctest --test-dir "$dir" --output-on-failure --output-junit "$junit" -j "$jobs" "${skip[@]}"
