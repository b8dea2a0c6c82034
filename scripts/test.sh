#!/usr/bin/env bash
# Builds everything and runs every test; exits non-zero on any failure.
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
xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --inside-display
