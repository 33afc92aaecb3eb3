#!/usr/bin/env bash
# Builds the Debian package of Kestrum in build/package: a release build with Debian's hardening
# flags, installed under /usr and packed by CPack. Runs lintian on it when lintian is installed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

"$here/scripts/install-deps.sh"
build="$here/build/package"
# Debian's own build flags with every hardening feature: stack protector, _FORTIFY_SOURCE, PIE,
# RELRO and BIND_NOW.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRUM_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB)

package=$(ls -t "$build"/kestrum_*.deb | head -n 1)
echo "Package: $package"
if command -v lintian >/dev/null; then
  # -I --pedantic: also the informational and pedantic tags a distribution's reviewer reads.
  lintian -I --pedantic --info "$package" || echo "lintian found problems (above)" >&2
fi
