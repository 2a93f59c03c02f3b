#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while, starting
# from the inputs under tests/fuzz/regressions/ (faults found before).
#   scripts/fuzz.sh [SECONDS per target, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
scripts/install-deps.sh --test
command -v clang++ >/dev/null || { sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo; $sudo apt-get install -y -qq clang >/dev/null; }
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DDALVEX_FUZZ=ON -DDALVEX_SANITIZE= >/dev/null
cmake --build build-fuzz --target FormatFuzz RtfReaderFuzz ReportTextFuzz
for target in FormatFuzz RtfReaderFuzz ReportTextFuzz; do
  corpus="build-fuzz/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target, ${seconds} s"
  status=0
  "build-fuzz/tests/fuzz/$target" "$corpus" "tests/fuzz/regressions/$target" -max_total_time="$seconds" -max_len=4096 \
    -artifact_prefix=build-fuzz/ -print_final_stats=1 > build-fuzz/$target.log 2>&1 || status=$?
  grep -E "stat::number_of_executed_units|ERROR|SUMMARY" build-fuzz/$target.log || true
  [ "$status" -eq 0 ] || { echo "$target found a fault: see build-fuzz/$target.log"; exit 1; }
done
