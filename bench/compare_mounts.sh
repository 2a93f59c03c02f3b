#!/usr/bin/env bash
# The engine against fio on every kind of mount this machine offers: a tmpfs,
# the local disk, and the two real shares of tests/shares/. Prints the table
# and writes it to bench/results/<date>.txt.
#   bench/compare_mounts.sh [SECONDS per run, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
scripts/install-deps.sh --test
command -v fio >/dev/null || apt-get install -y -qq fio >/dev/null
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DDALVEX_BUILD_TESTS=OFF \
  -DDALVEX_BUILD_BENCH=ON >/dev/null
cmake --build build-bench --target engine_run >/dev/null

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
  echo "# $(date -u '+%F %T UTC'), $(nproc) cores, ${seconds} s per run"
  python3 bench/engine_vs_fio.py --engine build-bench/bench/engine_run --dir "$state/tmpfs" --seconds "$seconds" --sets 1 5
  for dir in "$state/disk" "$smb" "$sshfs"; do
    python3 bench/engine_vs_fio.py --engine build-bench/bench/engine_run --dir "$dir" --seconds "$seconds" --sets 1
  done
} | tee "$out"
