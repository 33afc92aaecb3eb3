#!/usr/bin/env bash
# Installs the Debian packages Kestrum needs to build, test, package and run. Safe to run again:
# nothing is fetched when every package is already there.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev
  xvfb xauth
  locales
  libxcb1-dev                                          # the help tip asks X11 for a compositor
  desktop-file-utils appstream man-db groff-base file  # checking the installed tree
  xdg-utils                                            # ... and who opens folders after it
  dpkg-dev                                             # the Debian package's dependencies
  lintian                                              # checking the Debian package
  unicode-data                                         # the case-folding table is checked against it
  gettext                                              # the message catalogues, made at build
  qt6-translations-l10n                                # Qt's own texts in the user's language
  shared-mime-info                                     # file types by category: its globs2 files
  nlohmann-json3-dev                                   # reading scan files back (header only)
  ncdu                                                 # the test that reads an ncdu export
  parallel                                             # the split-and-merge test runs its parts with GNU parallel
  dbus at-spi2-core python3-pyatspi                    # the screen-reader test reads the window's tree
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}; run this as root (or through sudo)." >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
