#!/usr/bin/env bash
# Drags selected text from one extended edit field into another with the real pointer, under an X
# server of its own (Xvfb), and checks the result: the text moved, the clipboard untouched.
# Needs Xvfb and xdotool. Usage: extedit-drag-check.sh <probe executable> [display number]
# With SCREENSHOT=<file.png> set, the screen is saved while the pointer hovers over the target.
set -euo pipefail
probe=${1:?usage: $0 <kestrum_extedit_probe> [display]}
display=:${2:-97}
wait_s=10 # every wait below fails the check when this runs out

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

if xdpyinfo -display "$display" >/dev/null 2>&1; then
  echo "display $display is in use; name a free one" >&2
  exit 2
fi
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>"${XVFB_LOG:-/dev/null}" &
xvfb=$!
probe_pid=
# Ends what the script started and waits for it, so that the display is free again afterwards.
cleanup() {
  for pid in $probe_pid ${openbox_pid:-} $xvfb; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start on $display" >&2; exit 1; }
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  openbox_pid=$!
  # A window mapped while the window manager is still starting may never be shown.
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
fi

# The probe's output comes through a FIFO on fd 3.
fifo_dir=$(mktemp -d)
mkfifo "$fifo_dir/out"
QT_QPA_PLATFORM=xcb "$probe" >"$fifo_dir/out" 2>"${PROBE_LOG:-/dev/null}" </dev/null &
probe_pid=$!
exec 3<"$fifo_dir/out"
rm -r "$fifo_dir"

# Reads the probe's lines until one starts with $1; the rest of that line goes to $found.
found=
await() {
  local line
  while IFS= read -r -t "$wait_s" line <&3; do
    case $line in "$1"*) found=${line#"$1"}; return 0 ;; esac
  done
  echo "no \"$1\" from the probe within ${wait_s}s" >&2
  return 1
}

await "READY "
read -r sx sy tx ty <<<"$found"
xdotool mousemove "$sx" "$sy" mousedown 1
xdotool mousemove "$((sx + 12))" "$sy"
await DRAG
for step in 1 2 3 4; do
  xdotool mousemove "$((sx + (tx - sx) * step / 4))" "$((sy + (ty - sy) * step / 4))"
done
await OVER
xdotool mousemove "$((tx + 1))" "$ty" mousemove "$tx" "$ty"
[ -n "${SCREENSHOT:-}" ] && import -window root "$SCREENSHOT"
xdotool mouseup 1

expected="alpha  gamma|one betatwo three|keep"
while [ "$found" != "$expected" ]; do
  await "TEXT " || { echo "FAIL: the fields never read \"$expected\" (last: \"$found\")" >&2; exit 1; }
done
echo "PASS: moved \"beta\" with the pointer, clipboard untouched"
