#!/usr/bin/env bash
# Installs a built tree into a temporary DESTDIR and checks what landed there as a desktop would:
# the files in their places, the desktop entry and the metainfo through their validators (which
# must have nothing at all to say), both manual pages rendered without a warning, the installed
# programs run, and the default program for folders left as it was.
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

# The bash completion, where bash-completion looks for it, completes options and --sort's values,
# also when bash has split "--sort=" at the "=".
completion=$share/bash-completion/completions/kestrum-scan
complete_words() {
  bash --norc -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _kestrum_scan; echo "${COMPREPLY[*]}"' \
    bash "$completion" "$@"
}
if [ ! -f "$completion" ]; then
  fail "no bash completion for kestrum-scan"
else
  [ "$(complete_words kestrum-scan --one-f)" = "--one-file-system" ] || fail "bash completion of --one-f"
  [ "$(complete_words kestrum-scan --sort s)" = "size" ] || fail "bash completion of --sort s"
  [ "$(complete_words kestrum-scan --sort = co)" = "count" ] || fail "bash completion of --sort=co"
  [ "$(complete_words kestrum-scan --sort ch)" = "change" ] || fail "bash completion of --sort ch"
fi

desktop=$share/applications/$app_id.desktop
metainfo=$share/metainfo/$app_id.metainfo.xml
# Hints and pedantic notes count too: a distribution's checks print them.
output=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$output" ] ||
  fail "desktop-file-validate $desktop: $output"
output=$(appstreamcli validate --pedantic --no-net --no-color "$metainfo" 2>&1)
status=$?
# appstreamcli ends with a success line (its mark depends on the locale) even when all is well.
issues=$(grep -v 'Validation was successful\.$' <<<"$output" | grep -v '^$')
((status == 0)) && [ -z "$issues" ] || fail "appstreamcli validate --pedantic $metainfo: $output"
grep -q "<release version=\"$version\" date=\"[0-9-]*\"/>" "$metainfo" ||
  fail "the metainfo has no dated release $version"
grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "the metainfo names no MIT licence"
grep -qx 'License: MIT' "$share/doc/kestrum/copyright" || fail "the copyright file names no MIT licence"
grep -qx 'Exec=kestrum %f' "$desktop" || fail "the desktop entry does not pass the folder to kestrum"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $app_id.desktop"
# Every language's catalogue, and the entry's and metainfo's texts in it.
[ -f "$share/locale/de/LC_MESSAGES/kestrum.mo" ] || fail "no German catalogue in share/locale"
grep -q '^Comment\[de\]=' "$desktop" || fail "the desktop entry has no German comment"
grep -q '<summary xml:lang="de">' "$metainfo" || fail "the metainfo has no German summary"

# The entry's icon must be found in hicolor at every size drawn, each image of its folder's size.
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ "$icon" = "$app_id" ] || fail "the desktop entry names icon '$icon', not $app_id"
for size in 16 24 32 48 64; do
  png=$share/icons/hicolor/${size}x$size/apps/$icon.png
  file -b "$png" | grep -q "PNG image data, $size x $size," || fail "$png is not a $size x $size PNG"
done
file -b "$share/icons/hicolor/scalable/apps/$icon.svg" | grep -q "SVG" || fail "no scalable $icon.svg"

[ "$("$root/bin/kestrum-scan" --version)" = "kestrum-scan $version"$'\n'"License MIT" ] ||
  fail "installed kestrum-scan --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/kestrum" --version)" = "kestrum $version"$'\n'"License MIT" ] ||
  fail "installed kestrum --version"

# "Open with Kestrum" in Dolphin, for folders only.
servicemenu=$share/kio/servicemenus/kestrum.desktop
grep -qx 'MimeType=inode/directory;' "$servicemenu" && grep -qx 'Exec=kestrum %f' "$servicemenu" ||
  fail "no Dolphin service menu that opens a folder with kestrum"

# Installing must never make Kestrum the program that opens folders: xdg-mime names the same default
# before and after the prefix joins XDG_DATA_DIRS, on a desktop with no default for folders and on
# one whose file manager is the default. Everything xdg-mime reads lives in a temporary place, so
# the machine's own settings are neither read nor changed. update-desktop-database does to the
# prefix what the package's trigger does to /usr/share/applications.
update-desktop-database "$share/applications" || fail "update-desktop-database $share/applications"
desktops=$destdir/desktops
folder_default() { # SYSTEM_DATA_DIRS
  env -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID -u MATE_DESKTOP_SESSION_ID -u DESKTOP_SESSION \
    -u XDG_MENU_PREFIX XDG_CURRENT_DESKTOP=X-Generic HOME="$desktops/home" \
    XDG_CONFIG_HOME="$desktops/home/.config" XDG_CONFIG_DIRS="$desktops/etc" \
    XDG_DATA_HOME="$desktops/home/.local/share" XDG_DATA_DIRS="$1" \
    xdg-mime query default inode/directory
}
mkdir -p "$desktops/home/.config" "$desktops/home/.local/share/applications" "$desktops/etc" \
         "$desktops/bare/applications" "$desktops/withfm/applications"
printf '%s\n' '[Desktop Entry]' 'Type=Application' 'Name=Files' 'Exec=filemanager %U' \
  'MimeType=inode/directory;' >"$desktops/withfm/applications/filemanager.desktop"
update-desktop-database "$desktops/withfm/applications" || fail "update-desktop-database for the file manager"
for case in "bare:" "withfm:filemanager.desktop"; do
  system=$desktops/${case%%:*} expected=${case#*:}
  before=$(folder_default "$system")
  after=$(folder_default "$share:$system")
  [ "$before" = "$expected" ] || fail "${case%%:*}: the default for folders is '$before' before installing, not '$expected'"
  [ "$after" = "$before" ] || fail "${case%%:*}: installing made '$after' the default for folders instead of '$before'"
done
[ -z "$(find "$desktops/home" "$desktops/etc" -mindepth 1 -not -type d)" ] ||
  fail "asking for the default for folders wrote settings"

if ((failures)); then
  echo "$failures check(s) of the installed tree failed" >&2
  exit 1
fi
echo "installed tree checked: $(find "$destdir" -type f | wc -l) files"
