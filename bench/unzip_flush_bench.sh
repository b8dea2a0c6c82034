#!/usr/bin/env bash
# Interleaved rounds of unzip_flush_bench over its modes, on the runtime-sized
# archive and on one of 3000 small files; prints every round, then the median
# and the best of each mode. Not a test: nothing passes or fails on timing.
#   bench/unzip_flush_bench.sh [rounds] [modes]
# MORVANTA_BUILD_DIR picks the build folder (default build/windows).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
rounds=${1:-5}
modes=${2:-none each end extractZip}
build=$(cd "${MORVANTA_BUILD_DIR:-build/windows}" && pwd)
export WINEPREFIX=$build/wineprefix
out=$build/bench
cmake --build "$build" -j2 --target unzip_flush_bench java_stand_in >/dev/null
mkdir -p "$out"
[ -f "$out/runtime.zip" ] || bench/make_runtime_zip.sh "$out/runtime.zip" "$build/tests/java/java_stand_in.exe"
[ -f "$out/small_files.zip" ] || python3 - "$out/small_files.zip" <<'PY'
import random, sys, zipfile
rng = random.Random(1)
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as archive:
    for i in range(3000):
        data = bytes(rng.getrandbits(8) for _ in range(64)) * rng.randint(16, 256)
        archive.writestr("legal/module%02d/file%04d.txt" % (i % 50, i), data)
PY
winpath() { echo "Z:$1" | sed 's|/|\\|g'; }
log=$(mktemp)
trap 'rm -f "$log"; rm -rf "$out/flush-dest"' EXIT
for round in $(seq "$rounds"); do
    for archive in runtime small_files; do
        for mode in $modes; do
            rm -rf "$out/flush-dest"; sync; sleep 1
            line=$(cmake/wine-run.sh "$build/bench/unzip_flush_bench.exe" "$(winpath "$out/$archive.zip")" \
                "$(winpath "$out/flush-dest")" "$mode" | tr -d '\r')
            echo "round $round $archive $line load=$(cut -d' ' -f1 /proc/loadavg)" | tee -a "$log"
        done
    done
done
echo "== median and best total_ms (flush_ms) of $rounds rounds =="
python3 - "$log" <<'PY'
import re, statistics, sys
rows = {}
for line in open(sys.argv[1]):
    m = re.search(r"round \d+ (\S+) mode=(\S+) unpack_ms=([\d.]+) flush_ms=([\d.]+) total_ms=([\d.]+)", line)
    rows.setdefault((m.group(1), m.group(2)), []).append((float(m.group(5)), float(m.group(4))))
for (archive, mode), values in sorted(rows.items()):
    totals = sorted(v[0] for v in values)
    best = min(values)
    print("%-12s %-10s median %8.1f ms  best %8.1f ms (flush %.1f ms)" %
          (archive, mode, statistics.median(totals), best[0], best[1]))
PY
