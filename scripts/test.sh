#!/usr/bin/env bash
# Builds everything and runs every test: the Windows suite under Wine, built
# once with MinGW-w64 GCC and once with clang + lld, then the native suite
# (sanitizers, fuzz smoke runs, differential and tool tests). Warnings in the
# project's own sources are errors here. Exits non-zero on any failure.
#
# The two Windows suites mostly wait on servers, stalls and time-outs, so each
# runs in a network namespace of its own (the suites use the same fixed ports;
# each build has its own Wine prefix, so its own game directory and mutexes),
# side by side with the next build. Where namespaces are not available (not
# root), they run one after the other.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "${1:-}" = "--inside-display" ]; then
    preset=$2
    export WINEPREFIX="$root/build/$preset/wineprefix"
    # One long-lived wineserver for the whole Wine suite.
    cmake/wine-run.sh --keep-server   # makes the prefix once
    trap 'WINEDEBUG=-all wineserver -k >/dev/null 2>&1 || true' EXIT
    ctest --preset "$preset" -j3
    exit
fi

# A Windows suite on a display of its own, in its own network namespace when it can be.
windows_suite() {
    local preset=$1
    if [ "$isolated" = 1 ]; then
        unshare -n bash -c 'ip link set lo up; exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --inside-display "$1"' \
            "$0" "$preset"
    else
        xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --inside-display "$preset"
    fi
}

scripts/setup.sh
isolated=0
if unshare -n true 2>/dev/null; then isolated=1; fi

started=$(date +%s)
declare -A suite_pid
for preset in windows windows-clang; do
    cmake --preset "$preset" -DMORVANTA_WARNINGS_AS_ERRORS=ON
    cmake --build --preset "$preset" -j"$(nproc)"
    echo "$preset: built at +$(($(date +%s) - started)) s"
    log="$root/build/$preset/test-suite.log"
    if [ "$isolated" = 1 ]; then
        ( windows_suite "$preset" >"$log" 2>&1; echo $? >"$log.status" ) &
        suite_pid[$preset]=$!
    else
        ( windows_suite "$preset"; echo $? >"$log.status" ) 2>&1 | tee "$log"
    fi
done

cmake --preset native
cmake --build --preset native -j"$(nproc)"
native_status=0
ctest --preset native || native_status=$?
echo "native: built and tested at +$(($(date +%s) - started)) s"

windows_status=0
for preset in windows windows-clang; do
    log="$root/build/$preset/test-suite.log"
    if [ -n "${suite_pid[$preset]:-}" ]; then
        wait "${suite_pid[$preset]}" || true
        echo "----- $preset suite -----"
        cat "$log"
    fi
    status=$(cat "$log.status" 2>/dev/null || echo 1)
    [ "$status" = 0 ] || windows_status=$status
    echo "$preset: tested by +$(($(date +%s) - started)) s, exit $status"
done

echo "Windows suite: $([ $windows_status -eq 0 ] && echo passed || echo FAILED); native suite: $([ $native_status -eq 0 ] && echo passed || echo FAILED)"
[ $windows_status -eq 0 ] && [ $native_status -eq 0 ]
