#!/usr/bin/env bash
# Many clients against one server: N dalvex2-cli processes started at one
# moment (--start-at) against the SSHFS share of tests/shares/ on this
# machine (one clock: offset 0), each in a directory of its own, their results
# merged. Prints, per number of clients, the merged throughput on the share and
# each client's, and writes the table to bench/results/<date>-fleet.txt. Root
# and /dev/fuse needed.
#   bench/fleet.sh [N ...]          (1 2 4 8 by default)
#   SECONDS_PER_RUN=20 SETS=1 bench/fleet.sh 1 2 4 8
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${SECONDS_PER_RUN:-20}"
sets="${SETS:-1}"
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(1 2 4 8)
scripts/install-deps.sh --test
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DDALVEX_BUILD_TESTS=OFF \
  -DDALVEX_BUILD_BENCH=ON >/dev/null
cmake --build build-bench --target dalvex2-cli >/dev/null
cli="$PWD/build-bench/cli/dalvex2-cli"

state=$(mktemp -d /var/tmp/dalvex-fleet-XXXXXX)
cleanup() {
  tests/shares/sshfs.sh down "$state/sshfs" || true
  rm -rf "$state"
}
trap cleanup EXIT
share=$(tests/shares/sshfs.sh up "$state/sshfs")

mkdir -p bench/results
out="bench/results/$(date +%F)-fleet.txt"
{
  echo "# $(date -u '+%F %T UTC'), $(nproc) cores, SSHFS on loopback, ${seconds} s per run, ${sets} set(s) per client"
  printf '%-8s %-14s %-40s %s\n' clients "total MB/s" "per client MB/s (min / median / max)" result
  for n in "${counts[@]}"; do
    run="$state/run-$n"
    mkdir -p "$run"
    start=$(($(date +%s) + 3))
    pids=()
    for i in $(seq "$n"); do
      mkdir -p "$share/c$i"
      TMPDIR="$run" "$cli" "$share/c$i" --start-at "$start" --clock-offset 0 --stop-after "$seconds" --sets "$sets" \
        --label "c$i" --json "$run/c$i.json" --quiet >/dev/null 2>&1 &
      pids+=($!)
    done
    wait "${pids[@]}" || true
    "$cli" merge --json "$run/merged.json" -- "$run"/c*.json >/dev/null 2>&1 || true
    python3 - "$run/merged.json" "$n" <<'PY'
import json, statistics, sys
m = json.load(open(sys.argv[1]))
each = sorted(c["shareThroughput"] / 1e6 for c in m["clients"])
spread = "%.1f / %.1f / %.1f" % (each[0], statistics.median(each), each[-1])
print("%-8s %-14.1f %-40s %s" % (sys.argv[2], (m["throughput"] or 0) / 1e6, spread, m["result"]))
PY
    rm -rf "$share"/c*
  done
} | tee "$out"
