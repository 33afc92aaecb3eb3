#!/usr/bin/env bash
# Takes a screenshot of the help tip probe's dialog with a tip beside the pointer, under Xvfb with
# openbox. Usage: helptip-screenshot.sh BUILD_DIR DISPLAY_NUMBER OUTPUT.png
set -euo pipefail
build=$1
display=:$2
output=$3
probe="$build/tests/toolkit/kestrum_helptip_probe"

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox &
pids+=($!)
sleep 1

log=$(mktemp)
QT_QPA_PLATFORM=xcb LSAN_OPTIONS=detect_leaks=0 "$probe" --hold >"$log" &
pids+=($!)
for _ in $(seq 100); do grep -q '^button ' "$log" && break; sleep 0.1; done
read -r _ x y < <(grep '^button ' "$log") || { echo "the probe did not come up" >&2; exit 1; }

# Rest the pointer on the button: the tip asks after five still ticks of 100 ms.
xdotool mousemove "$x" "$y"
sleep 1.5
import -window root "$output"
echo "pointer at $x,$y; screenshot in $output"
