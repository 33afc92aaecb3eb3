#!/usr/bin/env bash
# Scans a folder in the real program under Xvfb with openbox, opens the "Largest files" window for
# one extension row from the keyboard (a click into the list, the extension typed, Enter) and
# takes a screenshot of the screen once the window's walk has had time to end.
#   scripts/largest-screenshot.sh PROGRAM DISPLAY_NUMBER FOLDER EXTENSION OUTPUT.png [SCAN_SECONDS]
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/x11-desktop.sh"
program=$1
export DISPLAY=:$2
folder=$3
extension=$4
output=$5
scan_seconds=${6:-45}

private_session home

start_desktop 1280 800
"$program" "$folder" >"$work/kestrum.log" 2>&1 &
pids+=($!)
wait_for_window || { echo "no window appeared" >&2; exit 1; }
xdotool windowsize --sync "$win" 700 500 2>/dev/null
sleep "$scan_seconds"
read -r x y _ _ < <(client_rect)
# Into the list (below its heading), then the row found by typing its name.
xdotool mousemove $((x + 40)) $((y + 200)) click 1
sleep 0.5
xdotool type --delay 150 "$extension"
sleep 0.5
xdotool key Return
sleep 10
import -window root "$output"
xdotool search --onlyvisible --name "^Largest files: " getwindowname %@ 2>/dev/null || {
  echo "no Largest files window appeared" >&2
  exit 1
}
