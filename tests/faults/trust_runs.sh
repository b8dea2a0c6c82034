#!/usr/bin/env bash
# Whole-program runs against what another local account can plant, and against a
# run cut while it unpacks: the real starter under Wine against nginx on loopback.
#
#   trust_runs.sh <starter.exe> <java stand-in.exe> <state dir> <hold_folder.exe>
#
# The starter must be built with the servers
#   http://127.0.0.1:19380 (nginx) ; http://127.0.0.1:19389 ; http://127.0.0.1:19389 (nothing)
# Links are made with the host's ln: under Wine CreateSymbolicLinkW does nothing.
set -uo pipefail
starter=$(realpath "$1")
stand_in=$(realpath "$2")
state=$(mkdir -p "$3" && cd "$3" && pwd)
hold_folder=$(realpath "$4")
root=$(cd "$(dirname "$0")/../.." && pwd)
wine_run=$root/cmake/wine-run.sh
nginx=$root/tests/servers/nginx.sh

nginx_port=19380
files=$state/www/files
access_log=$state/nginx/access.log

outside=$state/outside

source "$root/tests/faults/run_lib.sh"

holder_pid=""
cleanup() {
    [ -n "$starter_pid" ] && kill -9 "$starter_pid" 2>/dev/null
    [ -n "$holder_pid" ] && kill -9 "$holder_pid" 2>/dev/null
    "$nginx" stop "$state/nginx" >/dev/null 2>&1
    clean_game
}
trap cleanup EXIT

# Links inside the game directory are removed as links before anything else goes.
clean_game() {
    [ -e "$game" ] || [ -L "$game" ] || return 0
    find "$game" -type l -delete 2>/dev/null
    rm -rf "$game"
}

not_world_writable() { [ $(( 0$(stat -c %a "$1") & 2 )) -eq 0 ]; }
# A listing of names, sizes and digests, to show a folder was left as it was.
snapshot() { (cd "$1" && find . -type f -exec sha256sum {} + | sort); }
planted_never_ran() { [ -z "$(find "$game" "$outside" -name java-invocation.txt -not -path "$loader/java/jdk/*" 2>/dev/null)" ]; }
same_player_files() { diff <(echo "$1") <(snapshot "$game" | grep -v ' \./loader'); }

normal_start() {  # scenario
    start_starter; wait_end 120
    check "$1" "the start completes with exit code 0 (was $exit_code)" test "$exit_code" = 0
    check "$1" "Java from the fetched runtime is launched" launched
}

second_start_downloads_nothing() {  # scenario
    local jars zips
    rm -f "$loader/java/jdk/bin/java-invocation.txt"
    jars=$(count_requests /files/Morvanta.jar)
    zips=$(count_requests /files/java-x64.zip)
    normal_start "$1"
    check "$1" "a second start downloads nothing" \
        test "$(count_requests /files/Morvanta.jar)/$(count_requests /files/java-x64.zip)" = "$jars/$zips"
    check "$1" "a second start sets nothing aside" test -z "$(find "$game" -maxdepth 2 -name '*.untrusted-*' -newer "$state/second-start-mark" 2>/dev/null)"
}

mark_second_start() { touch "$state/second-start-mark"; sleep 1; }

# --- servers and files ---
/usr/bin/python3 "$root/tests/faults/make_fault_files.py" "$files" "$stand_in" || exit 1
cp "$files/small.zip" "$files/java-x64.zip"
mkdir -p "$files/cut" && cp "$files/java-first.zip" "$files/cut/java-x64.zip"
mkdir -p "$files/b" && cp "$files/runtime-b.zip" "$files/b/java-x64.zip"
mkdir -p "$files/nojava" && cp "$files/no-java.zip" "$files/nojava/java-x64.zip"
"$nginx" start "$state/nginx" $nginx_port 19480 "$state/www" 1500 >/dev/null || { echo "nginx did not start"; exit 1; }
"$wine_run" cmd /c exit >/dev/null 2>&1
jar_url=http://127.0.0.1:$nginx_port/files/Morvanta.jar
jar_sha=$(sha "$files/Morvanta.jar")
zip_url=http://127.0.0.1:$nginx_port/files/java-x64.zip
zip_sha=$(sha "$files/java-x64.zip")
write_manifest "$jar_url" "$jar_sha" "$zip_url" "$zip_sha"

echo "== world-writable work folders with a planted Java"
clean_game
mkdir -p "$loader/java/planted/bin"
cp "$stand_in" "$loader/java/planted/bin/javaw.exe"
# Names Win32 path conversion would turn into a device or another file.
touch "$loader/COM1" "$loader/java/planted/aux.txt"
chmod 0777 "$loader" "$loader/java"
zips=$(count_requests /files/java-x64.zip)
normal_start planted
check planted "the planted javaw.exe never runs" planted_never_ran
check planted "the runtime is fetched into a new folder" test "$(count_requests /files/java-x64.zip)" = $((zips + 1))
check planted "the new work folder is not world-writable" not_world_writable "$loader"
check planted "the set-aside folder is removed once the run has its files" test -z "$(find "$game" -path '*untrusted-*')"
check planted "the support log names the work folder that was set aside" \
    grep -q 'work folder C:\\\.Morvanta\\loader was set aside as C:\\\.Morvanta\\loader\.untrusted-' "$loader/logs/starter.log"
mkdir -p "$loader/starter.untrusted-0123456789abcdef/x"
mark_second_start
second_start_downloads_nothing planted
check planted "a set-aside starter folder is removed with the others" test ! -e "$loader/starter.untrusted-0123456789abcdef"
record planted "loader and loader\\java mode 0777 with a planted bin\\javaw.exe, COM1 and aux.txt: set aside and removed, runtime fetched anew, planted file never ran; second start downloaded nothing and removed a starter.untrusted-* folder"

echo "== a work folder from an earlier version: inherited rights, intact files"
clean_game
normal_start upgrade-setup
chmod -R a+w "$loader"   # what the root of C: gives every folder made in it
jars=$(count_requests /files/Morvanta.jar)
zips=$(count_requests /files/java-x64.zip)
rm -f "$loader/java/jdk/bin/java-invocation.txt"
normal_start upgrade
check upgrade "the work folder is made anew" not_world_writable "$loader"
check upgrade "the verified jar and archive are copied out, nothing is downloaded" \
    test "$(count_requests /files/Morvanta.jar)/$(count_requests /files/java-x64.zip)" = "$jars/$zips"
check upgrade "the copies are fresh files with one name each" \
    test "$(stat -c %h "$loader/launcher.jar")/$(stat -c %h "$loader/java.zip")" = 1/1
check upgrade "the old folder is removed" test -z "$(find "$game" -maxdepth 1 -name 'loader.untrusted-*')"
mark_second_start
second_start_downloads_nothing upgrade
record upgrade "loader left writable by everyone (as an earlier version made it) with an intact jar and archive: set aside, both copied out by digest, runtime unpacked again, nothing downloaded, old folder removed"

echo "== a sparse planted launcher jar of 4 GiB in a work folder that is set aside"
clean_game
normal_start sparse-setup
chmod -R a+w "$loader"
rm -f "$loader/launcher.jar" "$loader/java.zip" && truncate -s 4G "$loader/launcher.jar"
head -c 268435456 /dev/zero > "$loader/java.zip"   # allocated: hashed, never copied
jars=$(count_requests /files/Morvanta.jar)
zips=$(count_requests /files/java-x64.zip)
peak=0
start_starter
while kill -0 "$starter_pid" 2>/dev/null && [ "$(elapsed_ms)" -lt 120000 ]; do
    used=$(du -sk "$game" 2>/dev/null | cut -f1)
    [ "${used:-0}" -gt "$peak" ] && peak=$used
    sleep 0.1
done
sparse_ms=$(elapsed_ms)
wait_end 1
check sparse "the start completes with exit code 0 (was $exit_code)" test "$exit_code" = 0
check sparse "the jar is fetched, not copied out" test "$(count_requests /files/Morvanta.jar)" = $((jars + 1))
check sparse "the runtime archive is fetched, not copied out" test "$(count_requests /files/java-x64.zip)" = $((zips + 1))
check sparse "disk use stayed far below the planted sizes (peak ${peak} KiB)" test "$peak" -lt 393216
record sparse "a sparse 4 GiB launcher.jar and an allocated 256 MiB java.zip, both wrong, in a writable work folder: neither copied (peak disk use ${peak} KiB), both fetched; run took ${sparse_ms} ms"

echo "== another process renames loader or the game directory while the launch holds them"
clean_game
normal_start hold-setup
# A large planted set-aside folder: removed while the hold is in place, it keeps the hold up long enough
# to try. More files than the removal's 2 s budget can take, so the hold lasts the whole budget even
# where Wine deletes fast.
planted=$game/loader.untrusted-77
mkdir -p "$planted" && (cd "$planted" && seq 1 80000 | xargs touch)
remaining() { find "$planted" -maxdepth 1 -type f 2>/dev/null | wc -l; }
rm -f "$loader/java/jdk/bin/java-invocation.txt" "$state/ren-ready" "$state/ren-result"
# The renamer waits, started beforehand, and renames within a millisecond of the first
# removal in the planted folder: the removal under the hold lasts at most 2 s, less than
# a program takes to start under Wine, and a script polling the folder is slower still.
"$wine_run" "$hold_folder" --rename "Z:$state/ren-ready" "Z:$planted" "Z:$state/ren-result" \
    'C:\.Morvanta\loader' 'C:\.Morvanta\loader.moved' 'C:\.Morvanta' 'C:\.Morvanta.moved' >/dev/null 2>&1 &
renamer=$!
wait_for 30 test -f "$state/ren-ready"
start_starter
at_go=80000
wait "$renamer"
left=$(remaining)
sleep 0.5
later=$(remaining)
# A rename that went through only after the removal had ended may have come after the
# hold was let go (the close request follows it), and proves nothing either way.
if grep -qs '^moved' "$state/ren-result" && [ "$later" = "$left" ]; then
    skipped=$((skipped + 1))
    echo "  skipped: the renames came after the removal under the hold had ended ($left planted files left)"
    record hold "skipped: the renamer got its turn after the removal under the hold had ended ($left planted files left)"
    wait_end 120
else
check hold "the renames were tried while the removal under the hold went on ($at_go planted files, $left after the renames)" \
    test "$left" -lt "$at_go"
check hold "both renames were refused ($(tr '\n' ' ' < "$state/ren-result" 2>/dev/null))" \
    test "$(grep -cs '^refused' "$state/ren-result")" = 2
check hold "loader is still at its name" test -d "$loader" -a ! -e "$game/loader.moved"
check hold "the game directory is still at its name" test -d "$game" -a ! -e "$game.moved"
wait_end 120
check hold "the start completes with exit code 0 (was $exit_code)" test "$exit_code" = 0
check hold "Java is launched" launched
record hold "loader and C:\\.Morvanta renamed by a second process while the launch holds them ($left planted files still to remove): both refused, Java launched"
fi
rm -rf "$game.moved"

echo "== twenty planted loader.untrusted-* entries that cannot be removed"
clean_game
normal_start stall-setup
time_to_launch() {  # scenario
    rm -f "$loader/java/jdk/bin/java-invocation.txt"
    start_starter
    wait_for 120 test -f "$loader/java/jdk/bin/java-invocation.txt"
    launch_ms=$(elapsed_ms)
    wait_end 120
    end_ms=$(elapsed_ms)
    check "$1" "the start completes with exit code 0 (was $exit_code)" test "$exit_code" = 0
}
time_to_launch stall-baseline
base_launch=$launch_ms base_end=$end_ms
held_files=()
for i in $(seq 1 20); do
    mkdir -p "$game/loader.untrusted-$i" && echo x > "$game/loader.untrusted-$i/held.txt"
    held_files+=("C:\\.Morvanta\\loader.untrusted-$i\\held.txt")
done
rm -f "$state/held20"
"$wine_run" "$hold_folder" --files "Z:$state/held20" "${held_files[@]}" >/dev/null 2>&1 &
holder_pid=$!
wait_for 30 test -f "$state/held20"
time_to_launch stall
stall_launch=$launch_ms stall_end=$end_ms
check stall "the launch came within 5 s of an unplanted start's (${launch_ms} ms against ${base_launch} ms)" \
    test "$launch_ms" -lt $((base_launch + 5000))
check stall "the run ended within 5 s of an unplanted start's (${end_ms} ms against ${base_end} ms)" \
    test "$end_ms" -lt $((base_end + 5000))
check stall "the held entries wait for a later start" test -e "$game/loader.untrusted-20/held.txt"
kill -9 "$holder_pid" 2>/dev/null; wait "$holder_pid" 2>/dev/null; holder_pid=""
"$wine_run" cmd /c exit >/dev/null 2>&1
time_to_launch stall-later
check stall-later "once nobody holds them, a later start removes them" test -z "$(find "$game" -maxdepth 1 -name 'loader.untrusted-*')"
record stall "twenty loader.untrusted-* entries, each with a file held open without sharing: launched after ${stall_launch} ms (${base_launch} ms without them), ended after ${stall_end} ms (${base_end} ms); removed by a later start"

echo "== runtime folder replaced by a link to a folder elsewhere"
clean_game
normal_start link-setup
rm -rf "$outside" && mkdir -p "$outside/bin"
cp "$stand_in" "$outside/bin/javaw.exe"
echo "player data" > "$outside/keep.txt"
before=$(snapshot "$outside")
rm -rf "$loader/java"
ln -s "$outside" "$loader/java"
# The log's rotation and its new file go through links at the logs' names neither.
echo "outside log" > "$state/outside.log"
ln -sf "$state/outside.log" "$loader/logs/starter.4.log"
ln -sf "$state/outside.log" "$loader/logs/starter.log"
normal_start link
check link "the file a log name linked to is untouched" test "$(cat "$state/outside.log" 2>/dev/null)" = "outside log"
check link "this run's log is a plain file of its own" test -f "$loader/logs/starter.log" -a ! -L "$loader/logs/starter.log"
check link "nothing in the link's target is run, written or deleted" test "$(snapshot "$outside")" = "$before"
check link "the runtime folder is a plain folder again" test -d "$loader/java" -a ! -L "$loader/java"
# loader was trusted at the start, so the lock was taken in it before it was set aside.
check link "the lock moved into the new work folder: none is left in the one set aside" \
    test -z "$(find "$game" -path '*untrusted-*' -name work-files.lock 2>/dev/null)"
# Windows removes the link as a link; Wine cannot remove a host link without following it, so it stays.
check link "the link is removed as a link or left alone, never followed" \
    bash -c 'for f in "$1"/loader.untrusted-*/java; do test ! -e "$f" -o -L "$f" || exit 1; done' - "$game"
mark_second_start
second_start_downloads_nothing link
record link "loader\\java a symbolic link to a folder outside: the work folder set aside with the link inside as a link, runtime made anew, target untouched; second start downloaded nothing"

echo "== launcher jar hard-linked to a file outside the game directory"
clean_game
normal_start hardlink-setup
cp "$files/Morvanta.jar" "$state/outside.jar"
ln -f "$state/outside.jar" "$loader/launcher.jar"
jars=$(count_requests /files/Morvanta.jar)
rm -f "$loader/java/jdk/bin/java-invocation.txt"
normal_start hardlink
check hardlink "the jar is fetched again" test "$(count_requests /files/Morvanta.jar)" = $((jars + 1))
check hardlink "the jar has one name afterwards" test "$(stat -c %h "$loader/launcher.jar")" = 1
check hardlink "the outside file is unchanged" test "$(sha "$state/outside.jar")" = "$jar_sha"
mark_second_start
second_start_downloads_nothing hardlink
record hardlink "launcher.jar hard-linked to an outside file with the right content: fetched again, one link afterwards, outside file unchanged; second start downloaded nothing"

echo "== world-writable game directory with player files"
clean_game
mkdir -p "$game/saves/world1"
echo "save" > "$game/saves/world1/level.dat"
echo "lang=ru" > "$game/options.txt"
chmod 0777 "$game"
before=$(snapshot "$game")
normal_start gamedir
check gamedir "the game directory is repaired in place: no longer world-writable" not_world_writable "$game"
check gamedir "every player file is still there" same_player_files "$before"
mark_second_start
second_start_downloads_nothing gamedir
record gamedir "C:\\.Morvanta mode 0777 with player files: repaired in place (mode $(stat -c %a "$game") afterwards), every player file kept; second start downloaded nothing"

echo "== run cut while it unpacks a runtime whose Java comes first"
clean_game
cut_sha=$(sha "$files/cut/java-x64.zip")
write_manifest "$jar_url" "$jar_sha" "http://127.0.0.1:$nginx_port/files/cut/java-x64.zip" "$cut_sha"
start_starter
wait_for 120 bash -c "find '$loader' -name javaw.exe 2>/dev/null | grep -q ."
kill -9 "$starter_pid" 2>/dev/null; wait "$starter_pid" 2>/dev/null; starter_pid=""
modules=$(find "$loader" -path '*jdk/lib/modules' 2>/dev/null | head -1)
check cut "the run was cut with the runtime half unpacked ($(size_of "${modules:-/nonexistent}") bytes of modules)" \
    test "$(size_of "${modules:-/nonexistent}")" -lt 201326592
start_starter; wait_end 180
check cut "the next start completes with exit code 0 (was $exit_code)" test "$exit_code" = 0
check cut "Java is launched" launched
check cut "every file of the runtime is complete" /usr/bin/python3 - "$files/cut/java-x64.zip" "$loader/java" <<'PY'
import os, sys, zipfile, zlib
bad = []
for info in zipfile.ZipFile(sys.argv[1]).infolist():
    path = os.path.join(sys.argv[2], info.filename)
    if info.is_dir():
        continue
    data = open(path, "rb").read() if os.path.isfile(path) else b""
    if len(data) != info.file_size or zlib.crc32(data) != info.CRC:
        bad.append(info.filename)
print("  incomplete:", bad) if bad else None
sys.exit(1 if bad else 0)
PY
record cut "killed (SIGKILL) while unpacking, Java already out: the next start unpacked again and launched a complete runtime"

echo "== staging folder left by a cut run, holding a link to a folder outside"
clean_game
write_manifest "$jar_url" "$jar_sha" "$zip_url" "$zip_sha"
normal_start staging-setup
rm -rf "$outside" && mkdir -p "$outside/data"
echo "player data" > "$outside/data/keep.txt"
before=$(snapshot "$outside")
rm -rf "$loader/java"
mkdir -p "$loader/java.staging/jdk"
echo "half" > "$loader/java.staging/jdk/release"
ln -s "$outside" "$loader/java.staging/jdk/escape"
normal_start staging
check staging "the outside folder's content is untouched" test "$(snapshot "$outside")" = "$before"
check staging "no staging folder is left in the way" test ! -e "$loader/java.staging"
check staging "the runtime is published" test -f "$loader/java/jdk/bin/javaw.exe"
record staging "leftover java.staging with a link to an outside folder: cleared before unpacking (links never followed), outside content untouched"

echo "== a new runtime in the manifest reaches an installed machine"
b_url=http://127.0.0.1:$nginx_port/files/b/java-x64.zip
b_sha=$(sha "$files/b/java-x64.zip")
runtime_is_b() { [ -f "$loader/java/jdk/runtime-b.txt" ]; }
recorded() { [ "$(cat "$loader/java.source" 2>/dev/null)" = "$1" ]; }
fresh_launch() { rm -f "$loader/java/jdk/bin/java-invocation.txt"; normal_start "$1"; }
clean_game
write_manifest "$jar_url" "$jar_sha" "$zip_url" "$zip_sha"
normal_start update-setup
check update-setup "the installed runtime's archive is recorded" recorded "$zip_sha"
write_manifest "$jar_url" "$jar_sha" "$b_url" "$b_sha"
fresh_launch update
check update "runtime B is in place and its javaw.exe launched" runtime_is_b
check update "B's archive is recorded" recorded "$b_sha"
check update "runtime A is gone" test -z "$(find "$loader" -maxdepth 1 -name 'java.*-*')"
bs=$(count_requests /files/b/java-x64.zip)
mark_second_start
second_start_downloads_nothing update
check update "the second start does not fetch B again" test "$(count_requests /files/b/java-x64.zip)" = "$bs"
record update "runtime A installed, manifest names B: B fetched, published and launched, A removed; the second start downloaded nothing"

echo "== a machine set up by an earlier version: no record, matching java.zip"
write_manifest "$jar_url" "$jar_sha" "$zip_url" "$zip_sha"
clean_game
normal_start earlier-setup
rm -f "$loader/java.source"
touch "$loader/java/jdk/unpacked-earlier"
# What an earlier version made inherited read access for Users (Wine shows it as a mode).
cp "$loader/java.zip" "$loader/java.zip.part"
chmod o+r "$loader/launcher.jar" "$loader/java.zip" "$loader/java.zip.part"
private_now() { for f in "$@"; do [ $(( 0$(stat -c %a "$f") & 4 )) -eq 0 ] || return 1; done; }
zips=$(count_requests /files/java-x64.zip)
fresh_launch earlier
check earlier "nothing is unpacked: the runtime is used as it is" test -f "$loader/java/jdk/unpacked-earlier"
check earlier "nothing is downloaded for Java" test "$(count_requests /files/java-x64.zip)" = "$zips"
check earlier "the archive is recorded" recorded "$zip_sha"
check earlier "the files an earlier version made are private now ($(stat -c '%a' "$loader/launcher.jar" "$loader/java.zip" "$loader/java.zip.part" | tr '\n' ' '))" \
    private_now "$loader/launcher.jar" "$loader/java.zip" "$loader/java.zip.part"
record earlier "runtime and matching java.zip without a record, readable by others: the record written, the files made private, nothing downloaded or unpacked"

echo "== the old runtime of an install without a record is held open while a new one arrives"
# Windows refuses to rename a folder while a file inside is open or a program runs
# from it; Wine only refuses while the folder itself is held without delete sharing.
clean_game
normal_start held-setup
rm -f "$state/held" "$loader/java.source"
"$wine_run" "$hold_folder" 'C:\.Morvanta\loader\java' "Z:$state/held" >/dev/null 2>&1 &
holder_pid=$!
wait_for 30 test -f "$state/held"
write_manifest "$jar_url" "$jar_sha" "$b_url" "$b_sha"
bs=$(count_requests /files/b/java-x64.zip)
fresh_launch held
check held "the old runtime launched" bash -c "! test -f '$loader/java/jdk/runtime-b.txt'"
check held "the installed runtime's archive is recorded" recorded "$zip_sha"
check held "the new archive is kept" test "$(sha "$loader/java.zip")" = "$b_sha"
kill -9 "$holder_pid" 2>/dev/null; wait "$holder_pid" 2>/dev/null; holder_pid=""
"$root/cmake/wine-run.sh" cmd /c exit >/dev/null 2>&1
fresh_launch held-later
check held-later "the next start finishes the update" runtime_is_b
check held-later "B's archive is recorded" recorded "$b_sha"
check held-later "B was fetched once" test "$(count_requests /files/b/java-x64.zip)" = $((bs + 1))
record held "no java.source, loader\\java held open without delete sharing: the old runtime launched and recorded, B's archive kept; after the holder ended the next start published B without fetching it again"

echo "== a new runtime archive that holds no Java"
nojava_sha=$(sha "$files/nojava/java-x64.zip")
write_manifest "$jar_url" "$jar_sha" "http://127.0.0.1:$nginx_port/files/nojava/java-x64.zip" "$nojava_sha"
fresh_launch nojava
check nojava "runtime B stays in place" runtime_is_b
check nojava "B's record stays" recorded "$b_sha"
check nojava "no staging folder is left" test ! -e "$loader/java.staging"
record nojava "a matching archive without javaw.exe or java.exe: the installed runtime stays and launches"

echo "== loader swapped for a planted one, with a matching record, after the runtime step"
# On Windows a handle with DELETE kept on the game directory allows it; here the host renames.
# The old runtime is held so that the update's publish keeps retrying: the swap comes then.
write_manifest "$jar_url" "$jar_sha" "$zip_url" "$zip_sha"
planted=$state/planted-loader
rm -rf "$planted" && cp -a "$loader" "$planted"
rm -f "$loader/java/jdk/bin/java-invocation.txt" "$planted/java/jdk/bin/java-invocation.txt"
echo "$zip_sha" > "$planted/java.source"
rm -f "$state/held"
"$wine_run" "$hold_folder" 'C:\.Morvanta\loader\java' "Z:$state/held" >/dev/null 2>&1 &
holder_pid=$!
wait_for 30 test -f "$state/held"
start_starter
wait_for 60 test -f "$loader/java.staging/jdk/bin/javaw.exe"
sleep 0.7
mv "$loader" "$game/loader.swapped" && mv "$planted" "$loader"
# The refusal comes once the publish gives up, later on a busy machine: wait for its line.
refusal='launch hold refused C:\\\.Morvanta\\loader: another folder than the one checked'
wait_for 60 grep -qsa "$refusal" "$loader/logs/starter.log" "$game/loader.swapped/logs/starter.log"
still_up_then_close 1
kill -9 "$holder_pid" 2>/dev/null; wait "$holder_pid" 2>/dev/null; holder_pid=""
check swap "the planted Java never runs" test ! -f "$loader/java/jdk/bin/java-invocation.txt"
check swap "nor the swapped-out one" test ! -f "$game/loader.swapped/java/jdk/bin/java-invocation.txt"
check swap "the run fails, its window up" test "$up" = yes
check swap "the support log names the folder the hold refused" \
    grep -qsa "$refusal" "$loader/logs/starter.log" "$game/loader.swapped/logs/starter.log"
clean_game
"$wine_run" cmd /c exit >/dev/null 2>&1
record swap "loader renamed away and a planted copy (matching java.source, 0755 as Wine shows it) put in its place while the update's publish waited: the hold refused it as another folder, the planted Java never ran, the run failed"

echo
echo "| Scenario | Outcome |"
echo "|---|---|"
printf '%s\n' "${results[@]}"
echo
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
