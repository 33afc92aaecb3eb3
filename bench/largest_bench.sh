#!/usr/bin/env bash
# Times the walk that keeps the largest files against a plain scan of the same tree, as the
# command line runs them: `kestrum-scan --csv DIR` against `kestrum-scan --csv --largest 1000 DIR`
# (every file) and `... --largest 1000 --ext .c,.h DIR` (a filter), in turn, warm cache, on the
# tree of about 1,000,000 entries and with TEN_MILLION=1 on the 10,000,000 entry tree. Prints
# medians of wall and CPU time, the ratios to the plain scan and peak memory, and the goals:
# the largest-files walk at most 1.1 x the plain scan, and under 32 MiB with N = 1000.
#
#   bench/largest_bench.sh [OUT_DIR]      (default bench/out; generated trees are kept there)
#
# Environment: RUNS (rounds, default 5), TREES (a folder holding generated trees "tree" and, with
# TEN_MILLION=1, "tree10m", used as they are), BUILD_DIR (default build/bench), ENTRIES.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
out=$(mkdir -p "${1:-$here/out}" && cd "${1:-$here/out}" && pwd)
runs=${RUNS:-5}
build=${BUILD_DIR:-$repo/build/bench}

for tool in cmake make g++ python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "Missing: $tool (see bench/README.md)" >&2; exit 1; }
done

echo "== Building kestrum-scan (Release) in $build"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRUM_GUI=OFF -DKESTRUM_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target kestrum-scan >/dev/null
kestrum="$build/cli/kestrum-scan"

. "$here/trees.sh"
trees=()
if [ -n "${TREES:-}" ]; then
  trees+=("$TREES/tree")
  [ "${TEN_MILLION:-0}" = 1 ] && trees+=("$TREES/tree10m")
else
  ensure_tree "$out/tree" tree --entries "${ENTRIES:-1000000}"
  trees+=("$out/tree")
  if [ "${TEN_MILLION:-0}" = 1 ]; then
    ensure_tree "$out/tree10m" tree --entries 10000000
    trees+=("$out/tree10m")
  fi
fi
for dir in "${trees[@]}"; do
  [ -d "$dir" ] || { echo "$dir does not exist" >&2; exit 1; }
done

python3 - "$kestrum" "$runs" "${trees[@]}" <<'PY'
import statistics, subprocess, sys
kestrum, runs, trees = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
MIB = 1024 * 1024

def measure(command):
    """Wall seconds, CPU seconds and peak KiB of one run, through /usr/bin/time."""
    timed = subprocess.run(["/usr/bin/time", "-f", "%e %U %S %M"] + command,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=True)
    wall, user, system, peak = timed.stderr.strip().splitlines()[-1].split()
    return float(wall), float(user) + float(system), int(peak)

failed = False
for tree in trees:
    cases = [("plain scan", [kestrum, "--csv", tree]),
             ("--largest 1000", [kestrum, "--csv", "--largest", "1000", tree]),
             ("--largest 1000 --ext .c,.h", [kestrum, "--csv", "--largest", "1000", "--ext", ".c,.h", tree])]
    # The same totals and rows with and without the list: it must change nothing else.
    # The list follows the table after an empty line: "...\n\npath,bytes,mtime\n...".
    tables = [subprocess.run(c, stdout=subprocess.PIPE, check=True).stdout.split(b"\npath,bytes,mtime\n")[0]
              for _, c in cases]
    if len(set(tables)) != 1 or not tables[0].endswith(b"\n"):
        print(f"== {tree}: the rows DIFFER with --largest", file=sys.stderr)
        failed = True
    samples = {name: [] for name, _ in cases}
    for _ in range(runs):                      # in turn, so a drift of the machine hits every case
        for name, command in cases:
            samples[name].append(measure(command))
    print(f"== {tree} ({runs} runs each, medians)")
    base_wall = statistics.median(s[0] for s in samples["plain scan"])
    base_cpu = statistics.median(s[1] for s in samples["plain scan"])
    for name, _ in cases:
        wall = statistics.median(s[0] for s in samples[name])
        cpu = statistics.median(s[1] for s in samples[name])
        peak = max(s[2] for s in samples[name]) / 1024
        print(f"   {name:28} wall {wall:7.2f} s ({wall / base_wall:4.2f} x)  cpu {cpu:7.2f} s "
              f"({cpu / base_cpu:4.2f} x)  peak {peak:6.1f} MiB")
        if name != "plain scan":
            met_time = wall / base_wall <= 1.1
            met_memory = peak < 32
            print(f"      goal: at most 1.1 x the plain scan: {'met' if met_time else 'NOT met'}; "
                  f"under 32 MiB: {'met' if met_memory else 'NOT met'}")
sys.exit(1 if failed else 0)
PY
