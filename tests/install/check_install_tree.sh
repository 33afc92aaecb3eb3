#!/usr/bin/env bash
# Installs a built tree into a temporary DESTDIR and checks what landed there as a desktop would:
# the files in their places, the desktop entry and the metainfo through their validators, both
# manual pages rendered without a warning, and the installed programs run.
# Usage: check_install_tree.sh BUILD_DIR VERSION APP_ID
set -uo pipefail
build=$1 version=$2 app_id=$3
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

destdir=$(mktemp -d) || exit 1
trap 'rm -rf "$destdir"' EXIT
if ! DESTDIR="$destdir" cmake --install "$build" --prefix /usr >"$destdir.log" 2>&1; then
  cat "$destdir.log" >&2; rm -f "$destdir.log"
  fail "cmake --install"; exit 1
fi
rm -f "$destdir.log"
root=$destdir/usr
share=$root/share

for program in kestrum kestrum-scan; do
  [ -x "$root/bin/$program" ] || fail "$program is not installed as an executable in bin"
  page=$share/man/man1/$program.1.gz
  if [ ! -f "$page" ]; then
    fail "no manual page for $program"
    continue
  fi
  warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man warns about $program.1: $warnings"
done

desktop=$share/applications/$app_id.desktop
metainfo=$share/metainfo/$app_id.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "appstreamcli validate $metainfo"
grep -qx 'Exec=kestrum %f' "$desktop" || fail "the desktop entry does not pass the folder to kestrum"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $app_id.desktop"

# The entry's icon must be found in hicolor at every size drawn, each image of its folder's size.
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ "$icon" = "$app_id" ] || fail "the desktop entry names icon '$icon', not $app_id"
for size in 16 24 32 48 64; do
  png=$share/icons/hicolor/${size}x$size/apps/$icon.png
  file -b "$png" | grep -q "PNG image data, $size x $size," || fail "$png is not a $size x $size PNG"
done
file -b "$share/icons/hicolor/scalable/apps/$icon.svg" | grep -q "SVG" || fail "no scalable $icon.svg"

[ "$("$root/bin/kestrum-scan" --version)" = "kestrum-scan $version" ] || fail "installed kestrum-scan --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/kestrum" --version)" = "kestrum $version" ] ||
  fail "installed kestrum --version"

if ((failures)); then
  echo "$failures check(s) of the installed tree failed" >&2
  exit 1
fi
echo "installed tree checked: $(find "$destdir" -type f | wc -l) files"
