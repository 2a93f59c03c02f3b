#!/usr/bin/env bash
# The engine against fio on every kind of mount this machine offers: a tmpfs,
# the local disk, and the two real shares of tests/shares/, each with 1 and 5
# sets. Prints the tables, each mount's ending with its summary lines, and
# writes them to bench/results/<date>.txt (docs/benchmarks.md says how to
# read them).
#   bench/compare_mounts.sh [SECONDS per run, default 20] [RUNS per tool, default 3]
# A mount that cannot be measured (its share does not come up, a tool fails
# on it) gets an "unmeasured" line instead of its summary; the other mounts
# are measured all the same, and the script then exits with 1. The shares are
# taken down whatever happens.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
repeat="${2:-3}"
scripts/install-deps.sh --test
command -v fio >/dev/null || apt-get install -y -qq fio >/dev/null
# perf counts the tools' system calls; strace where perf cannot.
command -v perf >/dev/null || apt-get install -y -qq linux-perf >/dev/null
command -v strace >/dev/null || apt-get install -y -qq strace >/dev/null
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DDALVEX_BUILD_TESTS=OFF \
  -DDALVEX_BUILD_BENCH=ON >/dev/null
cmake --build build-bench --target engine_run polling_bench >/dev/null
cc -O2 -shared -fPIC -o build-bench/bench/unlink_retry.so bench/unlink_retry.c -ldl

state=$(mktemp -d /var/tmp/dalvex-bench-XXXXXX)
cleanup() {
  tests/shares/smb.sh down "$state/smb" || true
  tests/shares/sshfs.sh down "$state/sshfs" || true
  umount "$state/tmpfs" 2>/dev/null || true
  rm -rf "$state"
}
trap cleanup EXIT
mkdir -p "$state/tmpfs" "$state/disk"

# The measuring runs in the pipeline's subshell: the mounts it could not
# measure are noted in a file that outlives it.
unmeasured() {
  echo "unmeasured mount=$1 reason=$2"
  echo "$1" >>"$state/unmeasured"
}
# compare LABEL DIR SERVER_PID(or empty) SETS...
compare() {
  local label="$1" dir="$2" pid="$3"
  shift 3
  python3 bench/engine_vs_fio.py --engine build-bench/bench/engine_run --label "$label" \
    --dir "$dir" --seconds "$seconds" --repeat "$repeat" --sets "$@" ${pid:+--server-pid "$pid"} ||
    unmeasured "$label" tool
}

mkdir -p bench/results
out="bench/results/$(date +%F).txt"
{
  echo "# $(date -u '+%F %T UTC'), $(nproc) cores, ${seconds} s per run, median of ${repeat} runs"
  if mount -t tmpfs -o size=4g tmpfs "$state/tmpfs"; then
    compare tmpfs "$state/tmpfs" "" 1 5
  else
    unmeasured tmpfs mount
  fi
  compare disk "$state/disk" "" 1 5
  # The shares also count what their server moved: smbd, and the sshd that
  # runs the SFTP server in its session process.
  if smb=$(tests/shares/smb.sh up "$state/smb"); then
    compare smb "$smb" "$(cat "$state/smb/pid/smbd.pid")" 1 5
  else
    unmeasured smb fixture
  fi
  if sshfs=$(tests/shares/sshfs.sh up "$state/sshfs"); then
    compare sshfs "$sshfs" "$(cat "$state/sshfs/sshd.pid")" 1 5
  else
    unmeasured sshfs fixture
  fi
  # What the progress page pays per poll while 50 threads run.
  build-bench/bench/polling_bench --benchmark_min_time=2 2>/dev/null | grep BM_
} | tee "$out"
if [ -s "$state/unmeasured" ]; then
  echo "not measured: $(paste -sd ' ' "$state/unmeasured")" >&2
  exit 1
fi
