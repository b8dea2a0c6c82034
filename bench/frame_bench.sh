#!/usr/bin/env bash
# Splash frame cost under Wine on a virtual X screen: bench/frame_bench.sh [frames]
# (MORVANTA_BUILD_DIR picks the build folder, default build/windows). Not a test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${MORVANTA_BUILD_DIR:-build/windows}
build=$(mkdir -p "$build" && cd "$build" && pwd)
export WINEPREFIX=$build/wineprefix
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" --toolchain "$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target frame_bench >/dev/null
# Inside bench/run_benchmarks.sh, its Xvfb (and Wine's desktop on it) is used.
if [ -n "${MORVANTA_BENCH_DISPLAY:-}" ]; then
    cmake/wine-run.sh "$build/bench/frame_bench.exe" "${1:-600}" | tr -d '\r'
else
    xvfb-run -a -s "-screen 0 2560x1440x24" cmake/wine-run.sh "$build/bench/frame_bench.exe" "${1:-600}" | tr -d '\r'
fi
