#!/usr/bin/env bash
# Builds the engine and its tests with ThreadSanitizer and runs them.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

"$here/scripts/install-deps.sh"
build="$here/build/tsan"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKESTRUM_TSAN=ON -DKESTRUM_GUI=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
ctest --test-dir "$build" --output-on-failure -L threads
