#!/usr/bin/env bash
# Builds Kestrum with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

"$here/scripts/install-deps.sh"
# The number format tests need one locale whose thousands separator is not ",".
if ! locale -a 2>/dev/null | grep -qx 'de_DE.utf8'; then
  localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "could not make the de_DE.UTF-8 locale" >&2
fi
build="$here/build/test"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKESTRUM_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
