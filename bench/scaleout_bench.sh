#!/usr/bin/env bash
# Past one machine, on the million-entry bench tree (bench/out/tree, made once by make_tree.py):
#   1. kestrum-scan --files0-from with every file of the tree named, against the walk of the tree
#      (goal: at most 1.1 x);
#   2. kestrum-scan --merge of 1,000 parts of 1,000 rows each (goal: under 1 s);
#   3. the split-and-merge recipe with 4 parts run by GNU parallel -j 2, against one kestrum-scan
#      of the tree (goal: at most 1.15 x).
# Whole-process wall times, the two commands of a comparison run in turn (A B A B ...), RUNS pairs
# (default 5) after one pair that fills the cache; the median of the pairs' ratios is the figure.
#   bench/scaleout_bench.sh [BUILD_DIR]     (default build/release)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/release}" && pwd)
runs=${RUNS:-5}
out=${OUT:-$here/out}
command -v parallel >/dev/null || { echo "Missing: GNU parallel (Debian package parallel)" >&2; exit 1; }
cmake --build "$build" --target kestrum-scan >/dev/null
scan=$build/cli/kestrum-scan
source "$here/trees.sh"
mkdir -p "$out"
ensure_tree "$out/tree" tree --entries 1000000
tree=$out/tree
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# seconds PEAK_KIB of one run of "$@", its output thrown away
timed() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
  cat "$work/time"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# compare NAME GOAL -- A... -- B...: A and B in turn; medians of each and of the ratios A/B
compare() {
  local name=$1 goal=$2; shift 3
  local a=() b=()
  while [ "$1" != -- ]; do a+=("$1"); shift; done; shift
  b=("$@")
  timed "${a[@]}" >/dev/null; timed "${b[@]}" >/dev/null
  : >"$work/a"; : >"$work/b"; : >"$work/r"
  for _ in $(seq "$runs"); do
    read -r sa ka < <(timed "${a[@]}")
    read -r sb kb < <(timed "${b[@]}")
    echo "$sa $ka" >>"$work/a"; echo "$sb $kb" >>"$work/b"
    awk -v a="$sa" -v b="$sb" 'BEGIN { printf "%.4f\n", (b > 0 ? a / b : 0) }' >>"$work/r"
  done
  local ma mb mr ka kb
  ma=$(cut -d' ' -f1 "$work/a" | median); mb=$(cut -d' ' -f1 "$work/b" | median); mr=$(median <"$work/r")
  ka=$(cut -d' ' -f2 "$work/a" | sort -n | tail -1); kb=$(cut -d' ' -f2 "$work/b" | sort -n | tail -1)
  printf '%s: %s s vs %s s, ratio %s (goal %s); peak %d MiB vs %d MiB\n' "$name" "$ma" "$mb" "$mr" "$goal" \
    $((ka / 1024)) $((kb / 1024))
}

echo "== load: $(uptime)"

# 1. Every file of the tree by name, against the walk of the tree.
find "$tree" ! -type d -print0 >"$work/files"
echo "names: $(tr -cd '\0' <"$work/files" | wc -c) files"
compare "files0-from vs walk" "<= 1.1" -- "$scan" --files0-from "$work/files" -- "$scan" "$tree"

# 2. 1,000 parts of 1,000 rows each.
python3 - "$work/parts" <<'PY'
import json, os, sys
folder = sys.argv[1]
os.makedirs(folder)
for part in range(1000):
    rows = []
    for i in range(1000):
        ext = ".e%d" % ((part * 37 + i) % 3000)
        count = (part + i) % 50 + 1
        size = (part * 7919 + i * 104729) % 10_000_000
        rows.append({"ext": ext, "count": count, "bytes": size, "disk_bytes": size + 4096, "percent": 0,
                     "category": "other"})
    files = sum(r["count"] for r in rows)
    total = sum(r["bytes"] for r in rows)
    largest = [{"path": "/srv/p%d/f%d" % (part, i), "bytes": 10_000_000 - i - part, "mtime": 0} for i in range(10)]
    scan = {"format": 2, "program": "kestrum-scan bench", "started": "2026-12-01T14:03:00Z", "seconds": 1.5,
            "host": "h%d" % (part % 50), "options": {"one_file_system": False, "exclude": [], "links_once": False,
                                                     "extensions_only": False}, "ending": "finished",
            "root": "/srv/p%d" % part, "folders": 100, "files": files, "bytes": total, "disk_bytes": total,
            "extensions": rows, "not_listed": 0,
            "not_entered": 0, "vanished": 0, "not_examined": 0, "not_in_rows": 0, "excluded": 0,
            "not_in_largest": 0, "links_unchecked": 0, "no_extension": {"count": 0, "bytes": 0, "disk_bytes": 0},
            "largest": largest, "problems": []}
    # 1,000 of 3,000 extensions per part, each once: the parts share most of them.
    with open("%s/part%04d.json" % (folder, part), "w") as f:
        json.dump(scan, f)
PY
echo "parts: $(ls "$work/parts" | wc -l) files, $(du -sb "$work/parts" | cut -f1) bytes"
for _ in 1 2 3 4 5; do timed "$scan" --merge --json --largest 10 "$work"/parts/part*.json; done | median >"$work/m"
echo "merge 1000 x 1000: median $(cat "$work/m") s (goal < 1)"

# 3. The recipe: 4 lists of the root's entries, 4 runs at most 2 at once, then the merge.
cat >"$work/recipe.sh" <<'SH'
#!/bin/sh
set -e
scan=$1 tree=$2 dir=$3
rm -rf "$dir"; mkdir "$dir"; cd "$dir"
find "$tree" -mindepth 1 -maxdepth 1 -print0 | split -t '\0' -n r/4 - list_
ls list_* | parallel --will-cite -j 2 "$scan" --json --files0-from {} '>' {}.json
exec "$scan" --merge list_*.json
SH
chmod +x "$work/recipe.sh"
"$work/recipe.sh" "$scan" "$tree" "$work/recipe" >"$work/merged.txt"
"$scan" "$tree" >"$work/whole.txt"
cmp -s "$work/merged.txt" "$work/whole.txt" && echo "recipe: the merge equals the scan of the tree" ||
  { echo "recipe: the merge DIFFERS from the scan of the tree" >&2; diff "$work/merged.txt" "$work/whole.txt" | head >&2; }
compare "recipe (4 parts, parallel -j 2) vs one scan" "<= 1.15" -- "$work/recipe.sh" "$scan" "$tree" "$work/recipe" -- "$scan" "$tree"
# The same with xargs -P 2 running the parts: what GNU parallel's own start adds to the recipe.
sed 's/ls list_\* | parallel --will-cite -j 2 "$scan" --json --files0-from {} .>. {}.json/ls list_* | xargs -P 2 -I{} sh -c "exec \\"$scan\\" --json --files0-from {} > {}.json"/' \
  "$work/recipe.sh" >"$work/recipe-xargs.sh"
chmod +x "$work/recipe-xargs.sh"
compare "the same with xargs -P 2 in place of parallel" "for comparison" -- "$work/recipe-xargs.sh" "$scan" "$tree" "$work/recipe" -- "$scan" "$tree"
