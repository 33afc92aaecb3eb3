#!/usr/bin/env bash
# Builds Kestrum and starts it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
start_folder=$PWD

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build/release" -DCMAKE_BUILD_TYPE=Release -DKESTRUM_TESTS=OFF >/dev/null
cmake --build "$here/build/release" -j"$(nproc)"

cd "$start_folder"
exec "$here/build/release/cli/kestrum-scan" "$start_folder"
