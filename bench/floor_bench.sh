#!/usr/bin/env bash
# Times kestrum-scan against its floor (bench/floor: the least work that gives the same totals) and
# du -sb, on a tree of about 1,000,000 entries and on one folder of 100,000 files with an extension
# each, warm and (as root) cold, and with TEN_MILLION=1 on a sparse tree of 10,000,000 entries.
# Checks first that the floor and kestrum-scan count the same; prints medians, ratios, peak
# memory and each goal as met or not met.
#
#   bench/floor_bench.sh [OUT_DIR]      (default bench/out; generated trees are kept there)
#
# Environment: RUNS (rounds per case, default 5), COLD_RUNS (default RUNS; 0 skips the cold case),
# FLOOR_THREADS (the floor's threads, default 8), TREES (a folder holding already generated trees
# "tree" and "flat", used as they are and never regenerated), TEN_MILLION (1: also the 10,000,000
# entry tree "tree10m", generated once, which takes a long while), BUILD_DIR (default build/bench),
# ENTRIES and FLAT_FILES (sizes of the generated trees, as for scan_bench.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
out=$(mkdir -p "${1:-$here/out}" && cd "${1:-$here/out}" && pwd)
runs=${RUNS:-5}
cold_runs=${COLD_RUNS:-$runs}
floor_threads=${FLOOR_THREADS:-8}
build=${BUILD_DIR:-$repo/build/bench}

for tool in cmake make g++ /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "Missing: $tool (see bench/README.md)" >&2; exit 1; }
done

# --- build ---------------------------------------------------------------------------------------
echo "== Building kestrum-scan and kestrum_floor (Release) in $build"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRUM_GUI=OFF -DKESTRUM_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target kestrum-scan kestrum_floor >/dev/null
kestrum="$build/cli/kestrum-scan"
floor="$build/bench/floor/kestrum_floor"

# --- trees ---------------------------------------------------------------------------------------
# Generated trees are regenerated only when the generator or its arguments change (a stamp beside
# each); trees under TREES are taken as they are.
. "$here/trees.sh"
given_tree() {  # folder
  [ -d "$1" ] || { echo "$1 does not exist (TREES=$TREES)" >&2; exit 1; }
  echo "== Using $1 as it is"
}
if [ -n "${TREES:-}" ]; then
  tree="$TREES/tree" flat="$TREES/flat"
  given_tree "$tree"
  given_tree "$flat"
else
  tree="$out/tree" flat="$out/flat"
  ensure_tree "$tree" tree --entries "${ENTRIES:-1000000}"
  ensure_tree "$flat" flat --files "${FLAT_FILES:-100000}"
fi
big=
if [ "${TEN_MILLION:-0}" = 1 ]; then
  if [ -n "${TREES:-}" ] && [ -d "$TREES/tree10m" ]; then
    big="$TREES/tree10m"
    given_tree "$big"
  else
    big="$out/tree10m"
    ensure_tree "$big" tree --entries 10000000
  fi
fi

# --- the floor counts what kestrum-scan counts ---------------------------------------------------
# kestrum-scan's totals from --json, its number of extension rows from the records in it (without
# the row of files without an extension, which the floor does not keep); the
# floor prints "folders files bytes extensions".
scan_figures() {  # folder
  local json
  json=$("$kestrum" --json --extensions-only "$1")
  [[ $json =~ \"folders\":\ ([0-9]+),\ \"files\":\ ([0-9]+),\ \"bytes\":\ ([0-9]+) ]] || { echo "unreadable --json of $1" >&2; exit 1; }
  echo "${BASH_REMATCH[1]} ${BASH_REMATCH[2]} ${BASH_REMATCH[3]} $(grep -o '{"ext": "' <<<"$json" | wc -l)"
}
check_agreement() {  # folder
  local ours floor_says
  ours=$(scan_figures "$1")
  floor_says=$("$floor" -j "$floor_threads" "$1")
  if [ "$ours" = "$floor_says" ]; then
    echo "   $1: both count $ours (folders files bytes extensions)"
  else
    echo "   $1: kestrum-scan counts $ours, the floor $floor_says (folders files bytes extensions)" >&2
    exit 1
  fi
}
# A small tree with the cases the two must treat alike: a dotfile, names ending in ".", extensions
# in capitals, a symbolic link to a folder (a file, not followed), a dangling one, a named pipe,
# an empty folder and a hidden one.
edge=$(mktemp -d)
trap 'rm -rf "$edge"' EXIT
mkdir -p "$edge/sub/deep" "$edge/.hidden" "$edge/empty"
printf 'xx' >"$edge/.profile"; printf 'abc' >"$edge/a."; printf '1234' >"$edge/b.."
printf 'hi' >"$edge/A.TXT"; printf 'hello' >"$edge/sub/x.txt"; printf 'z' >"$edge/sub/deep/Makefile"
truncate -s 5000 "$edge/sub/deep/big.Tar.GZ"; printf 'q' >"$edge/.hidden/.notes.Md"
ln -s sub "$edge/link-to-folder"; ln -s /nonexistent "$edge/dangling.lnk"; mkfifo "$edge/sub/pipe.fifo"
echo
echo "== The floor and kestrum-scan agree"
for dir in "$edge" "$tree" "$flat" ${big:+"$big"}; do
  check_agreement "$dir"
done

# --- timing --------------------------------------------------------------------------------------
# Each round runs every command once, in turn, so that a change in the machine's load falls on all
# of them alike. Wall time is taken here with date, peak memory by /usr/bin/time (%M, KiB).
cold=0
if [ "$cold_runs" -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ] && [ -w /proc/sys/vm/drop_caches ]; then
    cold=1
  else
    echo "== The cold case is skipped: dropping the page cache needs root."
  fi
fi
peak_file=$(mktemp)
trap 'rm -rf "$edge" "$peak_file"' EXIT
declare -A times peaks medians labels=([floor]="floor -j $floor_threads" [scan]="kestrum-scan" [du]="du -sb")
names=(floor scan du)
run_once() {  # bCold, name, folder
  local -a argv
  case $2 in
    floor) argv=("$floor" -j "$floor_threads" "$3") ;;
    scan) argv=("$kestrum" --csv "$3") ;;
    du) argv=(du -sb "$3") ;;
  esac
  if [ "$1" = 1 ]; then
    sync
    echo 3 >/proc/sys/vm/drop_caches
  fi
  local started ended peak
  started=$(date +%s%N)
  /usr/bin/time -f %M -o "$peak_file" "${argv[@]}" >/dev/null 2>&1 || { echo "${argv[*]} failed" >&2; exit 1; }
  ended=$(date +%s%N)
  peak=$(tail -n 1 "$peak_file")
  times[$2]+=" $((ended - started))"
  ((peak > ${peaks[$2]:-0})) && peaks[$2]=$peak
  return 0
}
median() {  # nanoseconds...
  local -a sorted
  mapfile -t sorted < <(printf '%s\n' "$@" | sort -n)
  local n=${#sorted[@]}
  if ((n % 2)); then echo "${sorted[n / 2]}"; else echo $(((sorted[n / 2 - 1] + sorted[n / 2]) / 2)); fi
}
seconds() { printf '%d.%03d' $(($1 / 1000000000)) $(($1 / 1000000 % 1000)); }   # nanoseconds
ratio() { local r=$(($1 * 1000 / $2)); printf '%d.%03d' $((r / 1000)) $((r % 1000)); }
measure() {  # title, bCold, count, folder
  local title=$1 bCold=$2 count=$3 dir=$4 name round
  echo
  echo "== $title: $dir ($([ "$bCold" = 1 ] && echo "cold: page cache dropped before each run" || echo warm), median of $count)"
  times=() peaks=() medians=()
  if [ "$bCold" != 1 ]; then
    for name in "${names[@]}"; do run_once 0 "$name" "$dir"; done   # fills the cache
    times=() peaks=()
  fi
  for ((round = 0; round < count; ++round)); do
    for name in "${names[@]}"; do run_once "$bCold" "$name" "$dir"; done
  done
  printf '   %-14s %9s %9s %9s %14s %14s %9s\n' command "median s" "min s" "max s" "scan / it" "it / floor" "peak MiB"
  for name in "${names[@]}"; do
    # shellcheck disable=SC2086
    medians[$name]=$(median ${times[$name]})
  done
  for name in "${names[@]}"; do
    local -a all
    # shellcheck disable=SC2086
    mapfile -t all < <(printf '%s\n' ${times[$name]} | sort -n)
    printf '   %-14s %9s %9s %9s %14s %14s %9s\n' "${labels[$name]}" "$(seconds "${medians[$name]}")" "$(seconds "${all[0]}")" \
      "$(seconds "${all[-1]}")" "$(ratio "${medians[scan]}" "${medians[$name]}")" \
      "$(ratio "${medians[$name]}" "${medians[floor]}")" "$(ratio "${peaks[$name]}" 1024)"
  done
}
# Verdicts are gathered while measuring and printed together at the end.
goals=()
goal() {  # text, measured, bMet
  goals+=("$(printf '   goal %-50s %-8s (%s)' "$1" "$([ "$3" = 1 ] && echo met || echo "NOT MET")" "$2")")
}
goal_vs_floor() {  # text, limit in hundredths
  local met=0
  ((medians[scan] * 100 <= $2 * medians[floor])) && met=1
  goal "$1" "$(ratio "${medians[scan]}" "${medians[floor]}") x floor" $met
}
goal_vs_du() {  # case
  local met=0
  ((medians[scan] < medians[du])) && met=1
  goal "$1: faster than du -sb" "$(ratio "${medians[scan]}" "${medians[du]}") x du -sb" $met
}

uptime
measure "tree" 0 "$runs" "$tree"
goal_vs_floor "1M tree warm: <= 1.05 x floor" 105
goal_vs_du "1M tree warm"
measure "flat" 0 "$runs" "$flat"
goal_vs_floor "flat warm: <= 1.15 x floor" 115
goal_vs_du "flat warm"
if [ "$cold" = 1 ]; then
  measure "flat" 1 "$cold_runs" "$flat"
  goal_vs_floor "flat cold: <= 1.15 x floor ($floor_threads threads)" 115
  goal_vs_du "flat cold"
else
  goals+=("   goal flat cold: not measured (skipped)")
fi
if [ -n "$big" ]; then
  measure "10M tree" 0 "$runs" "$big"
  goal_vs_floor "10M tree warm: <= 1.1 x floor" 110
  goal_vs_du "10M tree warm"
  met=0
  ((peaks[scan] < 32 * 1024)) && met=1
  goal "10M tree: kestrum-scan peak memory < 32 MiB" "$(ratio "${peaks[scan]}" 1024) MiB" $met
else
  goals+=("   goal 10M tree: not measured (TEN_MILLION=1 to measure it)")
fi
echo
echo "== Goals"
printf '%s\n' "${goals[@]}"
