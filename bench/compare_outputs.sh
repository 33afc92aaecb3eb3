#!/bin/sh
# Compares what two builds of kestrum-scan write: --csv byte for byte, and --json as parsed
# objects, where the new build may only add "problems". Runs on two small trees of awkward cases
# made here (dotfiles, "a.", capitals, links, a pipe, hard links, UTF-8 and invalid bytes in
# names, sparse files, deep nesting) and on the folders given (the bench trees, for instance).
#
#   bench/compare_outputs.sh OLD_KESTRUM_SCAN NEW_KESTRUM_SCAN [FOLDER]...
#
# Prints one line per folder and option set, and exits 1 when any differs.
set -eu
old=$1 new=$2
shift 2
status=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
edge="$scratch/edge" names="$scratch/names"
mkdir -p "$edge/sub/deep" "$edge/.hidden" "$edge/empty" "$names"
printf 'xx' >"$edge/.profile"; printf 'abc' >"$edge/a."; printf '1234' >"$edge/b.."
printf 'hi' >"$edge/A.TXT"; printf 'hello' >"$edge/sub/x.txt"; printf 'z' >"$edge/sub/deep/Makefile"
truncate -s 5000 "$edge/sub/deep/big.Tar.GZ"; printf 'q' >"$edge/.hidden/.notes.Md"
ln -s sub "$edge/link-to-folder"; ln -s /nonexistent "$edge/dangling.lnk"; mkfifo "$edge/sub/pipe.fifo"
printf 'linked' >"$edge/one.dat"; ln "$edge/one.dat" "$edge/sub/two.DAT"; ln "$edge/one.dat" "$edge/three.bin"
truncate -s 3G "$edge/sparse.img"
deep="$names"; for level in 1 2 3 4 5 6 7 8 9 10 11 12; do deep="$deep/l$level"; done
mkdir -p "$deep"; printf 'deep' >"$deep/bottom.ÉTÉ"
printf 'a' >"$names/été.Txt"; printf 'bb' >"$names/ΩMEGA.ωmega"; printf 'ccc' >"$names/日本語.テキスト"
printf 'dddd' >"$names/$(printf 'bad\376name.\377x')"; printf 'e' >"$names/straße.STRASSE"
for folder in "$edge" "$names" "$@"; do
  for options in "" "--sort=size --on-disk" "--links-once --threads 1" "--largest 20"; do
    # shellcheck disable=SC2086
    "$old" --csv $options "$folder" >"$scratch/old.csv" 2>/dev/null || true
    # shellcheck disable=SC2086
    "$new" --csv $options "$folder" >"$scratch/new.csv" 2>/dev/null || true
    # shellcheck disable=SC2086
    "$old" --json $options "$folder" >"$scratch/old.json" 2>/dev/null || true
    # shellcheck disable=SC2086
    "$new" --json $options "$folder" >"$scratch/new.json" 2>/dev/null || true
    verdict=
    cmp -s "$scratch/old.csv" "$scratch/new.csv" || verdict="csv differs; "
    if ! python3 - "$scratch/old.json" "$scratch/new.json" 2>/dev/null <<'PY'
import json, sys
old, new = (json.load(open(path)) for path in sys.argv[1:3])
new.pop("problems", None)
sys.exit(0 if old == new else 1)
PY
    then
      verdict="${verdict}json differs; "
    fi
    verdict=${verdict:-same}
    echo "${verdict%; }: $folder ${options:-(defaults)}"
    [ "$verdict" = same ] || status=1
  done
done
exit $status
