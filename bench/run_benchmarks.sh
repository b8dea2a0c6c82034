#!/usr/bin/env bash
# Every benchmark, measured in one run on this machine, each against a reference
# measured in the same run; ends with one table of the ratios:
#  1. unpacking a runtime-sized archive (the machine's OpenJDK tree, zipped)
#     with extractZip under Wine against Info-ZIP's `unzip -q` on Linux;
#  2. a second start of the starter against a local nginx over HTTPS, from
#     process start to the close request, less the 2.5 s minimum splash time,
#     against the first start (which fetches and unpacks everything);
#  3. splash frames (bench/frame_bench.sh): the cached scene against a rebuilt
#     one, and the timer's ticks per second with the 1 ms resolution against without;
#  4. downloads and digests (bench/download_bench.sh) against a bare WinHTTP loop
#     and sha256sum;
#  5. the folder and file checks of a second start against the plain calls they replace;
#  6. the support log's writes in a second start against one plain write of the same bytes;
#  7. a runtime delta between two patch releases of Debian's openjdk-17-jre-headless
#     (fetched with apt-get download), made by morvanta-publish: its size against
#     the new archive's, and building the new runtime from it with the starter's
#     code under Wine against unpacking the new archive;
#  8. (only by name: "first") a first start with no runtime, from the process start to Java
#     spawned, against a bare WinHTTP download of the same archive from the same server, unshaped,
#     and on loopback shaped by tc to 1 Gbit/s and 100 Mbit/s: run it in a network namespace
#     of its own (unshare -n), which it reshapes.
# Needs no display: it runs inside an Xvfb of its own. Nothing is pass or fail.
#   bench/run_benchmarks.sh [all|unzip|second|frame|download|trust|log|delta|first] [rounds]
# MORVANTA_BUILD_DIR picks the build folder (default build/windows).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ "${MORVANTA_BENCH_DISPLAY:-}" != own ]; then
    scripts/setup.sh >/dev/null
    MORVANTA_BENCH_DISPLAY=own exec xvfb-run -a -s "-screen 0 2560x1440x24" "$0" "$@"
fi
what=${1:-all}
rounds=${2:-3}
build=${MORVANTA_BUILD_DIR:-build/windows}
build=$(mkdir -p "$build" && cd "$build" && pwd)
export WINEPREFIX=$build/wineprefix
out=$build/bench
http_port=18680
https_port=18643

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" --toolchain "$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
targets="second_start_bench java_stand_in MorvantaStarterLocal install_test_ca download_bench"
[ "$what" = first ] || targets="$targets unzip_bench frame_bench trust_checks_bench support_log_bench morvanta-publish"
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets >/dev/null
cmake/wine-run.sh cmd /c exit >/dev/null 2>&1 || true   # makes the prefix once

winpath() { echo "Z:$1" | sed 's|/|\\|g'; }
stand_in=$build/tests/java/java_stand_in.exe

# One row per figure: what, measured, reference, measured / reference.
table=$(mktemp)
trap 'rm -f "$table"' EXIT
row() { printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$(awk "BEGIN{r = $4 / $5; printf (r < 0.1 ? \"%.3f\" : \"%.2f\"), r}")" >>"$table"; }
print_table() {
    WINEDEBUG=-all wineserver -k >/dev/null 2>&1 || true   # before the Xvfb goes
    echo
    echo "== Ratios (measured / reference, same run) =="
    { printf 'figure\tmeasured\treference\tratio\n'; cat "$table"; } |
        awk -F'\t' '{printf "%-36s %-30s %-30s %s\n", $1, $2, $3, $4}'
}

mkdir -p "$out"
[ -f "$out/runtime.zip" ] || bench/make_runtime_zip.sh "$out/runtime.zip" "$stand_in"
if [ "$what" = all ] || [ "$what" = unzip ]; then
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
row "unpack runtime zip, best of $rounds" "extractZip ${best_extract} ms" "unzip -q ${best_unzip} ms" \
    "$best_extract" "$best_unzip"
fi

if [ "$what" = all ] || [ "$what" = frame ]; then
echo "== Splash frames and timer =="
frames=$(MORVANTA_BUILD_DIR=$build bench/frame_bench.sh 600)
echo "$frames"
for dpi in 96 144 192; do
    line=$(echo "$frames" | awk -v dpi="$dpi" '$1 == dpi && $2 ~ /^[0-9]+x[0-9]+$/')
    cached=$(echo "$line" | awk -F'|' '{split($2, f, "/"); print f[1] + 0}')
    rebuilt=$(echo "$line" | awk -F'|' '{split($3, f, "/"); print f[1] + 0}')
    row "splash frame at $dpi DPI, mean" "cached scene ${cached} ms" "scene rebuilt ${rebuilt} ms" "$cached" "$rebuilt"
done
ticks=$(echo "$frames" | sed -n 's/^timer ticks per second.*: \([0-9.]*\) with .*, \([0-9.]*\) without$/\1 \2/p')
held=${ticks% *}; plain=${ticks#* }
row "splash timer ticks per second" "1 ms resolution ${held}/s" "default ${plain}/s" "$held" "$plain"
fi

if [ "$what" = all ] || [ "$what" = download ]; then
echo "== Downloads and digests =="
downloads=$(MORVANTA_BUILD_DIR=$build bench/download_bench.sh "$rounds")
echo "$downloads"
ms_of() { echo "$downloads" | grep "$1" | head -1 | sed 's/.*  \([0-9.]*\) ms .*/\1/'; }
bare=$(ms_of "bare WinHTTP loop"); unverified=$(ms_of "downloadFile, no digest")
verified=$(ms_of "downloadFile, digest checked"); curl_ms=$(ms_of "curl (Linux)")
hash=$(ms_of "computeFileSha256"); sha=$(ms_of "sha256sum (Linux)")
row "256 MiB download, no digest" "downloadFile ${unverified} ms" "bare WinHTTP ${bare} ms" "$unverified" "$bare"
row "256 MiB download, digest checked" "downloadFile ${verified} ms" "bare WinHTTP ${bare} ms" "$verified" "$bare"
row "256 MiB download against curl" "downloadFile ${unverified} ms" "curl ${curl_ms} ms" "$unverified" "$curl_ms"
row "SHA-256 of 256 MiB" "computeFileSha256 ${hash} ms" "sha256sum ${sha} ms" "$hash" "$sha"
served_of() { echo "$downloads" | grep "$1" | head -1 | sed 's/.*  \([0-9]*\) bytes .*/\1/'; }
file_size=$(echo "$downloads" | sed -n 's/^Bytes served for a \([0-9]*\)-byte file:$/\1/p')
row "download killed half way, restarted" "served $(served_of "killed half way") bytes" "file ${file_size} bytes" \
    "$(served_of "killed half way")" "$file_size"
row "download cut half way" "served $(served_of "cut half way") bytes" "file ${file_size} bytes" \
    "$(served_of "cut half way")" "$file_size"
fi

if [ "$what" = all ] || [ "$what" = trust ]; then
echo "== Checks before trust =="
rm -rf "$out/trust"; mkdir -p "$out/trust"
checks=$(cmake/wine-run.sh "$build/bench/trust_checks_bench.exe" "$(winpath "$out/trust")" 200 | tr -d '\r')
echo "$checks"
checked=$(echo "$checks" | sed -n 's/.*second start: median \([0-9.]*\) ms.*/\1/p')
plain=$(echo "$checks" | sed -n 's/.*attribute read: median \([0-9.]*\) ms.*/\1/p')
row "checks of a second start, median" "checks ${checked} ms" "plain calls ${plain} ms" "$checked" "$plain"
rm -rf "$out/trust"
fi

if [ "$what" = all ] || [ "$what" = log ]; then
echo "== Support log =="
rm -rf "$out/log"; mkdir -p "$out/log"
logged=(); plain=()
for round in $(seq 1 $((rounds * 5))); do
    line=$(cmake/wine-run.sh "$build/bench/support_log_bench.exe" "$(winpath "$out/log")\\work" | tr -d '\r')
    logged+=("$(echo "$line" | sed -n 's/support log: \([0-9.]*\) ms.*/\1/p')")
    plain+=("$(echo "$line" | sed -n 's/.*plain write: \([0-9.]*\) ms.*/\1/p')")
done
median_of() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
log_ms=$(median_of "${logged[@]}"); plain_ms=$(median_of "${plain[@]}")
echo "support log writes per start, median of $((rounds * 5)): $log_ms ms (one plain write: $plain_ms ms)"
row "support log writes per start, median" "log ${log_ms} ms" "plain write ${plain_ms} ms" "$log_ms" "$plain_ms"
rm -rf "$out/log"
fi

if [ "$what" = all ] || [ "$what" = delta ]; then
echo "== Runtime delta between two patch releases =="
debs=${MORVANTA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/morvanta}/jre-debs
mkdir -p "$debs"
# The two newest versions the machine's Debian sources offer.
versions=$(apt-cache madison openjdk-17-jre-headless | awk '{print $3}' | sort -uV | tail -2)
for version in $versions; do
    ls "$debs"/openjdk-17-jre-headless_"${version/*:/}"_*.deb >/dev/null 2>&1 ||
        (cd "$debs" && apt-get download -qq "openjdk-17-jre-headless=$version" 2>/dev/null)
done
# The tool's Windows build (optimised; the native one carries the sanitizers).
publish_tool() { cmake/wine-run.sh "$build/tools/publish/morvanta-publish.exe" "$@"; }
rm -rf "$out/delta"; mkdir -p "$out/delta"
release=0
for version in $versions; do
    release=$((release + 1))
    tree=$out/delta/tree$release
    dpkg-deb -x "$debs"/openjdk-17-jre-headless_"${version/*:/}"_*.deb "$tree"
    mkdir -p "$tree/zip/jdk-17-runtime"
    # -L follows the Debian tree's links into /etc and /usr/share; broken ones are skipped.
    (cd "$tree/usr/lib/jvm/java-17-openjdk-amd64" && cp -rL . "$tree/zip/jdk-17-runtime/" 2>/dev/null || true)
    cp "$stand_in" "$tree/zip/jdk-17-runtime/bin/javaw.exe"
    (cd "$tree/zip" && zip -q -r -X "$out/delta/release$release.zip" jdk-17-runtime)
done
made_at=$(date +%s.%N)
publish_tool delta --from "$(winpath "$out/delta/release1.zip")" --to "$(winpath "$out/delta/release2.zip")" \
    --out "$(winpath "$out/delta")" --level "${MORVANTA_DELTA_LEVEL:-19}" >/dev/null
made="$(awk "BEGIN{printf \"%.0f\", $(date +%s.%N) - $made_at}") s at level ${MORVANTA_DELTA_LEVEL:-19}"
delta_file=$(ls "$out/delta"/java-x64.from-*.delta)
delta_bytes=$(stat -c %s "$delta_file"); full_bytes=$(stat -c %s "$out/delta/release2.zip")
echo "releases $(echo $versions | tr '\n' ' '): new archive $full_bytes bytes, delta $delta_bytes bytes (made in $made)"
echo "delta / full archive: $(awk "BEGIN{printf \"%.3f\", $delta_bytes / $full_bytes}")"
from_sha=$(sha256sum "$out/delta/release1.zip" | cut -d' ' -f1); to_sha=$(sha256sum "$out/delta/release2.zip" | cut -d' ' -f1)
cmake/wine-run.sh "$build/bench/unzip_bench.exe" "$(winpath "$out/delta/release1.zip")" \
    "$(winpath "$out/delta/installed")" >/dev/null
best_delta=""; best_full=""; delta_peak=""
for round in $(seq "$rounds"); do
    rm -rf "$out/delta/staging" "$out/delta/full"; mkdir -p "$out/delta/staging"; sync
    line=$(cmake/wine-run.sh "$build/bench/unzip_bench.exe" --delta "$(winpath "$delta_file")" \
        "$(winpath "$out/delta/installed")" "$(winpath "$out/delta/staging")" "$from_sha" "$to_sha" | tr -d '\r')
    delta_ms=$(echo "$line" | sed -n 's/.*extract_ms=\([0-9.]*\).*/\1/p')
    delta_peak=$(echo "$line" | sed -n 's/.*peak_working_set_mb=\([0-9.]*\).*/\1/p')
    full=$(cmake/wine-run.sh "$build/bench/unzip_bench.exe" "$(winpath "$out/delta/release2.zip")" \
        "$(winpath "$out/delta/full")" | tr -d '\r')
    full_ms=$(echo "$full" | sed -n 's/.*extract_ms=\([0-9.]*\).*/\1/p')
    echo "round $round: delta $line; full archive $full"
    diff -rq "$out/delta/staging" "$out/delta/full" >/dev/null || { echo "trees differ!"; exit 1; }
    best_delta=$(awk "BEGIN{b=\"$best_delta\"; print (b == \"\" || $delta_ms < b) ? $delta_ms : b}")
    best_full=$(awk "BEGIN{b=\"$best_full\"; print (b == \"\" || $full_ms < b) ? $full_ms : b}")
done
echo "delta applied: $(awk "BEGIN{printf \"%.2f\", $best_delta / 1000}") s, $delta_peak MB peak (full archive unpacked: $(awk "BEGIN{printf \"%.2f\", $best_full / 1000}") s)"
row "delta bytes / new archive bytes" "delta $((delta_bytes / 1024)) KB" "archive $((full_bytes / 1024)) KB" "$delta_bytes" "$full_bytes"
row "runtime from delta / from archive" "delta ${best_delta} ms" "unpack ${best_full} ms" "$best_delta" "$best_full"
rm -rf "$out/delta"
fi

# nginx over HTTPS with the test CA, serving the jar and the runtime-sized archive; a clean game directory.
start_servers() {
    state=$out/servers
    docroot=$state/docroot
    tests/servers/nginx.sh start "$state/nginx" "$http_port" "$https_port" "$docroot" 600 >/dev/null
    ca_added=0
    cleanup() {
        [ "$ca_added" = 1 ] && cmake/wine-run.sh "$build/tests/servers/install_test_ca.exe" remove \
            "$state/nginx/tls/ca.pem" >/dev/null 2>&1 || true
        tests/servers/nginx.sh stop "$state/nginx" || true
    }
    trap 'cleanup; rm -f "$table"' EXIT
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
}

if [ "$what" = first ]; then
echo "== First start against a bare download of the same archive, per link =="
start_servers
big_url="https://127.0.0.1:$https_port/files/java-x64.zip"
record='C:\.Morvanta\loader\java\jdk-17-runtime\bin\java-invocation.txt'
starter=$(winpath "$build/bench/MorvantaStarterLocal.exe")
loader=$WINEPREFIX/drive_c/.Morvanta/loader
# Once, so the jar is in place: each measured start then fetches only the runtime.
cmake/wine-run.sh "$build/bench/second_start_bench.exe" "$starter" "$record" 1 >/dev/null
link() {  # <mtu> [<rate> <burst>]: loopback shaped by a token bucket, in this network namespace
    ip link set lo mtu "$1"
    tc qdisc del dev lo root 2>/dev/null || true
    [ -z "${2:-}" ] || tc qdisc add dev lo root tbf rate "$2" burst "$3" latency 50ms
}
median_of() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
# tbf needs a burst of at least rate / HZ: 256 kB suffices at 100 Mbit/s, not at 1 Gbit/s.
for shape in "unshaped|65536||" "1 Gbit/s|1500|1gbit|1mb" "100 Mbit/s|1500|100mbit|256kb"; do
    IFS='|' read -r name mtu rate burst <<<"$shape"
    link "$mtu" $rate $burst
    bares=(); firsts=(); peaks=()
    for round in $(seq "$rounds"); do
        bare=$(cmake/wine-run.sh "$build/bench/download_bench.exe" --bare "$big_url" "$(winpath "$out/bare.bin")" |
               tr -d '\r' | sed -n 's/^bare_ms=//p')
        rm -f "$out/bare.bin"
        rm -rf "$loader/java" "$loader/java.staging" "$loader/java.zip" "$loader/java.zip.part" \
               "$loader/java.zip.part.resume" "$loader/java.source"
        line=$(cmake/wine-run.sh "$build/bench/second_start_bench.exe" "$starter" "$record" 1 | tr -d '\r' | head -1)
        first_ms=$(echo "$line" | sed -n 's/.*Java launched \([0-9]*\) ms.*/\1/p')
        peak=$(echo "$line" | sed -n 's/.*peak private \([0-9.]*\) MB.*/\1/p')
        echo "$name, round $round: bare WinHTTP download ${bare} ms; first start to Java ${first_ms} ms (peak private ${peak:-?} MB)"
        bares+=("$bare"); firsts+=("$first_ms"); peaks+=("${peak:-0}")
    done
    bare=$(median_of "${bares[@]}"); first_ms=$(median_of "${firsts[@]}")
    echo "first start / bare download, $name: $(awk "BEGIN{printf \"%.2f\", $first_ms / $bare}")"
    row "first start / bare download, $name" "first start ${first_ms} ms" "bare WinHTTP ${bare} ms" "$first_ms" "$bare"
    echo "$name: largest peak private memory of the starter $(printf '%s\n' "${peaks[@]}" | sort -g | tail -1) MB"
done
link 65536
grep -h "unpacked .* while fetching\|left to the whole file" "$loader/logs/starter.log" | tail -1
print_table
exit 0
fi

if [ "$what" != all ] && [ "$what" != second ]; then
    print_table
    exit 0
fi

echo "== Second start =="
start_servers
record='C:\.Morvanta\loader\java\jdk-17-runtime\bin\java-invocation.txt'
starter=$(winpath "$build/bench/MorvantaStarterLocal.exe")
echo "first start (fetches and unpacks everything):"
first=$(cmake/wine-run.sh "$build/bench/second_start_bench.exe" "$starter" "$record" 1 | tr -d '\r' | head -1)
echo "$first"
echo "second starts (the manifest only, then launch):"
second=$(cmake/wine-run.sh "$build/bench/second_start_bench.exe" "$starter" "$record" "$((rounds + 2))" | tr -d '\r')
echo "$second"
echo "requests: $(awk '{print $7}' "$state/nginx/access.log" | sort | uniq -c | tr '\n' ';')"
launch_of() { echo "$1" | sed -n 's/.*Java launched \([0-9]*\) ms.*/\1/p' | tail -1; }
first_launch=$(launch_of "$first"); second_launch=$(launch_of "$(echo "$second" | grep '^median')")
row "start to Java launch" "second start ${second_launch} ms" "first start ${first_launch} ms" \
    "$second_launch" "$first_launch"
print_table
