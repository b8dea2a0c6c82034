#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent: when all are
# present it only checks; otherwise it runs apt-get update once, then installs.
set -euo pipefail

packages=(
    cmake make ninja-build
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
    googletest
    wine wine64 xvfb xauth xdotool x11-utils imagemagick
    nginx openssl curl
    python3 python3-pil python3-numpy python3-fonttools fonts-unifont fonts-dotgothic16
    zip unzip time
    clang llvm libclang-rt-14-dev zlib1g-dev libcurl4-openssl-dev libssl-dev libzstd-dev
    dpkg-dev
    openjdk-17-jdk-headless
    osslsigncode
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    # Wait for another apt run (an unattended upgrade, a parallel script) rather than fail.
    lock_wait=(-o DPkg::Lock::Timeout=600)
    "${sudo_cmd[@]}" apt-get "${lock_wait[@]}" update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get "${lock_wait[@]}" install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
# nginx is started by the tests on loopback ports of their own, never as a system service.
if command -v systemctl >/dev/null 2>&1; then systemctl disable --now nginx >/dev/null 2>&1 || true; fi
echo "setup: all packages present"

# libzstd for MinGW: Debian ships it only natively, so it is built from Debian's
# own source package into a cache folder outside the tree, twice: whole for the
# publishing tool, decompressor only for the starter. A finished build is kept.
zstd_cache="${MORVANTA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/morvanta}/zstd-mingw"
zstd_version=$(dpkg-query -W -f='${source:Version}' libzstd-dev)
if [ "$(cat "$zstd_cache/version" 2>/dev/null)" != "$zstd_version" ]; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    lock_wait=(-o DPkg::Lock::Timeout=600)
    if ! apt-get source --print-uris -qq "libzstd=$zstd_version" >/dev/null 2>&1; then
        # A deb-src twin of each enabled Debian source already configured: same mirrors, suites and keys.
        src_list=/etc/apt/sources.list.d/morvanta-deb-src.sources
        {
            for f in /etc/apt/sources.list.d/*.sources; do
                [ -e "$f" ] && [ "$f" != "$src_list" ] || continue
                awk 'BEGIN { RS=""; ORS="\n\n" } /Types:[^\n]*deb/ && /debian/ { sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f"
            done
            for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
                [ -e "$f" ] || continue
                sed -n 's/^deb \(.*debian.*\)$/Types: deb-src\nURIs-Line: \1\n/p' "$f" |
                    awk '/^URIs-Line:/ { n = split(substr($0, 12), w, " "); i = 1; opts = "";
                                          if (w[1] ~ /^\[/) { while (w[i] !~ /\]$/) i++; i++ }
                                          print "URIs: " w[i]; print "Suites: " w[i + 1];
                                          c = ""; for (j = i + 2; j <= n; j++) c = c " " w[j]; print "Components:" c; next } { print }'
            done
        } | "${sudo_cmd[@]}" tee "$src_list.new" >/dev/null
        "${sudo_cmd[@]}" mv "$src_list.new" "$src_list"
        "${sudo_cmd[@]}" apt-get "${lock_wait[@]}" update -qq
    fi
    work=$(mktemp -d)
    # The installed version's source first; a mirror that lacks it (security archives
    # often serve binaries only) gives the nearest version it has.
    for version in "$zstd_version" $(apt-cache showsrc libzstd | sed -n 's/^Version: //p'); do
        (cd "$work" && apt-get source -qq "libzstd=$version" >/dev/null 2>&1) && break
    done
    source_dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libzstd-*' | head -n 1)
    jobs=$(nproc)
    for flavour in full decompress; do
        extra=()
        [ "$flavour" = decompress ] && extra=(ZSTD_LIB_COMPRESSION=0 ZSTD_LIB_DICTBUILDER=0)
        make -s -C "$source_dir/lib" clean >/dev/null
        make -s -C "$source_dir/lib" -j"$jobs" libzstd.a CC=x86_64-w64-mingw32-gcc-posix AR=x86_64-w64-mingw32-ar \
            ZSTD_LEGACY_SUPPORT=0 ZSTD_LIB_DEPRECATED=0 ZSTD_MULTITHREAD_SUPPORT=0 \
            CFLAGS="-O2 -ffile-prefix-map=$source_dir=zstd" "${extra[@]}" >/dev/null
        mkdir -p "$zstd_cache/$flavour/include" "$zstd_cache/$flavour/lib"
        cp "$source_dir/lib/zstd.h" "$source_dir/lib/zstd_errors.h" "$zstd_cache/$flavour/include/"
        cp "$source_dir/lib/libzstd.a" "$zstd_cache/$flavour/lib/"
    done
    rm -rf "$work"
    echo "$zstd_version" >"$zstd_cache/version"
    echo "setup: libzstd $zstd_version built for MinGW in $zstd_cache"
fi
