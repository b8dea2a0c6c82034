#!/usr/bin/env bash
# Whole-program fault runs: the real starter under Wine against nginx (from the
# example configuration) and the fault server, on loopback.
#
#   fault_runs.sh <starter.exe> <java stand-in.exe> <state dir> <hold_folder.exe>
#
# The starter must be built with the servers
#   http://127.0.0.1:19181 (fault server) ; http://127.0.0.1:19180 (nginx) ; http://127.0.0.1:19189 (nothing)
# Each scenario starts from a clean game directory in the test Wine prefix and
# reads the outcome from the process, the files on disk and the servers' logs.
set -uo pipefail
starter=$(realpath "$1")
stand_in=$(realpath "$2")
state=$(mkdir -p "$3" && cd "$3" && pwd)
hold_folder=$(realpath "$4")
root=$(cd "$(dirname "$0")/../.." && pwd)
wine_run=$root/cmake/wine-run.sh
nginx=$root/tests/servers/nginx.sh
fault=$root/tests/servers/fault_server.py

nginx_port=19180
fault_port=19181
files=$state/www/files
access_log=$state/nginx/access.log
fault_log=$state/fault/requests.log

smallfs=$state/smallfs
proxy_port=19190

source "$root/tests/faults/run_lib.sh"

cleanup() {
    [ -n "$starter_pid" ] && kill -9 "$starter_pid" 2>/dev/null
    [ -n "${proxy_pid:-}" ] && kill "$proxy_pid" 2>/dev/null
    /usr/bin/python3 "$fault" stop --state "$state/fault" >/dev/null 2>&1
    "$nginx" stop "$state/nginx" >/dev/null 2>&1
    if [ -L "$game" ]; then rm -f "$game"; fi
    mountpoint -q "$smallfs" 2>/dev/null && umount "$smallfs"
}
trap cleanup EXIT

fault_server() {  # [default route]; no argument: the fault server is down
    /usr/bin/python3 "$fault" stop --state "$state/fault" >/dev/null 2>&1
    [ $# -eq 0 ] && return 0
    /usr/bin/python3 "$fault" start --state "$state/fault" --port $fault_port --lifetime 900 \
        --files-dir "$files" ${1:+--default-route "$1"} >/dev/null
}

# --- servers and files ---
/usr/bin/python3 "$root/tests/faults/make_fault_files.py" "$files" "$stand_in" || exit 1
mkdir -p "$files/small" && cp "$files/small.zip" "$files/small/java-x64.zip"
mkdir -p "$files/big" && cp "$files/big.zip" "$files/big/java-x64.zip" && cp "$files/big.zip" "$files/java-x64.zip"
"$nginx" start "$state/nginx" $nginx_port 19280 "$state/www" 1500 >/dev/null || { echo "nginx did not start"; exit 1; }
"$wine_run" cmd /c exit >/dev/null 2>&1
jar_url=http://127.0.0.1:$nginx_port/files/Morvanta.jar
jar_sha=$(sha "$files/Morvanta.jar")
small_url=http://127.0.0.1:$nginx_port/files/small/java-x64.zip
small_sha=$(sha "$files/small.zip")
big_sha=$(sha "$files/big.zip")

echo "== killed mid-download"
clean_game
fault_server ""
write_manifest "$jar_url" "$jar_sha" "http://127.0.0.1:$fault_port/slowfile/65536/150/java-x64.zip" "$big_sha"
start_starter
wait_for 60 larger_than "$loader/java.zip.part" 200000
kill -9 "$starter_pid" 2>/dev/null; wait "$starter_pid" 2>/dev/null; starter_pid=""
check killed "a partial runtime archive is left behind" test -f "$loader/java.zip.part"
check killed "the runtime was being unpacked as it arrived" test -f "$loader/java.staging/jdk/lib/modules"
check killed "nothing was published" test ! -e "$loader/java"
check killed "the verified jar is in place" test "$(sha "$loader/launcher.jar")" = "$jar_sha"
# A stale partial file longer than the real one: only a restart from byte 0 gives the right digest.
head -c $((8 << 20)) /dev/zero | tr '\0' 'X' > "$loader/java.zip.part"
write_manifest "$jar_url" "$jar_sha" "http://127.0.0.1:$nginx_port/files/big/java-x64.zip" "$big_sha"
jars=$(count_requests /files/Morvanta.jar)
start_starter; wait_end 120
check killed "the next start completes with exit code 0" test "$exit_code" = 0
check killed "the archive is the served one" test "$(sha "$loader/java.zip" 2>/dev/null)" = "$big_sha"
check killed "no partial file remains" test ! -e "$loader/java.zip.part"
check killed "the jar is not fetched again" test "$(count_requests /files/Morvanta.jar)" = "$jars"
check killed "Java is launched" launched
record killed "killed during the runtime download and its unpack; the next start overwrote the stale .part from byte 0, kept the verified jar and launched"

echo "== killed half way through the runtime, then started again"
clean_game
fault_server ""
zip_size=$(size_of "$files/java-x64.zip")
half=$((zip_size / 2))
# Paced so that a second of bytes (what a record refreshed each second may lose) is under 7 % of the file.
resumed_path="/ranged/java-x64.zip?slow=$((zip_size / 16))&run=kill"
write_manifest "$jar_url" "$jar_sha" "http://127.0.0.1:$fault_port$resumed_path" "$big_sha"
start_starter
wait_for 60 larger_than "$loader/java.zip.part" "$half"
kill -9 "$starter_pid" 2>/dev/null; wait "$starter_pid" 2>/dev/null; starter_pid=""
check resumed "a record is left beside the part" test -f "$loader/java.zip.part.resume"
start_starter; wait_end 120
served=$(awk -v p="$resumed_path" '$1 == p {s += $2} END {print s + 0}' "$state/fault/served.log")
check resumed "the next start completes (exit $exit_code)" test "$exit_code" = 0
check resumed "the archive is the served one" test "$(sha "$loader/java.zip" 2>/dev/null)" = "$big_sha"
check resumed "the second start asked for the rest" grep -qF "$resumed_path range=" "$fault_log"
check resumed "bytes served over both starts stay within 1.10 times the file ($served of $zip_size)" \
    test $((served * 100)) -le $((zip_size * 110))
record resumed "killed past half way: the next start resumed from the record, $served bytes served for a $zip_size-byte file"

echo "== disk full"
clean_game
mkdir -p "$smallfs"
if mount -t tmpfs -o size=16m tmpfs "$smallfs" 2>/dev/null; then
    # Mounted at the game directory itself: a link there would not be used at all.
    umount "$smallfs"
    mkdir -p "$game"
    mount -t tmpfs -o size=16m tmpfs "$game"
    smallfs=$game
    head -c $((12 << 20)) /dev/zero > "$smallfs/filler"
    write_manifest "$jar_url" "$jar_sha" "http://127.0.0.1:$nginx_port/files/big/java-x64.zip" "$big_sha"
    for attempt in 1 2; do
        jars=$(count_requests /files/Morvanta.jar)
        zips=$(count_requests /files/big/java-x64.zip)
        start_starter
        wait_for 60 requested_more_than /files/big/java-x64.zip "$zips"
        still_up_then_close 6
        check diskfull "run $attempt fails and stays up with its message" test "$up" = yes
        check diskfull "run $attempt leaves no archive or partial file" test ! -e "$loader/java.zip" -a ! -e "$loader/java.zip.part"
        check diskfull "run $attempt keeps the jar intact" test "$(sha "$loader/launcher.jar")" = "$jar_sha"
        check diskfull "run $attempt does not launch" not_launched
        [ $attempt = 2 ] && check diskfull "the intact jar is only hashed" test "$(count_requests /files/Morvanta.jar)" = "$jars"
    done
    rm -f "$smallfs/filler"
    jars=$(count_requests /files/Morvanta.jar)
    start_starter; wait_end 120
    check diskfull "after space is freed the next start completes" test "$exit_code" = 0
    check diskfull "Java is launched" launched
    check diskfull "the jar is not fetched again" test "$(count_requests /files/Morvanta.jar)" = "$jars"
    umount "$smallfs"
    smallfs=$state/smallfs
    clean_game
    record diskfull "runtime download failed on a full 16 MiB drive (Java download failure, jar intact, nothing partial left); after freeing space the next start completed"
else
    skipped=$((skipped + 1))
    record diskfull "SKIPPED: this machine cannot mount a tmpfs"
    echo "  skipped: cannot mount a tmpfs here"
fi

echo "== stalled manifest server"
clean_game
fault_server "/slow/1000/2/600000"
write_manifest "$jar_url" "$jar_sha" "$small_url" "$small_sha"
start_starter; wait_end 150
took=$(elapsed_ms)
check stall "the run falls back to the next server and completes (exit $exit_code)" test "$exit_code" = 0
check stall "Java is launched" launched
record stall "first server sent headers and stalled: after ${took} ms the second server served and the run completed"

echo "== manifest server trickling its headers"
clean_game
fault_server "/trickle-headers/10000"
write_manifest "$jar_url" "$jar_sha" "$small_url" "$small_sha"
manifests=$(count_requests /starter/launcher.json)
start_starter
wait_for 60 requested_more_than /starter/launcher.json "$manifests"; asked=$?
took=$(elapsed_ms)
wait_end 60
check trickle-headers "the second server was asked within 60 s (${took} ms)" test "$asked" = 0
check trickle-headers "the run completes (exit $exit_code)" test "$exit_code" = 0
record trickle-headers "first server sent its headers a byte every 10 s: the second server was asked after ${took} ms, run completed"

echo "== stalled file download"
clean_game
fault_server ""
write_manifest "$jar_url" "$jar_sha" "http://127.0.0.1:$fault_port/slow/1000000/2/600000?name=java-x64.zip" "$small_sha"
start_starter
wait_for 30 test -e "$loader/java.zip.part"
if wait_for 120 test ! -e "$loader/java.zip.part"; then gave_up=yes; else gave_up=no; fi
took=$(elapsed_ms)
still_up_then_close 2
check stall "the stalled download is given up" test "$gave_up" = yes
check stall "the run stays up with its message" test "$up" = yes
check stall "the jar stays in place" test "$(sha "$loader/launcher.jar")" = "$jar_sha"
check stall "no archive is left" test ! -e "$loader/java.zip"
record stall "runtime download stalled after the headers: given up after ${took} ms (Java download failure), jar kept"

# The runtime from the fault server's ranged route, misbehaving on its first request.
ranged_run() {  # scenario, query
    clean_game
    fault_server ""
    ranged_path="/ranged/java-x64.zip?$2"
    write_manifest "$jar_url" "$jar_sha" "http://127.0.0.1:$fault_port$ranged_path" "$big_sha"
    start_starter; wait_end 150
    took=$(elapsed_ms)
    check "$1" "the run completes (exit $exit_code)" test "$exit_code" = 0
    check "$1" "the archive is the served one" test "$(sha "$loader/java.zip" 2>/dev/null)" = "$big_sha"
    check "$1" "Java is launched" launched
}
ranged_requests() { grep -F "$ranged_path" "$fault_log" | sed "s|^$ranged_path||" | tr '\n' ';'; }
zip_size=$(size_of "$files/java-x64.zip")
half=$((zip_size / 2))

echo "== runtime download cut at half way"
ranged_run cut "cut=$half"
from=$(grep -F "$ranged_path range=" "$fault_log" | head -1 | sed 's/.* range=//')
served=$((half + zip_size - ${from:-0}))
check cut "the rest is asked from the cut on" test "$(ranged_requests)" = "; range=$half;"
check cut "bytes served stay under 1.15 times the size ($served of $zip_size)" test $((served * 100)) -lt $((zip_size * 115))
record cut "cut after $half of $zip_size bytes: the next attempt asked for the rest, $served bytes served in all, launched"

echo "== runtime download cut at half way, then the resume refused once"
ranged_run cut503 "cut=$half&status2=503"
served=$(awk -v p="$ranged_path" '$1 == p {s += $2} END {print s + 0}' "$state/fault/served.log")
check cut503 "the part outlived the 503: both resumes asked from the cut" test "$(ranged_requests)" = "; range=$half; range=$half;"
check cut503 "bytes served stay within 1.10 times the size ($served of $zip_size)" test $((served * 100)) -le $((zip_size * 110))
record cut503 "cut after $half bytes, a 503 to the resume, then the rest: $served bytes served for $zip_size"

echo "== runtime server answering a range with other bytes"
ranged_run lying-range "cut=$half&ranges=wrong"
check lying-range "a range was asked, then the whole file" test "$(ranged_requests)" = "; range=$half;;"
record lying-range "a 206 from byte 0 for a range from $half was refused: the whole file fetched again, verified, launched"

echo "== runtime server trickling after half way"
ranged_run trickle "stall=$half"
check trickle "recovered within 75 s (${took} ms)" test "$took" -lt 75000
record trickle "10 bytes/s after half way: the attempt was cut and the rest fetched, the run completed in ${took} ms"

echo "== runtime server busy once"
ranged_run busy "status=503"
check busy "asked again after the 503" test "$(ranged_requests)" = ";;"
record busy "a 503 before the 200: asked again a second later, run completed"

echo "== staging folder held by a scanner while it is published"
clean_game
write_manifest "$jar_url" "$jar_sha" "$small_url" "$small_sha"
# Wine refuses the folder's rename (error 32) while it is open without delete sharing.
"$wine_run" "$hold_folder" 'C:\.Morvanta\loader\java.staging' "Z:$state/scanner-ready" 'C:\.Morvanta\loader\java.staging\jdk\bin\javaw.exe' 1000 \
    >/dev/null 2>&1 &
holder_pid=$!
start_starter; wait_end 120
wait "$holder_pid"; held=$?
check scanner "the folder was held" test "$held" = 0
check scanner "the run completes (exit $exit_code)" test "$exit_code" = 0
check scanner "Java is launched" launched
record scanner "java.staging held open without delete sharing for 1 s as it was published: the rename was tried again and succeeded"

echo "== the player's proxy"
clean_game
fault_server ""
proxy_log=$state/proxy.log
: > "$proxy_log"
/usr/bin/python3 "$root/tests/servers/forward_proxy.py" $proxy_port "$proxy_log" 300 &
proxy_pid=$!
# The per-user Internet settings as the Windows dialog stores them: a named proxy, no bypass list.
settings_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections'
settings=$(/usr/bin/python3 -c 'import struct,sys; p=sys.argv[1].encode(); print((struct.pack("<IIII",0x46,1,3,len(p))+p+struct.pack("<II",0,0)+bytes(32)).hex())' "127.0.0.1:$proxy_port")
"$wine_run" reg add "$settings_key" /v DefaultConnectionSettings /t REG_BINARY /d "$settings" /f >/dev/null 2>&1
# Only the proxy resolves this host name.
proxied=updates.morvanta.test
write_manifest "http://$proxied:$nginx_port/files/Morvanta.jar" "$jar_sha" "http://$proxied:$nginx_port/files/small/java-x64.zip" "$small_sha"
start_starter; wait_end 120
"$wine_run" reg delete "$settings_key" /v DefaultConnectionSettings /f >/dev/null 2>&1
kill "$proxy_pid" 2>/dev/null; wait "$proxy_pid" 2>/dev/null; proxy_pid=""
check proxy "the run completes through the proxy (exit $exit_code)" test "$exit_code" = 0
check proxy "Java is launched" launched
check proxy "the proxy carried the runtime request" grep -q "GET http://$proxied:$nginx_port/files/small/java-x64.zip" "$proxy_log"
check proxy "the proxy carried the manifest request" grep -q "/starter/launcher.json" "$proxy_log"
record proxy "a proxy in the user's Internet settings, files on a host name only it resolves: the run completed through it"

echo "== a proxy that asks for a password"
clean_game
fault_server ""
: > "$proxy_log"
/usr/bin/python3 "$root/tests/servers/forward_proxy.py" $proxy_port "$proxy_log" 300 basic &
proxy_pid=$!
"$wine_run" reg add "$settings_key" /v DefaultConnectionSettings /t REG_BINARY /d "$settings" /f >/dev/null 2>&1
write_manifest "$jar_url" "$jar_sha" "$small_url" "$small_sha"
start_starter; wait_end 120
"$wine_run" reg delete "$settings_key" /v DefaultConnectionSettings /f >/dev/null 2>&1
kill "$proxy_pid" 2>/dev/null; wait "$proxy_pid" 2>/dev/null; proxy_pid=""
check proxy407 "the proxy was asked" grep -q "/starter/launcher.json" "$proxy_log"
check proxy407 "the run completes directly (exit $exit_code)" test "$exit_code" = 0
check proxy407 "Java is launched" launched
check proxy407 "the support log says the proxy asks for a password" \
    grep -rqs "the proxy asks for a password" "$loader/logs"
record proxy407 "the user's proxy answered 407 asking for a password: each request went directly once, the run completed"

echo "== oversized manifest"
clean_game
fault_server "/manifest-nolength/50000000"
write_manifest "$jar_url" "$jar_sha" "$small_url" "$small_sha"
start_starter
peak_kb=0
while kill -0 "$starter_pid" 2>/dev/null; do
    kb=$(awk '/VmHWM/ {print $2}' "/proc/$starter_pid/status" 2>/dev/null || echo 0)
    [ -n "$kb" ] && [ "$kb" -gt "$peak_kb" ] && peak_kb=$kb
    sleep 0.05
done
wait_end 1
check manifest "a 50 MB manifest counts as unreachable and the next server serves" test "$exit_code" = 0
check manifest "peak memory stays under 160 MiB (was $((peak_kb / 1024)) MiB)" test "$peak_kb" -lt $((160 * 1024))
record manifest "50 MB manifest without length from the first server: refused past 1 MiB, second server served; peak memory $((peak_kb / 1024)) MiB"

echo "== manifest of only a byte-order mark"
clean_game
fault_server "/bom"
start_starter; wait_end 120
check manifest "a BOM-only manifest counts as unreachable and the next server serves" test "$exit_code" = 0
check manifest "the first server was asked" grep -q "^/starter/launcher.json" "$fault_log"
record manifest "first server answered a byte-order mark only: no pairs, second server served, run completed"

echo "== every URL unusable"
clean_game
fault_server
write_manifest "https://bad host/Morvanta.jar" "" "http://127.0.0.1:99999/java-x64.zip" ""
start_starter
wait_for 30 test -d "$loader"
still_up_then_close 8
check manifest "the run stays up with its message" test "$up" = yes
check manifest "nothing but the support log and the work-files lock is written to the work folder" \
    test -z "$(ls -A "$loader" 2>/dev/null | grep -vx -e logs -e work-files.lock)"
record manifest "manifest whose URLs cannot be parsed: launcher download failure, work folder empty"

echo "== hostile runtime archives"
for kind in traversal absolute rooted stream long bomb; do
    clean_game
    mkdir -p "$files/hostile/$kind"
    cp "$files/hostile-$kind.zip" "$files/hostile/$kind/java-x64.zip"
    write_manifest "$jar_url" "$jar_sha" "http://127.0.0.1:$nginx_port/files/hostile/$kind/java-x64.zip" \
        "$(sha "$files/hostile-$kind.zip")"
    zips=$(count_requests "/files/hostile/$kind/java-x64.zip")
    start_starter
    wait_for 60 requested_more_than "/files/hostile/$kind/java-x64.zip" "$zips"
    still_up_then_close 6
    check "hostile-$kind" "the run stays up with its message" test "$up" = yes
    check "hostile-$kind" "the verified archive was kept" test -f "$loader/java.zip"
    check "hostile-$kind" "Java is not launched" not_launched
    escaped=$(find "$WINEPREFIX/drive_c" / -xdev -name 'evil-*' -not -path "$loader/java.staging/*" 2>/dev/null | head -3)
    check "hostile-$kind" "nothing exists outside the staging folder" test -z "$escaped"
    check "hostile-$kind" "no runtime folder is published" test ! -e "$loader/java"
    used=$(du -sk "$loader/java.staging" 2>/dev/null | cut -f1)
    check "hostile-$kind" "the runtime folder stays small (${used:-0} KiB)" test "${used:-0}" -lt 4096
    record "hostile-$kind" "matching digest, unpacking refused (unpack failure), nothing outside the staging folder, nothing published, ${used:-0} KiB unpacked"
done
clean_game

echo
echo "| Scenario | Outcome |"
echo "|---|---|"
printf '%s\n' "${results[@]}"
echo
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
