#!/usr/bin/env bash
# Reading a scan file of 100,000 rows (limit: 0.2 s and 64 MiB peak) and comparing two such files
# with kestrum-scan --compare OLD NEW (limit: 0.5 s). The files are made here: the second has a
# tenth of the rows grown, a tenth gone and a tenth new.
#   bench/scanfile_bench.sh [BUILD_DIR]     (default build/release)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/release}
cmake --build "$build" --target kestrum_scanfile_bench kestrum-scan >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
def scan(rows, grow):
    extensions = []
    for i in rows:
        count = i % 97 + 1
        size = (i * 7919) % 10_000_000 + (grow if i % 10 == 0 else 0)
        extensions.append({"ext": ".e%d" % i, "count": count, "bytes": size, "disk_bytes": size + 4096,
                           "percent": 0, "category": "other"})
    files = sum(r["count"] for r in extensions)
    total = sum(r["bytes"] for r in extensions)
    return {"format": 2, "program": "kestrum-scan bench", "started": "2026-12-01T14:03:00Z", "seconds": 1.5,
            "host": "bench", "options": {"one_file_system": False, "exclude": [], "links_once": False,
                                         "extensions_only": False}, "ending": "finished",
            "root": "/srv", "folders": 1000, "files": files, "bytes": total, "disk_bytes": total,
            "extensions": extensions, "not_listed": 0, "not_entered": 0, "vanished": 0, "not_examined": 0,
            "not_in_rows": 0, "excluded": 0, "not_in_largest": 0, "links_unchecked": 0,
            "no_extension": {"count": 0, "bytes": 0, "disk_bytes": 0}, "problems": []}
with open(work + "/old.json", "w") as f:
    json.dump(scan(range(100_000), 0), f)
with open(work + "/new.json", "w") as f:
    json.dump(scan([i for i in range(110_000) if i % 10 != 3], 12345), f)
PY

echo "old.json: $(stat -c %s "$work/old.json") bytes"
best() {  # the best of five runs: seconds and peak KiB
  local best_s=999 best_k=0
  for _ in 1 2 3 4 5; do
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/err"
    read -r s k <"$work/time"
    if awk "BEGIN{exit !($s < $best_s)}"; then best_s=$s; best_k=$k; fi
  done
  echo "$best_s s, $((best_k / 1024)) MiB peak"
}
echo "read 100,000 rows:   $(best "$build/bench/scanfile/kestrum_scanfile_bench" "$work/old.json")  (limit 0.2 s, 64 MiB)"
echo "compare two files:   $(best "$build/cli/kestrum-scan" --compare "$work/old.json" "$work/new.json")  (limit 0.5 s)"
