#!/usr/bin/env bash
# The wizard on a real X server (Xvfb, with openbox as window manager), driven
# with xdotool to a running test, then cut from its window in one of three
# ways: the X server dies, the client is killed off the server, or its window
# is destroyed by another client. Each cut must end the program with a
# non-zero status and no crash, leaving no file in the test directory nor in
# the temporary directory. A try that does not get as far as a running test
# (the keys raced the window manager) is not counted, and made again, up to
# three times as many tries in all. CTest runs one try of each way (label
# gui, about 25 s); by hand, ten by default:
#   tests/gui/display-loss.sh build/gui/wizard/dalvex2 [TRIES]
# Exits 77 (a skip) with the reason when a program it needs is missing.
set -uo pipefail
program=$(realpath "$1")
tries=${2:-10}
for tool in Xvfb xdpyinfo openbox xdotool; do
  command -v "$tool" >/dev/null ||
    { echo "skipped: $tool is missing (Debian: xvfb, x11-utils, openbox, xdotool)"; exit 77; }
done
# A wizard built with AddressSanitizer: what the system's libraries keep is
# not reported (display-loss.supp), the program's own leaks still are.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "$(realpath "$0")")/display-loss.supp"
work=$(mktemp -d /dev/shm/display-loss.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
# The test directory is the default one, so that the keys need type no path
# (a completion list would take them).
mkdir -p "$work/xdg/Quarn"
printf '[Settings]\nFoldersBase=%s\n' "$work/share" >"$work/xdg/Quarn/Common.conf"
share="$work/share" temp="$work/tmp"
display=70 failures=0

# One try: prints "unreached", or the verdict line.
try() {
  local way=$1 xvfb wm app window="" status=timeout written left verdict
  display=$((display + 1))
  # A display of another X server is left to it.
  while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
  done
  export DISPLAY=:$display
  rm -rf "$share" "$temp" && mkdir -p "$share" "$temp"
  Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  openbox >/dev/null 2>&1 &
  wm=$!
  # The X server's platform, whatever the calling environment chose (offscreen).
  QT_QPA_PLATFORM=xcb TMPDIR="$temp" HOME="$work" XDG_CONFIG_HOME="$work/config" \
    XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_DIRS="$work/xdg" "$program" >"$work/out" 2>&1 &
  app=$!
  for _ in $(seq 100); do
    window=$(xdotool search --pid "$app" --name '^Dalvex 2$' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  sleep 1.5
  xdotool windowactivate --sync "$window" >/dev/null 2>&1
  sleep 0.5
  # Welcome → directory → the question for a local path (Yes) → duration → the run.
  xdotool key Return && sleep 1 && xdotool key Return
  for _ in $(seq 50); do
    xdotool search --onlyvisible --pid "$app" --name '^Dalvex$' >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 0.5 && xdotool key Return && sleep 1.5 && xdotool key Return
  for _ in $(seq 50); do [ -n "$(ls "$share")" ] && break; sleep 0.1; done
  written=$(ls "$share" | wc -l)
  if [ "$written" -gt 0 ]; then
    sleep 1
    case $way in
      server-dies) kill -9 "$xvfb" ;;
      windowkill) xdotool windowkill "$window" ;;
      windowclose) xdotool windowclose "$window" ;;
    esac
    for _ in $(seq 300); do
      if ! kill -0 "$app" 2>/dev/null; then wait "$app"; status=$?; break; fi
      sleep 0.1
    done
  fi
  kill -9 "$app" "$xvfb" "$wm" 2>/dev/null
  wait 2>/dev/null
  rm -f "/tmp/.X$display-lock" "/tmp/.X11-unix/X$display"  # a killed server leaves them
  if [ "$written" -eq 0 ]; then echo unreached; return; fi
  left=$(find "$share" "$temp" -mindepth 1 | wc -l)
  verdict=ok
  if [ "$status" = timeout ] || [ "$status" -eq 0 ] || [ "$status" -ge 128 ] || [ "$left" -ne 0 ]; then
    verdict=FAILED
  fi
  echo "$verdict (files seen $written, exit $status, left $left)"
  [ $verdict = ok ] || { find "$share" "$temp" -mindepth 1; sed 's/^/    /' "$work/out" | tail -5; }
}

for way in server-dies windowkill windowclose; do
  done_tries=0
  for ((attempt = 1; done_tries < tries && attempt <= 3 * tries; attempt++)); do
    result=$(try "$way" 2>/dev/null)
    [ "$result" = unreached ] && continue
    done_tries=$((done_tries + 1))
    echo "$way $done_tries: $result"
    [[ $result == ok* ]] || failures=$((failures + 1))
  done
  [ "$done_tries" -eq "$tries" ] || { echo "$way: only $done_tries tries reached a run"; failures=$((failures + 1)); }
done
echo "$failures failed"
[ "$failures" -eq 0 ]
