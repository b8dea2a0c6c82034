#!/usr/bin/env bash
# Takes the splash screenshot shown in the README: the starter built against
# servers that never answer, under Wine on a virtual X screen, captured by the
# window test once the failure line is up. Writes docs/splash.png.
#   tools/splash_screenshot.sh        (MORVANTA_BUILD_DIR picks the build, default build/windows)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${MORVANTA_BUILD_DIR:-build/windows}
build=$(mkdir -p "$build" && cd "$build" && pwd)
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" --toolchain "$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target splash_window_tests MorvantaStarterOffline >/dev/null
rm -f "$build/tests/splash_window.png"
(cd "$build" && xvfb-run -a -s "-screen 0 1920x1080x24" \
    ctest -R '^splash_window_tests$' --output-on-failure >/dev/null)
mkdir -p docs
cp "$build/tests/splash_window.png" docs/splash.png
echo "docs/splash.png written"
