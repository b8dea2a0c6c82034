#!/bin/sh
# Makes a Wine prefix of its own whose screen reports the given DPI, so tests of
# scaled windows leave the shared build prefix at 96 DPI. Made once, then reused.
# Usage: make_dpi_prefix.sh <prefix> <dpi>
set -e
prefix=$1
dpi=$2
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$prefix/.dpi-$dpi" ] && exit 0
rm -rf "$prefix"
mkdir -p "$prefix"
wineboot -i >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
wineserver -w
touch "$prefix/.ready" "$prefix/.dpi-$dpi"
