#!/usr/bin/env bash
# Peak memory of counting hard links once: a tree of LINKS hard links (default 1,000,000) to
# FILES files (default 20: ext4 allows 65,000 links to one file), 10,000 links per folder, walked with links counted once and every
# link counted; then a set offered LINKS different files, the most it can hold for that many
# links. Peak resident memory from /usr/bin/time -v. The tree is kept under bench/out/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
links=${LINKS:-1000000}
files=${FILES:-20}
threads=${THREADS:-8}
build=${BUILD_DIR:-$here/build/bench}
out=${1:-$here/bench/out}/links-$links-$files

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRUM_GUI=OFF -DKESTRUM_TESTS=OFF >/dev/null
cmake --build "$build" --target kestrum_linkset -j2 >/dev/null
driver="$build/bench/linkset/kestrum_linkset"

if [ ! -e "$out/.done" ]; then
  rm -rf "$out"
  mkdir -p "$out"
  for f in $(seq 1 "$files"); do head -c 4096 /dev/zero > "$out/file$f.bin"; done
  # One folder of 10,000 links at a time, each link to the files in turn.
  python3 - "$out" "$links" "$files" <<'PY'
import os, sys
out, links, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for i in range(links):
    folder = os.path.join(out, "d%04d" % (i // 10000))
    if i % 10000 == 0:
        os.mkdir(folder)
    os.link(os.path.join(out, "file%d.bin" % (i % files + 1)), os.path.join(folder, "l%d.bin" % i))
PY
  touch "$out/.done"
fi

peak() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ { print $2 " KiB" }'; }
echo "tree: $links links to $files files in $out, $threads threads"
for mode in every once; do
  echo "walk, $mode: $("$driver" walk "$out" "$threads" "$mode"), peak $(peak "$driver" walk "$out" "$threads" "$mode")"
done
echo "set of $links different files: $("$driver" keys "$links"), peak $(peak "$driver" keys "$links")"
echo "empty set: peak $(peak "$driver" keys 0)"
