#!/usr/bin/env bash
# Builds everything and runs every test: the Windows suite under Wine, then the
# native suite (sanitizers, fuzz smoke runs, differential and tool tests).
# Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
export WINEPREFIX="$root/build/windows/wineprefix"

if [ "${1:-}" = "--inside-display" ]; then
    # One long-lived wineserver for the whole Wine suite.
    cmake/wine-run.sh cmd /c exit >/dev/null 2>&1 || true   # makes the prefix once
    WINEDEBUG=-all wineserver -p || true
    trap 'WINEDEBUG=-all wineserver -k >/dev/null 2>&1 || true' EXIT
    ctest --preset windows -j2
    exit
fi

scripts/setup.sh
cmake --preset windows
cmake --build --preset windows -j"$(nproc)"
windows_status=0
xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --inside-display || windows_status=$?

cmake --preset native
cmake --build --preset native -j"$(nproc)"
native_status=0
ctest --preset native || native_status=$?

echo "Windows suite: $([ $windows_status -eq 0 ] && echo passed || echo FAILED); native suite: $([ $native_status -eq 0 ] && echo passed || echo FAILED)"
[ $windows_status -eq 0 ] && [ $native_status -eq 0 ]
