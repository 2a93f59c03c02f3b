#!/usr/bin/env bash
# Runs the libFuzzer targets side by side for a while, each starting from the
# inputs under tests/fuzz/regressions/ (faults found before). They live in the
# address build (clang), which this builds when it is not there.
#   scripts/fuzz.sh [SECONDS, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
targets=(FormatFuzz RtfReaderFuzz ReportTextFuzz VersionBlockFuzz)
[ -x build-address/tests/fuzz/FormatFuzz ] || scripts/test.sh address
build=$(cmake --build build-address --target "${targets[@]}" 2>&1) || { echo "$build"; exit 1; }

# Each input that once broke something, whole (the timed runs cut inputs at
# -max_len).
for target in "${targets[@]}"; do
  "build-address/tests/fuzz/$target" tests/fuzz/regressions/"$target"/* > "build-address/$target.replay.log" 2>&1 ||
    { tail -30 "build-address/$target.replay.log"; echo "$target: a regression input fails again"; exit 1; }
done

pids=()
for target in "${targets[@]}"; do
  mkdir -p "build-address/corpus/$target"
  "build-address/tests/fuzz/$target" "build-address/corpus/$target" "tests/fuzz/regressions/$target" \
    -max_total_time="$seconds" -max_len=4096 -artifact_prefix="build-address/$target-" \
    -print_final_stats=1 > "build-address/$target.log" 2>&1 &
  pids+=($!)
done
failed=0
for i in "${!targets[@]}"; do
  status=0
  wait "${pids[$i]}" || status=$?
  echo "== ${targets[$i]}, ${seconds} s: $(grep -E 'stat::number_of_executed_units' "build-address/${targets[$i]}.log" || true)"
  if [ "$status" -ne 0 ]; then
    grep -E "ERROR|SUMMARY" "build-address/${targets[$i]}.log" || true
    echo "${targets[$i]} found a fault: see build-address/${targets[$i]}.log"
    failed=1
  fi
done
exit "$failed"
