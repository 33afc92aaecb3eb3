#!/usr/bin/env bash
# Builds Kestrum with ThreadSanitizer and runs the tests labelled "threads": the engine's worker
# tests, its walks with several threads and the main dialog's scans.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

"$here/scripts/install-deps.sh"
build="$here/build/tsan"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKESTRUM_TSAN=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$here/scripts/tsan.supp"
ctest --test-dir "$build" --output-on-failure -L threads
