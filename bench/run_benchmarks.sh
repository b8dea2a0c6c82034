#!/usr/bin/env bash
# Runtime figures, measured in one run on this machine:
#  1. unpacking a runtime-sized archive (the machine's OpenJDK tree, zipped)
#     with extractZip under Wine against Info-ZIP's `unzip -q` on Linux;
#  2. a second start of the starter against a local nginx over HTTPS, from
#     process start to the close request, less the 2.5 s minimum splash time.
# Not a test: nothing here passes or fails on timing.
#   bench/run_benchmarks.sh [all|unzip|second] [rounds]
# MORVANTA_BUILD_DIR picks the build folder (default build/windows).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
what=${1:-all}
rounds=${2:-3}
build=${MORVANTA_BUILD_DIR:-build/windows}
build=$(mkdir -p "$build" && cd "$build" && pwd)
export WINEPREFIX=$build/wineprefix
out=$build/bench
http_port=18680
https_port=18643

scripts/setup.sh >/dev/null
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" --toolchain "$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target unzip_bench second_start_bench java_stand_in \
    MorvantaStarterLocal install_test_ca >/dev/null
cmake/wine-run.sh cmd /c exit >/dev/null 2>&1 || true   # makes the prefix once

winpath() { echo "Z:$1" | sed 's|/|\\|g'; }
stand_in=$build/tests/java/java_stand_in.exe

mkdir -p "$out"
[ -f "$out/runtime.zip" ] || bench/make_runtime_zip.sh "$out/runtime.zip" "$stand_in"
if [ "$what" != second ]; then
echo "== Unpacking a runtime-sized archive =="
entries=$(unzip -Z1 "$out/runtime.zip" | wc -l)
unpacked_mb=$(unzip -Zt "$out/runtime.zip" | awk '{printf "%.0f", $3 / 1048576}')
echo "archive: $entries entries, $unpacked_mb MB unpacked, $(du -m "$out/runtime.zip" | cut -f1) MB zipped"
best_unzip=""; best_extract=""; unzip_rss=""; extract_peak=""
for round in $(seq "$rounds"); do
    rm -rf "$out/unzip-dest" "$out/extract-dest"; sync
    stats=$( { /usr/bin/time -f "%e %M" unzip -q -o "$out/runtime.zip" -d "$out/unzip-dest"; } 2>&1 )
    unzip_s=$(echo "$stats" | tail -1 | cut -d' ' -f1); unzip_rss=$(echo "$stats" | tail -1 | cut -d' ' -f2)
    line=$(cmake/wine-run.sh "$build/bench/unzip_bench.exe" "$(winpath "$out/runtime.zip")" \
        "$(winpath "$out/extract-dest")" | tr -d '\r')
    extract_ms=$(echo "$line" | sed -n 's/.*extract_ms=\([0-9.]*\).*/\1/p')
    extract_peak=$(echo "$line" | sed -n 's/.*peak_private_mb=\([0-9.]*\).*/\1/p')
    echo "round $round: unzip ${unzip_s} s (max RSS $((unzip_rss / 1024)) MB); extractZip ${extract_ms} ms ($line)"
    diff -rq "$out/unzip-dest" "$out/extract-dest" >/dev/null || { echo "trees differ!"; exit 1; }
    unzip_ms=$(awk "BEGIN{print $unzip_s * 1000}")
    best_unzip=$(awk "BEGIN{b=\"$best_unzip\"; print (b == \"\" || $unzip_ms < b) ? $unzip_ms : b}")
    best_extract=$(awk "BEGIN{b=\"$best_extract\"; print (b == \"\" || $extract_ms < b) ? $extract_ms : b}")
done
rm -rf "$out/unzip-dest" "$out/extract-dest"
echo "best of $rounds: unzip $best_unzip ms, extractZip $best_extract ms;" \
     "speed ratio extractZip/unzip = $(awk "BEGIN{printf \"%.2f\", $best_unzip / $best_extract}")"

fi
[ "$what" = unzip ] && exit 0

echo "== Second start =="
state=$out/servers
docroot=$state/docroot
tests/servers/nginx.sh start "$state/nginx" "$http_port" "$https_port" "$docroot" 600 >/dev/null
ca_added=0
cleanup() {
    [ "$ca_added" = 1 ] && cmake/wine-run.sh "$build/tests/servers/install_test_ca.exe" remove \
        "$state/nginx/tls/ca.pem" >/dev/null 2>&1 || true
    tests/servers/nginx.sh stop "$state/nginx" || true
}
trap cleanup EXIT
cmake/wine-run.sh "$build/tests/servers/install_test_ca.exe" add "$state/nginx/tls/ca.pem" >/dev/null
ca_added=1
python3 tests/e2e/make_e2e_files.py "$docroot" "$state/manifests" "$stand_in" "https://127.0.0.1:$https_port"
# A runtime-sized archive on the server, so the first start is realistic too.
cp "$out/runtime.zip" "$docroot/files/java-x64.zip"
python3 - "$docroot" "$state/manifests/complete.json" "https://127.0.0.1:$https_port" <<'PY'
import hashlib, sys
docroot, manifest, base = sys.argv[1:4]
digest = lambda p: hashlib.sha256(open(p, "rb").read()).hexdigest()
open(docroot + "/starter/launcher.json", "w").write(
    '{\n  "%s/files/Morvanta.jar": "%s",\n  "%s/files/java-x64.zip": "%s"\n}\n'
    % (base, digest(docroot + "/files/Morvanta.jar"), base, digest(docroot + "/files/java-x64.zip")))
PY
rm -rf "$WINEPREFIX/drive_c/.Morvanta"
record='C:\.Morvanta\loader\java\jdk-17-runtime\bin\java-invocation.txt'
starter=$(winpath "$build/bench/MorvantaStarterLocal.exe")
echo "first start (fetches and unpacks everything):"
cmake/wine-run.sh "$build/bench/second_start_bench.exe" "$starter" "$record" 1 | tr -d '\r' | head -1
echo "second starts (the manifest only, then launch):"
cmake/wine-run.sh "$build/bench/second_start_bench.exe" "$starter" "$record" "$((rounds + 2))" | tr -d '\r'
echo "requests: $(awk '{print $7}' "$state/nginx/access.log" | sort | uniq -c | tr '\n' ';')"
