#!/usr/bin/env bash
# Runs a test program on a virtual screen of the given size, under the openbox window manager or under none, as
# a user's desktop would show the program:  desktop-test.sh 800x600 openbox|none PROGRAM [ARGS...]
set -euo pipefail
size=$1
wm=$2
shift 2
for tool in Xvfb xprop; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run  make setup  (scripts/setup.sh installs it)"; exit 1; }
done
if [ "$wm" = openbox ] && ! command -v openbox >/dev/null; then
  echo "openbox is missing: run  make setup  (scripts/setup.sh installs it)"
  exit 1
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display itself and writes its number, so that tests running side by side never clash.
Xvfb -displayfd 3 -screen 0 "${size}x24" -dpi 96 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(tr -d '\n' <"$work/display")"

# A loaded machine can report the number before the server answers on it.
for _ in $(seq 100); do xprop -root >/dev/null 2>&1 && break; sleep 0.1; done

if [ "$wm" = openbox ]; then
  # Ready once it has claimed the screen; a start that fails on a busy machine is tried again.
  for attempt in 1 2 3; do
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break 2
      kill -0 "$!" 2>/dev/null || break
      sleep 0.1
    done
  done
  xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" || { echo "openbox did not start:"; cat "$work/openbox.log"; exit 1; }
fi

QT_QPA_PLATFORM=xcb QV_WINDOW_MANAGER="$wm" "$@"
