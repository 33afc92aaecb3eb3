#!/usr/bin/env bash
# Screenshots of the menu button with its pop-up open, on a private Xvfb with openbox:
#   menu-click.png  after a left click on the button (pop-up at the pointer)
#   menu-space.png  after Tab to the button and Space (focus rectangle, pop-up at the centre)
# Usage: scripts/menu_shot.sh [build dir] [display] [output dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/dev}
display=${2:-:14}
out=${3:-/tmp}

cmake --build "$build" --target menu_shot >/dev/null
Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
pids=()
cleanup() { for pid in "${pids[@]}" "$xvfb"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT
export DISPLAY=$display QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 & pids+=($!)
sleep 0.5

# The sanitizer build would report a leak inside libdbus at exit, which is not ours.
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} "$build/bench/menushot/menu_shot" >"$out/menu_shot.out" & pids+=($!)
window=$(timeout 10 xdotool search --sync --name '^Menu button$' | head -1)
for _ in $(seq 50); do grep -q '^button' "$out/menu_shot.out" && break; sleep 0.1; done
read -r _ bx by bw bh <"$out/menu_shot.out"
# The client area on the screen (xdotool's own geometry counts the frame twice under openbox).
X=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print $4}')
Y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ {print $4}')
sleep 0.5

xdotool mousemove $((X + bx + bw / 4)) $((Y + by + bh / 2)) click 1
sleep 0.5
import -window root "$out/menu-click.png"
xdotool key Escape
sleep 0.3

xdotool mousemove 5 5 key Tab key Tab key space
sleep 0.5
import -window root "$out/menu-space.png"
xdotool key Escape
echo "$out/menu-click.png $out/menu-space.png"
