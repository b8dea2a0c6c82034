#!/usr/bin/env bash
# Builds everything and runs every test: the Windows suite under Wine, built
# once with MinGW-w64 GCC and once with clang + lld (one after the other: the
# suites share fixed ports and the game directory), then the native suite
# (sanitizers, fuzz smoke runs, differential and tool tests). Warnings in the
# project's own sources are errors here. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "${1:-}" = "--inside-display" ]; then
    preset=$2
    export WINEPREFIX="$root/build/$preset/wineprefix"
    # One long-lived wineserver for the whole Wine suite.
    cmake/wine-run.sh cmd /c exit >/dev/null 2>&1 || true   # makes the prefix once
    WINEDEBUG=-all wineserver -p || true
    trap 'WINEDEBUG=-all wineserver -k >/dev/null 2>&1 || true' EXIT
    ctest --preset "$preset" -j2
    exit
fi

scripts/setup.sh
windows_status=0
for preset in windows windows-clang; do
    started=$(date +%s)
    cmake --preset "$preset" -DMORVANTA_WARNINGS_AS_ERRORS=ON
    cmake --build --preset "$preset" -j"$(nproc)"
    xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --inside-display "$preset" || windows_status=$?
    echo "$preset: built and tested in $(($(date +%s) - started)) s"
done

cmake --preset native
cmake --build --preset native -j"$(nproc)"
native_status=0
ctest --preset native || native_status=$?

echo "Windows suite: $([ $windows_status -eq 0 ] && echo passed || echo FAILED); native suite: $([ $native_status -eq 0 ] && echo passed || echo FAILED)"
[ $windows_status -eq 0 ] && [ $native_status -eq 0 ]
