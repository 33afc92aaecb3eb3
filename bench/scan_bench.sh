#!/usr/bin/env bash
# Times kestrum-scan (with its default number of walking threads and with --threads 1) against
# du -sb and gdu on a generated tree of about 1,000,000 entries and on one folder of 100,000 files
# with an extension each, warm and (as root) cold, with the peak memory of every command.
#
#   bench/scan_bench.sh [OUT_DIR]      (default bench/out; the trees are kept there for reruns)
#
# Environment: RUNS (timed runs per command and case, default 5), COLD_RUNS (default RUNS; 0 skips
# the cold case), COLD_TREE (1: also time the large tree cold, which takes minutes; default 0),
# ENTRIES (default 1000000), FLAT_FILES (default 100000), BUILD_DIR (default build/bench),
# BASELINE (another kestrum-scan to time beside this one, e.g. a build of an earlier commit),
# SWEEP (1: also time 1, 2, 4, 8 and 16 walking threads, warm and cold, on the flat folder).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
out=$(mkdir -p "${1:-$here/out}" && cd "${1:-$here/out}" && pwd)
runs=${RUNS:-5}
cold_runs=${COLD_RUNS:-$runs}
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
install_missing cmake make g++ python3 gdu time

# --- build ---------------------------------------------------------------------------------------
echo "== Building kestrum-scan (Release) in $build"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRUM_GUI=OFF -DKESTRUM_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target kestrum-scan >/dev/null
kestrum="$build/cli/kestrum-scan"

# --- trees (regenerated only when the generator or its arguments change) -------------------------
. "$here/trees.sh"
ensure_tree "$out/tree" tree --entries "$entries"
ensure_tree "$out/flat" flat --files "$flat_files"

# --- the same results whatever the number of threads ---------------------------------------------
echo
for dir in "$out/tree" "$out/flat"; do
  if cmp -s <("$kestrum" --csv "$dir") <("$kestrum" --csv --threads 1 "$dir"); then
    echo "== $dir: the default and --threads 1 give the same records and totals"
  else
    echo "== $dir: the default and --threads 1 DIFFER" >&2
    exit 1
  fi
done
echo "   kestrum-scan says: $("$kestrum" "$out/tree" | head -2 | tr '\n' ' ')"
echo "   find says: $(find "$out/tree" -mindepth 1 -type d | wc -l) folders, $(find "$out/tree" -mindepth 1 ! -type d | wc -l) files"

# --- timing --------------------------------------------------------------------------------------
# Each round runs every command once, in turn, so that a change in the machine's load falls on all
# of them alike. Wall time is taken here, peak memory (maximum resident set size) by /usr/bin/time.
cold=0
if [ "$cold_runs" -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ] && [ -w /proc/sys/vm/drop_caches ]; then
    cold=1
  else
    echo "== The cold case is skipped: dropping the page cache needs root."
  fi
fi
uptime
python3 - "$kestrum" "$out" "$runs" "$cold_runs" "$cold" "${COLD_TREE:-0}" "${BASELINE:-}" "${SWEEP:-0}" <<'PYTHON'
import atexit, os, shutil, statistics, subprocess, sys, time

kestrum, out, runs, cold_runs, cold, cold_tree, baseline, sweep = sys.argv[1:]
runs, cold_runs, cold, cold_tree, sweep = int(runs), int(cold_runs), cold == "1", cold_tree == "1", sweep == "1"
gdu, du = shutil.which("gdu"), shutil.which("du")
TIME, PEAK = "/usr/bin/time", os.path.join(os.environ.get("TMPDIR", "/tmp"), "scan_bench.%d.peak" % os.getpid())
atexit.register(lambda: os.path.exists(PEAK) and os.unlink(PEAK))

def commands(folder):
    listed = [("kestrum-scan", [kestrum, folder]),
              ("kestrum-scan --threads 1", [kestrum, "--threads", "1", folder])]
    if baseline:
        listed.append(("baseline", [baseline, folder]))
    listed += [("du -sb", [du, "-sb", folder]), ("gdu -n -p", [gdu, "-n", "-p", folder])]
    return listed

def drop_caches():
    os.sync()
    with open("/proc/sys/vm/drop_caches", "w") as control:
        control.write("3\n")

def run_once(argv, bCold):
    # Peak memory through /usr/bin/time: wait4's own figure would carry this script's resident
    # set, which a child keeps as its high-water mark across the exec.
    if bCold:
        drop_caches()
    actions = [(os.POSIX_SPAWN_OPEN, 1, "/dev/null", os.O_WRONLY, 0),
               (os.POSIX_SPAWN_OPEN, 2, "/dev/null", os.O_WRONLY, 0)]
    started = time.perf_counter()
    pid = os.posix_spawn(TIME, [TIME, "-f", "%M", "-o", PEAK] + argv, os.environ, file_actions=actions)
    _, status, _ = os.wait4(pid, 0)
    elapsed = time.perf_counter() - started
    if status != 0:
        sys.exit("%s failed with status %d" % (" ".join(argv), status))
    with open(PEAK) as peak:
        return elapsed, int(peak.read().split()[-1])   # seconds, KiB

def measure(title, listed, count, bCold):
    print("\n== %s (%s, median of %d runs)" % (title, "cold: page cache dropped before each run" if bCold else "warm", count))
    if not bCold:
        for _, argv in listed:   # fill the cache
            run_once(argv, False)
    times = {name: [] for name, _ in listed}
    peaks = {name: 0 for name, _ in listed}
    for _ in range(count):
        for name, argv in listed:
            elapsed, peak = run_once(argv, bCold)
            times[name].append(elapsed)
            peaks[name] = max(peaks[name], peak)
    medians = {name: statistics.median(values) for name, values in times.items()}
    ours = medians[listed[0][0]]
    reference = medians.get("du -sb")
    print("   %-26s %9s %9s %9s %9s %13s %10s" % ("command", "median s", "min s", "max s", "/ du -sb", "kestrum-scan /", "peak MiB"))
    for name, _ in listed:
        print("   %-26s %9.3f %9.3f %9.3f %9s %13.2f %10.1f" % (
            name, medians[name], min(times[name]), max(times[name]),
            "%.2f" % (medians[name] / reference) if reference else "-", ours / medians[name], peaks[name] / 1024))
    return medians, peaks

def verdict(text, value, bMet):
    print("   goal %-52s %s (%s)" % (text, "met" if bMet else "NOT MET", value))

tree, flat = os.path.join(out, "tree"), os.path.join(out, "flat")
results = {}
results["a"] = measure("(a) " + tree, commands(tree), runs, False)
results["b"] = measure("(b) " + flat, commands(flat), runs, False)
if cold:
    results["c"] = measure("(b) cold " + flat, commands(flat), cold_runs, True)
    if cold_tree:
        results["a cold"] = measure("(a) cold " + tree, commands(tree), cold_runs, True)

print("\n== Goals")
ours, one = "kestrum-scan", "kestrum-scan --threads 1"
m, _ = results["a"]
verdict("(a) warm: kestrum-scan <= 0.55 x du -sb", "%.2f" % (m[ours] / m["du -sb"]), m[ours] <= 0.55 * m["du -sb"])
verdict("(a) warm: kestrum-scan faster than gdu", "%.2f x gdu" % (m[ours] / m["gdu -n -p"]), m[ours] < m["gdu -n -p"])
m, _ = results["b"]
verdict("(b) warm: kestrum-scan <= 0.7 x du -sb", "%.2f" % (m[ours] / m["du -sb"]), m[ours] <= 0.7 * m["du -sb"])
if "c" in results:
    m, _ = results["c"]
    verdict("(c) cold (b): kestrum-scan <= 0.45 x du -sb", "%.2f" % (m[ours] / m["du -sb"]), m[ours] <= 0.45 * m["du -sb"])
else:
    print("   goal (c) cold (b): not measured (skipped)")
peak = max(p[name] for _, p in results.values() for name in (ours, one))
verdict("peak memory of kestrum-scan < 32 MiB", "%.1f MiB" % (peak / 1024), peak < 32 * 1024)
if baseline:
    for case in ("a", "b"):
        m, _ = results[case]
        # The baseline runs with its default threads, so it is compared with ours run the same way.
        verdict("(%s) warm: no slower than the baseline" % case, "%.2f x" % (m[ours] / m["baseline"]),
                m[ours] <= m["baseline"] * 1.03)

if sweep:
    listed = [("%d threads" % n, [kestrum, "--threads", str(n), flat]) for n in (1, 2, 4, 8, 16)]
    listed.append(("du -sb", [du, "-sb", flat]))
    measure("walking threads, (b) " + flat, listed, runs, False)
    if cold:
        measure("walking threads, (b) cold " + flat, listed, cold_runs, True)
    listed = [("%d threads" % n, [kestrum, "--threads", str(n), tree]) for n in (1, 2, 4, 8, 16)]
    listed.append(("du -sb", [du, "-sb", tree]))
    measure("walking threads, (a) " + tree, listed, runs, False)
PYTHON
