#!/usr/bin/env bash
# Download and digest throughput, measured in one run on this machine:
#  - downloadFile (256 MiB from nginx on loopback, HTTP) without and with its
#    digest check, against a bare WinHTTP read loop in the same Wine process
#    and against curl on Linux;
#  - computeFileSha256 on the same 256 MiB against sha256sum;
#  - the CNG provider alone on 256 MiB in memory (what the digest costs without reading);
#  - peak private memory after a 16 MiB download and after the 256 MiB ones;
#  - bytes the server sent for a 16 MiB file whose download was killed half way and
#    started again, and for one cut half way (from the fault server's count).
# Not a test: nothing here passes or fails on timing.
#   bench/download_bench.sh [rounds]   (MORVANTA_BUILD_DIR picks the build, default build/windows)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
rounds=${1:-3}
build=${MORVANTA_BUILD_DIR:-build/windows}
build=$(mkdir -p "$build" && cd "$build" && pwd)
export WINEPREFIX=$build/wineprefix
out=$build/bench/download
http_port=18200
https_port=18201

if [ ! -f "$build/CMakeCache.txt" ]; then
    scripts/setup.sh >/dev/null
    cmake -S "$root" -B "$build" --toolchain "$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target download_bench >/dev/null
cmake/wine-run.sh cmd /c exit >/dev/null 2>&1 || true   # makes the prefix once

docroot=$out/docroot
mkdir -p "$docroot/files" "$out/work"
[ -f "$docroot/files/big.bin" ] || head -c $((256 * 1048576)) /dev/urandom > "$docroot/files/big.bin"
[ -f "$docroot/files/small.bin" ] || head -c $((16 * 1048576)) /dev/urandom > "$docroot/files/small.bin"
tests/servers/nginx.sh start "$out/nginx" "$http_port" "$https_port" "$docroot" 900 >/dev/null
fault_port=18202
python3 tests/servers/fault_server.py start --state "$out/fault" --port "$fault_port" --lifetime 900 \
    --files-dir "$docroot/files" >/dev/null
trap 'tests/servers/nginx.sh stop "$out/nginx"; python3 tests/servers/fault_server.py stop --state "$out/fault"' EXIT
base=http://127.0.0.1:$http_port

best() { sort -g | head -1; }
seconds_of() { local start end; start=$(date +%s.%N); "$@" >/dev/null; end=$(date +%s.%N); awk "BEGIN{print ($end - $start) * 1000}"; }

cat "$docroot/files/big.bin" >/dev/null   # into the page cache for every reader alike
digest=$(sha256sum "$docroot/files/big.bin" | cut -d' ' -f1)
sha_ms=$(for _ in $(seq "$rounds"); do seconds_of sha256sum "$docroot/files/big.bin"; done | best)
curl_ms=$(for _ in $(seq "$rounds"); do seconds_of curl -sS -o "$out/curl.bin" "$base/files/big.bin"; done | best)
curl_rss=$( { /usr/bin/time -f "%M" curl -sS -o "$out/curl.bin" "$base/files/big.bin"; } 2>&1 | tail -1)
rm -f "$out/curl.bin"

winpath() { echo "Z:$1" | sed 's|/|\\|g'; }
result=$(cmake/wine-run.sh "$build/bench/download_bench.exe" "$base/files/small.bin" "$base/files/big.bin" \
    "$digest" "$(winpath "$out/work")" "$rounds" | tr -d '\r')
value() { echo "$result" | sed -n "s/^$1=//p"; }
bare=$(value bare_winhttp_ms); unverified=$(value download_unverified_ms); verified=$(value download_verified_ms)
hash=$(value sha256_ms); cng=$(value cng_in_memory_ms)
mbps() { awk "BEGIN{printf \"%.0f\", 256 / ($1 / 1000)}"; }
ratio() { awk "BEGIN{printf \"%.2f\", $1 / $2}"; }

echo "256 MiB over HTTP on loopback, best of $rounds (MB/s = MiB per second):"
echo "  bare WinHTTP loop (Wine)          $bare ms  $(mbps "$bare") MB/s"
echo "  downloadFile, no digest (Wine)    $unverified ms  $(mbps "$unverified") MB/s   ratio to bare loop $(ratio "$bare" "$unverified")"
echo "  downloadFile, digest checked      $verified ms  $(mbps "$verified") MB/s   ratio to bare loop $(ratio "$bare" "$verified")"
echo "  curl (Linux)                      $curl_ms ms  $(mbps "$curl_ms") MB/s   downloadFile/curl $(ratio "$curl_ms" "$unverified")"
echo "SHA-256 of 256 MiB from the page cache:"
echo "  computeFileSha256 (Wine, CNG)     $hash ms  $(mbps "$hash") MB/s"
echo "  CNG alone on 256 MiB in memory    $cng ms  $(mbps "$cng") MB/s"
echo "  sha256sum (Linux)                 $sha_ms ms  $(mbps "$sha_ms") MB/s   ratio $(ratio "$sha_ms" "$hash")"
echo "Peak private memory of the Wine process: $(value peak_private_mb_after_small) MB after 16 MiB," \
     "$(value peak_private_mb_after_big) MB after the 256 MiB rounds; curl max RSS $((curl_rss / 1024)) MB"

# Killed half way, then started again; cut half way: what the server sent over all attempts.
small_size=$(stat -c %s "$docroot/files/small.bin")
small_digest=$(sha256sum "$docroot/files/small.bin" | cut -d' ' -f1)
served_for() { awk -v p="$1" '$1 == p {s += $2} END {print s + 0}' "$out/fault/served.log"; }
fetch() { cmake/wine-run.sh "$build/bench/download_bench.exe" fetch "http://127.0.0.1:$fault_port$1" "$small_digest" \
    "$(winpath "$out/work/resumed.bin")"; }
rm -f "$out/work/resumed.bin"*
killed=/ranged/small.bin?slow=$((small_size / 16))\&bench=$$
# Not through the function: a background function is a subshell, and killing it would leave Wine running.
cmake/wine-run.sh "$build/bench/download_bench.exe" fetch "http://127.0.0.1:$fault_port$killed" "$small_digest" \
    "$(winpath "$out/work/resumed.bin")" >/dev/null 2>&1 &
fetcher=$!
until [ "$(stat -c %s "$out/work/resumed.bin.part" 2>/dev/null || echo 0)" -gt $((small_size / 2)) ]; do sleep 0.1; done
kill -9 "$fetcher"; wait "$fetcher" 2>/dev/null || true
fetch "$killed" >/dev/null
rm -f "$out/work/resumed.bin"*
cut=/ranged/small.bin?cut=$((small_size / 2))\&bench=$$
fetch "$cut" >/dev/null
rm -f "$out/work/resumed.bin"*
echo "Bytes served for a $small_size-byte file:"
echo "  killed half way, started again     $(served_for "$killed") bytes   ratio to the file $(ratio "$(served_for "$killed")" "$small_size")"
echo "  cut half way                       $(served_for "$cut") bytes   ratio to the file $(ratio "$(served_for "$cut")" "$small_size")"
