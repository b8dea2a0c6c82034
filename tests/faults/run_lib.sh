# Shared by the whole-program runs in this folder: starting the starter under
# Wine, waiting for it, reading the servers' logs, and the pass/fail tally.
# The sourcing script sets: state, access_log, wine_run, starter; this sets
# WINEPREFIX (unless given), game and loader.

# Each script of runs has a Wine prefix of its own, a copy of the build's: its
# own game directory, mutexes and wineserver, so it runs beside the other whole
# runs of the suite instead of after them.
if [ -z "${WINEPREFIX:-}" ]; then
    build=$(dirname "$starter")
    while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
    WINEPREFIX=$build/wineprefix
fi
suite_prefix=$WINEPREFIX
export WINEPREFIX=$suite_prefix-$(basename "$0" .sh)
if [ ! -f "$WINEPREFIX/.ready" ] && [ -f "$suite_prefix/.ready" ]; then
    rm -rf "$WINEPREFIX"
    cp -a "$suite_prefix" "$WINEPREFIX"
fi
game=$WINEPREFIX/drive_c/.Morvanta
loader=$game/loader

passed=0
failed=0
skipped=0
results=()
starter_pid=""


check() {  # scenario name, condition text, command...
    local scenario=$1 what=$2
    shift 2
    if "$@"; then
        passed=$((passed + 1)); echo "  ok: $what"
    else
        failed=$((failed + 1)); echo "  FAILED: $what"; results+=("| $scenario | FAILED: $what |")
    fi
}
record() { results+=("| $1 | $2 |"); }

sha() { sha256sum "$1" | cut -d' ' -f1; }
size_of() { stat -c %s "$1" 2>/dev/null || echo 0; }
count_requests() { grep -c " $1 HTTP/" "$access_log" 2>/dev/null || true; }
# For wait_for, which re-runs its command: these read their figures afresh each time.
larger_than() { [ "$(size_of "$1")" -gt "$2" ]; }
requested_more_than() { [ "$(count_requests "$1")" -gt "$2" ]; }

write_manifest() {  # jar url, jar digest, zip url, zip digest
    mkdir -p "$state/www/starter"
    printf '{\n  "%s": "%s",\n  "%s": "%s"\n}\n' "$1" "$2" "$3" "$4" > "$state/www/starter/launcher.json.new"
    mv "$state/www/starter/launcher.json.new" "$state/www/starter/launcher.json"
}

clean_game() {
    if [ -L "$game" ]; then rm -f "$game"; else rm -rf "$game"; fi
}

start_starter() {
    "$wine_run" "$starter" >/dev/null 2>&1 &
    starter_pid=$!
    started_at=$(date +%s%N)
}

elapsed_ms() { echo $(( ($(date +%s%N) - started_at) / 1000000 )); }

# Waits for the run to end by itself; sets exit_code (or "hung").
wait_end() {  # timeout seconds
    local deadline=$((SECONDS + $1))
    while kill -0 "$starter_pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
    if kill -0 "$starter_pid" 2>/dev/null; then
        # A hung run would hold the single-instance lock against every later run.
        exit_code=hung
        kill -9 "$starter_pid" 2>/dev/null; wait "$starter_pid" 2>/dev/null
        starter_pid=""
        return
    fi
    wait "$starter_pid"; exit_code=$?
    starter_pid=""
}

# A failed run stays up with its message: still running after the settle time.
still_up_then_close() {  # settle seconds
    sleep "$1"
    if kill -0 "$starter_pid" 2>/dev/null; then
        up=yes
        kill -9 "$starter_pid" 2>/dev/null; wait "$starter_pid" 2>/dev/null
    else
        up=no
        wait "$starter_pid" 2>/dev/null
    fi
    starter_pid=""
}

wait_for() {  # timeout seconds, command...
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.1
    done
}

launched() { [ -f "$loader/java/jdk/bin/java-invocation.txt" ] || wait_for 5 test -f "$loader/java/jdk/bin/java-invocation.txt"; }
not_launched() { ! find "$loader" -name java-invocation.txt 2>/dev/null | grep -q .; }

