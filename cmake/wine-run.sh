#!/bin/sh
# Runs a Windows program under Wine in the project's own prefix.
# The prefix lives under the build folder (WINEPREFIX may override it) and is
# made once with wineboot; a lock keeps parallel tests from racing on that.
set -e
if [ -z "$WINEPREFIX" ]; then
    exe_dir=$(cd "$(dirname "$1")" && pwd)
    build_dir=$exe_dir
    while [ "$build_dir" != "/" ] && [ ! -f "$build_dir/CMakeCache.txt" ]; do
        build_dir=$(dirname "$build_dir")
    done
    [ "$build_dir" = "/" ] && build_dir=$exe_dir
    WINEPREFIX=$build_dir/wineprefix
fi
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
if [ ! -f "$WINEPREFIX/.ready" ]; then
    mkdir -p "$WINEPREFIX"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.ready" ]; then
            wineboot -i >/dev/null 2>&1 || true
            wineserver -w || true
            touch "$WINEPREFIX/.ready"
        fi
    ) 9>"$WINEPREFIX.lock"
fi
# The first Wine process after the server starts also starts the prefix's
# services, and they inherit its output. ctest then counts that test as running
# until the whole prefix falls idle, which under a long parallel run means its
# time-out. So when no server runs, one is started here, with the services,
# away from this test's output. It must not outlive its clients: Wine makes
# sockets in the server, so a server left over from another network namespace
# would send this test's connections there.
if wineserver </dev/null >/dev/null 2>&1; then   # status 2: a server runs already
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
exec wine "$@"
