#!/usr/bin/env bash
# The wizard on a real X server (Xvfb, with openbox as window manager), driven
# with xdotool to a running test, then cut from its window in one of three
# ways: the X server dies, the client is killed off the server, or its window
# is destroyed by another client. Each try must end the program with a
# non-zero status and no crash, leaving no file in the test directory nor in
# the temporary directory. Not part of CI (needs xvfb, openbox and xdotool):
#   tests/gui/display-loss.sh build/gui/wizard/dalvex2 [TRIES]
set -uo pipefail
program=$(realpath "$1")
tries=${2:-10}
work=$(mktemp -d /dev/shm/display-loss.XXXXXX)
mkdir -m 700 "$work/runtime"
trap 'rm -rf "$work"' EXIT
failures=0

for way in server-dies windowkill windowclose; do
  for ((i = 1; i <= tries; i++)); do
    share="$work/share" temp="$work/tmp"
    rm -rf "$share" "$temp" && mkdir -p "$share" "$temp"
    Xvfb :77 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 50); do xdpyinfo -display :77 >/dev/null 2>&1 && break; sleep 0.1; done
    DISPLAY=:77 openbox >/dev/null 2>&1 &
    DISPLAY=:77 TMPDIR="$temp" HOME="$work" XDG_CONFIG_HOME="$work/config" \
      XDG_RUNTIME_DIR="$work/runtime" "$program" \
      >"$work/out" 2>&1 &
    app=$!
    export DISPLAY=:77
    window=""
    for _ in $(seq 100); do
      window=$(xdotool search --onlyvisible --name '^Dalvex 2$' 2>/dev/null | head -1)
      [ -n "$window" ] && break
      sleep 0.1
    done
    xdotool windowactivate --sync "$window" 2>/dev/null
    # Welcome → directory (the default path selected, so typing replaces it)
    # → the question for a local path (Yes) → duration → the run.
    xdotool key --delay 300 Return && sleep 0.5
    xdotool type --delay 20 "$share" && sleep 0.6
    xdotool key Return && sleep 0.8 && xdotool key Return && sleep 0.8
    xdotool key Return
    for _ in $(seq 50); do [ -n "$(ls "$share")" ] && break; sleep 0.1; done
    written=$(ls "$share" | wc -l)
    sleep 1
    case $way in
      server-dies) kill -9 "$xvfb" ;;
      windowkill) xdotool windowkill "$window" ;;
      windowclose) xdotool windowclose "$window" ;;
    esac
    status=timeout
    for _ in $(seq 300); do
      if ! kill -0 "$app" 2>/dev/null; then wait "$app"; status=$?; break; fi
      sleep 0.1
    done
    [ "$status" = timeout ] && kill -9 "$app"
    left=$(find "$share" "$temp" -mindepth 1 | wc -l)
    verdict=ok
    if [ "$written" -eq 0 ] || [ "$status" = timeout ] || [ "$status" -eq 0 ] ||
       [ "$status" -ge 128 ] || [ "$left" -ne 0 ]; then
      verdict=FAILED failures=$((failures + 1))
    fi
    echo "$way $i: $verdict (files seen $written, exit $status, left $left)"
    [ $verdict = ok ] || { find "$share" "$temp" -mindepth 1; sed 's/^/    /' "$work/out" | tail -5; }
    kill -9 "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    rm -f /tmp/.X77-lock /tmp/.X11-unix/X77  # a killed server leaves them
    pkill -9 -f "openbox" 2>/dev/null
    wait 2>/dev/null
    unset DISPLAY
  done
done
echo "$failures failed"
[ "$failures" -eq 0 ]
