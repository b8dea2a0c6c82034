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
            # A program that crashes ends with its backtrace on stderr instead of
            # waiting for someone to close Wine's crash dialog.
            wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
            wineserver -w || true
            touch "$WINEPREFIX/.ready"
        fi
    ) 9>"$WINEPREFIX.lock"
fi
# --keep-server: a server for the prefix that stays up until `wineserver -k`, for
# a whole suite that owns the prefix (whatever runs in it is ended first).
# `wineserver -p` only starts one: beside a running server it does nothing, and
# that server ends 3 s after its last client, so a suite would see the server end
# and start again between its tests (see below why that hurts).
if [ "${1:-}" = --keep-server ]; then
    wineserver -k 2>/dev/null || true
    wineserver -w || true
    wineserver -p
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    exit 0
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
