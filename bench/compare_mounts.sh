#!/usr/bin/env bash
# The engine against fio on every kind of mount this machine offers: a tmpfs,
# the local disk, and the two real shares of tests/shares/. Prints the table
# and writes it to bench/results/<date>.txt (README: "Benchmarks" says how to
# read it).
#   bench/compare_mounts.sh [SECONDS per run, default 20] [RUNS per tool, default 3]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
repeat="${2:-3}"
scripts/install-deps.sh --test
command -v fio >/dev/null || apt-get install -y -qq fio >/dev/null
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
mount -t tmpfs -o size=4g tmpfs "$state/tmpfs"
smb=$(tests/shares/smb.sh up "$state/smb")
sshfs=$(tests/shares/sshfs.sh up "$state/sshfs")

mkdir -p bench/results
out="bench/results/$(date +%F).txt"
{
  echo "# $(date -u '+%F %T UTC'), $(nproc) cores, ${seconds} s per run, median of ${repeat} runs"
  python3 bench/engine_vs_fio.py --engine build-bench/bench/engine_run --dir "$state/tmpfs" --seconds "$seconds" --repeat "$repeat" --sets 1 5
  python3 bench/engine_vs_fio.py --engine build-bench/bench/engine_run --dir "$state/disk" --seconds "$seconds" --repeat "$repeat" --sets 1
  # The shares also count what their server moved: smbd, and the sshd that
  # runs the SFTP server in its session process.
  python3 bench/engine_vs_fio.py --engine build-bench/bench/engine_run --dir "$smb" --seconds "$seconds" --repeat "$repeat" --sets 1 \
    --server-pid "$(cat "$state/smb/pid/smbd.pid")"
  python3 bench/engine_vs_fio.py --engine build-bench/bench/engine_run --dir "$sshfs" --seconds "$seconds" --repeat "$repeat" --sets 1 \
    --server-pid "$(cat "$state/sshfs/sshd.pid")"
  # What the progress page pays per poll while 50 threads run.
  build-bench/bench/polling_bench --benchmark_min_time=2 2>/dev/null | grep BM_
} | tee "$out"
