#!/usr/bin/env bash
# The README's picture: the real program after it scanned a folder, on a private Xvfb display with
# openbox, driven with the real pointer (xdotool), with settings in a temporary home: the folder
# is typed into the folder box, "Scan now" clicked, and three rows of the list selected.
#
#   scripts/readme-screenshot.sh [path/to/kestrum] [display number] [folder] [output .png]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/x11-desktop.sh"
program=${1:-$here/build/release/app/kestrum}
display=:${2:-18}
folder=${3:-/usr/include}
out=${4:-$here/docs/kestrum-window.png}
mkdir -p "$(dirname "$out")"

export DISPLAY=$display
private_session shot

start_desktop 1280 800

"$program" >"$work/kestrum.log" 2>&1 &
pids+=($!)
wait_for_window || { echo "no window appeared" >&2; exit 1; }

# The window opens at its template size, 224 x 144 dialog units, which sets the unit; after the
# resize, controls on the left keep their place and buttons follow the right edge.
read -r _ _ cw0 ch0 < <(client_rect)
xdotool windowsize --sync "$win" 600 400
sleep 0.5
read -r cx cy cw ch < <(client_rect)
left() { echo $((cx + $1 * cw0 / 224)) $((cy + $2 * ch0 / 144)); }
right() { echo $((cx + cw - (224 - $1) * cw0 / 224)) $((cy + $2 * ch0 / 144)); }

shot() {
  local x y w h
  read -r x y w h < <(frame_rect)
  import -window root -crop "${w}x$h+$x+$y" +repage "$1"
}

# Type the folder into the folder box and press "Scan now".
read -r fx fy < <(left 60 11)
read -r sx sy < <(right 200 26)
xdotool mousemove --sync "$fx" "$fy" click 1
xdotool type --delay 10 "$folder"
xdotool mousemove --sync "$sx" "$sy" click 1

# The scan has ended once the window stops changing (the counts refresh twice a second).
previous=
for _ in $(seq 120); do
  sleep 1
  shot "$work/now.png"
  sum=$(md5sum <"$work/now.png")
  [ "$sum" = "$previous" ] && break
  previous=$sum
done

# Select the first three rows of the list, so that "Selected:" shows their totals.
read -r lx ly < <(left 30 82)
xdotool mousemove --sync "$lx" "$ly" click 1
xdotool keydown shift key Down key Down keyup shift
xdotool mousemove --sync $((cx + cw - 5)) $((cy + 5)) # the pointer off the controls: no tip
sleep 1.5
shot "$work/window.png"
convert "$work/window.png" -strip -colors 128 "PNG8:$out"
echo "$out"
