#!/usr/bin/env bash
# Times kestrum-scan against du -sb, find -printf and gdu on a generated tree of about 1,000,000
# entries and on one folder of 100,000 files, and measures kestrum-scan's peak memory.
#
#   bench/scan_bench.sh [OUT_DIR]      (default bench/out; the trees are kept there for reruns)
#
# Environment: RUNS (timed runs per command, default 5), ENTRIES (default 1000000),
# FLAT_FILES (default 100000), BUILD_DIR (default build/bench).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
out=$(mkdir -p "${1:-$here/out}" && cd "${1:-$here/out}" && pwd)
runs=${RUNS:-5}
entries=${ENTRIES:-1000000}
flat_files=${FLAT_FILES:-100000}
build=${BUILD_DIR:-$repo/build/bench}

# --- tools -------------------------------------------------------------------------------------
install_missing() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  ((${#missing[@]})) || return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}; run this as root (or through sudo)." >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
install_missing cmake make g++ python3 gdu hyperfine time

# --- build ---------------------------------------------------------------------------------------
echo "== Building kestrum-scan (Release) in $build"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRUM_GUI=OFF -DKESTRUM_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target kestrum-scan >/dev/null
kestrum="$build/cli/kestrum-scan"

# --- trees (regenerated only when the generator or its arguments change) -------------------------
generator_id=$(sha256sum "$here/make_tree.py" | cut -c1-16)
ensure_tree() {  # name, generator arguments...
  local name=$1; shift
  local stamp="$out/$name.stamp" wanted="$generator_id $*"
  if [ -d "$out/$name" ] && [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
    echo "== $out/$name is up to date"
    return
  fi
  echo "== Generating $out/$name ($*)"
  rm -rf "$out/$name" "$stamp"
  local started=$SECONDS
  python3 "$here/make_tree.py" "$@" "$out/$name"
  echo "   took $((SECONDS - started)) s"
  echo "$wanted" >"$stamp"
}
ensure_tree tree tree --entries "$entries"
ensure_tree flat flat --files "$flat_files"

# --- timing --------------------------------------------------------------------------------------
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

time_case() {  # name, folder
  local name=$1 dir=$2
  echo
  echo "== $name: $dir"
  "$kestrum" "$dir" >"$results/report.txt"
  echo "   kestrum-scan says: $(head -2 "$results/report.txt" | tr '\n' ' ')"
  echo "   find says: $(find "$dir" -mindepth 1 -type d | wc -l) folders, $(find "$dir" -mindepth 1 ! -type d | wc -l) files"
  # The warm-up runs read every inode into the cache, so all four commands time cached walks.
  hyperfine --style basic --warmup 1 --runs "$runs" --export-json "$results/$name.json" \
    -n kestrum-scan "'$kestrum' '$dir'" \
    -n "du -sb" "du -sb '$dir'" \
    -n "find -printf" "find '$dir' -printf '%s\n' >/dev/null" \
    -n "gdu -n -p" "gdu -n -p '$dir'"
  python3 - "$results/$name.json" <<'EOF'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
ours = results["kestrum-scan"]["median"]
print("   %-14s %10s %10s %10s   %s" % ("command", "median s", "min s", "max s", "kestrum-scan / command"))
for name, r in results.items():
    print("   %-14s %10.3f %10.3f %10.3f   %.2f" % (name, r["median"], r["min"], r["max"], ours / r["median"]))
goal = ours / results["du -sb"]["median"]
print("   goal kestrum-scan/du -sb <= 1.0: %.2f %s" % (goal, "met" if goal <= 1.0 else "NOT MET"))
EOF
}

peak_rss() {  # folder; prints kestrum-scan's maximum resident set size in KiB
  /usr/bin/time -f '%M' -o "$results/rss" "$kestrum" "$1" >/dev/null
  cat "$results/rss"
}

time_case "tree of $entries entries" "$out/tree"
time_case "one folder of $flat_files files" "$out/flat"

echo
echo "== Peak memory of kestrum-scan (maximum resident set size, /usr/bin/time)"
small=$(find "$out/tree" -mindepth 1 -maxdepth 1 -type d | sort | head -1)
for dir in "$small" "$out/tree" "$out/flat"; do
  files=$(find "$dir" -mindepth 1 | wc -l)
  kib=$(peak_rss "$dir")
  printf '   %9d entries  %7d KiB  (%s)  %s\n' "$files" "$kib" "$dir" \
    "$([ "$kib" -lt 32768 ] && echo 'goal < 32 MiB met' || echo 'goal < 32 MiB NOT MET')"
done
