#!/usr/bin/env bash
# Builds Kestrum and starts its window.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build/release" -DCMAKE_BUILD_TYPE=Release -DKESTRUM_TESTS=OFF >/dev/null
cmake --build "$here/build/release" -j"$(nproc)"

exec "$here/build/release/app/kestrum"
