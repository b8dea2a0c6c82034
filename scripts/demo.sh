#!/usr/bin/env bash
# The whole first start on a clean machine, under Wine, against a local demo
# update server (nginx over HTTPS on 127.0.0.1 with a throw-away test CA that
# only the demo's Wine prefix trusts). The server holds a real launcher jar
# built with the machine's JDK and a runtime-sized Java runtime: the machine's
# OpenJDK tree with the stand-in Java program as bin/javaw.exe. Prints the
# command line the stand-in received and saves screenshots taken during the
# download and at the launch to build/demo/.
#
# Runs on the real display when DISPLAY is set, else on a virtual one.
# MORVANTA_BUILD_DIR picks the build folder (default build/windows); the demo
# wipes C:\.Morvanta in that build's Wine prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${MORVANTA_BUILD_DIR:-build/windows}
build=$(mkdir -p "$build" && cd "$build" && pwd)
export WINEPREFIX=$build/wineprefix
export MORVANTA_BUILD_DIR=$build
demo=$root/build/demo
http_port=18680
https_port=18643   # the server MorvantaStarterLocal is built for

winpath() { echo "Z:$1" | sed 's|/|\\|g'; }

if [ "${1:-}" = "--inside-display" ]; then
    server=$demo/server
    docroot=$server/docroot
    game=$WINEPREFIX/drive_c/.Morvanta
    frames=$demo/frames
    cmake/wine-run.sh cmd /c exit >/dev/null 2>&1 || true   # makes the prefix once

    tests/servers/nginx.sh start "$server/nginx" "$http_port" "$https_port" "$docroot" 600
    ca_added=0
    starter_pid=""
    cleanup() {
        [ -n "$starter_pid" ] && kill "$starter_pid" 2>/dev/null || true
        [ "$ca_added" = 1 ] && cmake/wine-run.sh "$build/tests/servers/install_test_ca.exe" remove \
            "$server/nginx/tls/ca.pem" >/dev/null 2>&1 || true
        tests/servers/nginx.sh stop "$server/nginx" || true
    }
    trap cleanup EXIT
    cmake/wine-run.sh "$build/tests/servers/install_test_ca.exe" add "$server/nginx/tls/ca.pem"
    ca_added=1

    # What the server publishes: a real jar, the runtime archive, and the manifest naming both.
    mkdir -p "$docroot/files" "$docroot/starter" "$demo/jar"
    javac -d "$demo/jar" tools/demo_launcher/Launcher.java
    (cd "$demo/jar" && jar --create --file "$docroot/files/Morvanta.jar" --main-class Launcher Launcher.class)
    [ -f "$demo/runtime.zip" ] || bench/make_runtime_zip.sh "$demo/runtime.zip" "$build/tests/java/java_stand_in.exe"
    cp "$demo/runtime.zip" "$docroot/files/java-x64.zip"
    base=https://127.0.0.1:$https_port
    jar_sha=$(sha256sum "$docroot/files/Morvanta.jar" | cut -d' ' -f1)
    zip_sha=$(sha256sum "$docroot/files/java-x64.zip" | cut -d' ' -f1)
    printf '{\n  "%s/files/Morvanta.jar": "%s",\n  "%s/files/java-x64.zip": "%s"\n}\n' \
        "$base" "$jar_sha" "$base" "$zip_sha" > "$docroot/starter/launcher.json"
    echo "demo: the server publishes"; sed 's/^/    /' "$docroot/starter/launcher.json"

    # A clean machine: no game directory.
    rm -rf "$game" "$frames" "$demo/download.png" "$demo/launch.png"
    mkdir -p "$frames"
    started=$(date +%s%N)
    cmake/wine-run.sh "$build/bench/MorvantaStarterLocal.exe" &
    starter_pid=$!

    # The screen is grabbed while the starter runs: once when a third of the
    # runtime archive has arrived, once as soon as the stand-in Java program has
    # started (the splash then shows the launch), and the latest frame always,
    # in case the window closed before the stand-in was seen.
    zip_size=$(stat -c %s "$docroot/files/java-x64.zip")
    shot_download="" shot_launch=""
    while kill -0 "$starter_pid" 2>/dev/null; do
        part=$(stat -c %s "$game/loader/java.zip.part" 2>/dev/null || echo 0)
        if [ -z "$shot_download" ] && [ "$part" -gt $((zip_size / 3)) ]; then
            import -silent -window root "$frames/download.bmp" && shot_download=$frames/download.bmp
        elif [ -z "$shot_launch" ] && [ -n "$(find "$game/loader/java" -name java-invocation.txt 2>/dev/null)" ]; then
            import -silent -window root "$frames/launch.bmp" && shot_launch=$frames/launch.bmp
        elif [ -z "$shot_launch" ]; then
            import -silent -window root "$frames/next.bmp" 2>/dev/null && mv "$frames/next.bmp" "$frames/latest.bmp"
        fi
        sleep 0.05
    done
    code=0
    wait "$starter_pid" || code=$?
    starter_pid=""
    elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
    echo "demo: the starter ended with exit code $code after $elapsed ms"

    [ -n "$shot_launch" ] || shot_launch=$frames/latest.bmp
    if [ -n "$shot_download" ] && convert "$shot_download" "$demo/download.png"; then
        echo "demo: screenshot during the download: $demo/download.png"
    fi
    if [ -f "$shot_launch" ] && convert "$shot_launch" "$demo/launch.png"; then
        echo "demo: screenshot at the launch: $demo/launch.png"
    fi
    rm -rf "$frames"

    record=$(find "$game/loader/java" -name java-invocation.txt 2>/dev/null | head -1)
    if [ -z "$record" ]; then
        echo "demo: Java was not launched"
        exit 1
    fi
    echo "demo: the stand-in Java program was started as:"
    sed 's/^/    /' "$record"
    echo "demo: requests nginx served:"
    awk '{print "    " $9 " " $7}' "$server/nginx/access.log"
    echo "demo: the starter's support log ($game/loader/logs/starter.log):"
    sed 's/^/    /' "$game/loader/logs/starter.log" 2>/dev/null || echo "    (none was written)"
    exit "$code"
fi

scripts/setup.sh
if [ "$build" = "$root/build/windows" ]; then
    cmake --preset windows
else
    [ -f "$build/CMakeCache.txt" ] ||
        cmake -S "$root" -B "$build" --toolchain "$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" -j"$(nproc)" --target MorvantaStarterLocal java_stand_in install_test_ca
mkdir -p "$demo"
if [ -n "${DISPLAY:-}" ]; then
    "$0" --inside-display
else
    xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --inside-display
fi
