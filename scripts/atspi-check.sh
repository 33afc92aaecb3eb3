#!/usr/bin/env bash
# Reads the window program as a screen reader does: its own Xvfb display with openbox, a private
# D-Bus session bus with the accessibility bus (at-spi-bus-launcher, at-spi2-registryd), settings
# in a temporary home. The program scans /dev (fast, and /dev/pts is a mount it does not enter, so
# the line under the list opens the list of what was not counted); atspi_check.py then checks the
# names, roles and descriptions of every control of the main window, the Exclusions dialog, the
# Largest files window and that list, and that selecting rows is announced.
#
#   scripts/atspi-check.sh [path/to/kestrum] [display number or "auto"] [output file]
# LANGUAGE is passed on (the expected texts are then the catalogue's). Exits non-zero on a failure.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/x11-desktop.sh"
program=$(realpath "${1:-$here/build/dev/app/kestrum}")
display=${2:-auto}
[ "$display" = auto ] || display=:$display
output=${3:-/dev/stdout}
locale_dir=$(cd "$(dirname "$program")/.." && pwd)/share/locale

private_session atspi
export XDG_RUNTIME_DIR=$work/run DISPLAY=$display
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
unset QT_QPA_PLATFORM
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

start_desktop 1280 800

# A session bus of our own, then the accessibility bus and its registry on it.
bus=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=$(echo "$bus" | sed -n 1p)
pids+=("$(echo "$bus" | sed -n 2p)")
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1 && break
  sleep 0.1
done
/usr/libexec/at-spi2-registryd >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

"$program" /dev >"$work/kestrum.log" 2>&1 &
pids+=($!)
wait_for_window || { echo "FAIL: no window appeared"; cat "$work/kestrum.log"; exit 1; }

status=0
timeout 90 /usr/bin/python3 "$here/scripts/atspi_check.py" "$here" "$locale_dir" >"$work/check.txt" 2>&1 || status=$?
if [ "$output" != /dev/stdout ]; then cp "$work/check.txt" "$output"; fi
cat "$work/check.txt"
exit $status
