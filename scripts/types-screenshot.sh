#!/usr/bin/env bash
# Pictures of the list's file types and share bars: FOLDER scanned, by extension and grouped by
# type, in a light and a dark palette, on a private Xvfb display with openbox, with settings in a
# temporary home.
#
#   scripts/types-screenshot.sh [path/to/kestrum_types_screenshot] [folder] [output folder] [display number]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/scripts/x11-desktop.sh"
program=${1:-$here/build/release/tests/app/kestrum_types_screenshot}
folder=${2:-/usr}
out=${3:-$here/build/shots}
export DISPLAY=:${4:-19}
mkdir -p "$out"

private_session types

start_desktop 1280 800
for palette in light dark; do
  for rows in extensions types; do
    "$program" "$folder" "$out/$rows-$palette.png" "$palette" "$rows"
    echo "$out/$rows-$palette.png"
  done
done
