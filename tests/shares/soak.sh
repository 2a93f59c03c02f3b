#!/usr/bin/env bash
# Ten minutes of five sets on the SSHFS share (not part of CI): the run must
# end without a failure and the program's resident memory must stay flat.
# Prints the resident memory of every minute, the first and last side by side.
#   tests/shares/soak.sh [MINUTES, default 10]
set -euo pipefail
cd "$(dirname "$0")/../.."
minutes="${1:-10}"
scripts/install-deps.sh --test
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DDALVEX_BUILD_TESTS=OFF >/dev/null
cmake --build build-release --target dalvex2-cli >/dev/null

state=$(mktemp -d /var/tmp/dalvex-soak-XXXXXX)
trap 'tests/shares/sshfs.sh down "$state/share"; rm -rf "$state"' EXIT
share=$(tests/shares/sshfs.sh up "$state/share")
mkdir -p "$state/tmp"

TMPDIR="$state/tmp" build-release/cli/dalvex2-cli "$share" --sets 5 --until-stopped \
  --stop-after $((minutes * 60 + 20)) --json "$state/result.json" --quiet &
pid=$!
rss=()
for minute in $(seq 1 "$minutes"); do
  sleep 60
  kb=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
  rss+=("$kb")
  echo "minute $minute: resident ${kb} kB"
done
status=0
wait "$pid" || status=$?
python3 - "$state/result.json" "${rss[0]}" "${rss[-1]}" "$status" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))
first, last, status = int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
print(f"result {r['result']} (exit {status}), {len(r['failures'])} failures, "
      f"{r['bytesWritten'] / 1e9:.1f} GB written, {r['bytesRead'] / 1e9:.1f} GB read, "
      f"throughput {r['throughput'] / 1e6:.1f} MB/s")
print(f"resident memory: first minute {first} kB, last minute {last} kB "
      f"({100 * (last - first) / max(first, 1):+.1f} %)")
sys.exit(0 if status == 0 and r["result"] == "ok" else 1)
PY
