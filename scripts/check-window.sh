#!/usr/bin/env bash
# Tries the window program as a user would, on its own Xvfb display with openbox and the real
# pointer (xdotool), with settings in a temporary home:
#  1. click into the folder box, type a folder, click "Scan now", wait, press Enter: a second
#     scan runs (the screenshots show the counts before and after a file added in between) and
#     the program is still running; Escape exits;
#  2. start with each odd stored placement: the window starts on the screen, no larger than it.
# Screenshots go to the output folder for a person to look at. Exits non-zero when a check fails.
#
#   scripts/check-window.sh [path/to/kestrum] [display number] [output folder]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/x11-desktop.sh"
program=${1:-$here/build/dev/app/kestrum}
display=:${2:-16}
out=${3:-$(mktemp -d /tmp/kestrum-check.XXXXXX)}
screen_w=1280
screen_h=800
mkdir -p "$out"

export DISPLAY=$display
private_session home
mkdir -p "$XDG_CONFIG_HOME/Orvaldi"
settings=$XDG_CONFIG_HOME/Orvaldi/Kestrum.conf

start_desktop ${screen_w} ${screen_h}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Starts the program; sets $app (its pid) and $win (its window) once the window is mapped.
start() {
  "$program" >"$out/kestrum.log" 2>&1 &
  app=$!
  pids+=("$app")
  wait_for_window || { fail "no window appeared"; return 1; }
}

# Ends the program with Escape, as a user would; waits for it to exit.
quit() {
  xdotool windowactivate --sync "$win" key Escape 2>/dev/null || true
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || return 0; sleep 0.1; done
  fail "Escape did not end the program"
  kill "$app" 2>/dev/null || true
}

# --- 1. Scan with the mouse, then Enter -------------------------------------------------------
tree=$work/tree
mkdir -p "$tree/a" "$tree/b"
for i in 1 2 3; do echo "$i" >"$tree/a/file$i.txt"; done
echo data >"$tree/b/picture.png"

rm -f "$settings"
start
read -r cx cy cw ch < <(client_rect)
# The window opens at its template size, 224 × 130 dialog units: controls are found from that.
at() { echo $((cx + $1 * cw / 224)) $((cy + $2 * ch / 130)); }
read -r fx fy < <(at 107 11)  # the folder box
read -r sx sy < <(at 200 26)  # "Scan now"

xdotool mousemove --sync "$fx" "$fy" click 1
xdotool type --delay 20 "$tree"
xdotool mousemove --sync "$sx" "$sy" click 1
sleep 2
import -window root "$out/1-first-scan.png"
echo extra >"$tree/b/added.md" # the second scan must count this file
xdotool key Return
sleep 2
import -window root "$out/2-after-enter.png"
if kill -0 "$app" 2>/dev/null; then echo "ok: the program runs after Enter"; else fail "Enter ended the program"; fi
quit

# --- 2. Odd stored placements -----------------------------------------------------------------
placements=(
  "-500 -400 -100 -100 1 0 0 1280 1024"
  "5000 5000 5400 5300"
  "100 50 500 400 1 0 0 0 0"
  "1 1 1 1 1 1 1 1 1"
  "0 0 100000 100000 1 0 0 1280 1024"
  "2147483647 2147483647 2147483647 2147483647 1 -2147483648 -2147483648 2147483647 2147483647"
)
n=0
for value in "${placements[@]}"; do
  n=$((n + 1))
  # The first running copy is instance 1 and reads Window1.
  printf '[Main]\nWindow1=%s\n' "$value" >"$settings"
  start || continue
  read -r x y w h < <(frame_rect)
  import -window root "$out/3-placement-$n.png"
  if ((x >= 0 && y >= 0 && x + w <= screen_w && y + h <= screen_h)); then
    echo "ok: \"$value\" -> frame at $x,$y size ${w}x$h"
  else
    fail "\"$value\" -> frame at $x,$y size ${w}x$h is not on the ${screen_w}x$screen_h screen"
  fi
  quit
done

echo "screenshots in $out"
exit $((failures > 0))
