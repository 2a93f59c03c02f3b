#!/usr/bin/env bash
# Waits for client processes to end once their mounts are gone, then ends
# those still there whose command line names MARK (a pid reused meanwhile
# by another program is left alone).
#   tests/shares/await_exit.sh TRIES MARK [PID]...   TRIES times 50 ms at most
tries="$1" mark="$2"
shift 2
alive=("$@")
for _ in $(seq "$tries"); do
  still=()
  for pid in "${alive[@]}"; do
    kill -0 "$pid" 2>/dev/null && still+=("$pid")
  done
  alive=("${still[@]}")
  [ ${#alive[@]} -eq 0 ] && exit 0
  sleep 0.05
done
for pid in "${alive[@]}"; do
  grep -qF "$mark" "/proc/$pid/cmdline" 2>/dev/null && { kill "$pid" 2>/dev/null || true; }
done
exit 0
