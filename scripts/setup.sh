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
    clang llvm libclang-rt-14-dev zlib1g-dev libcurl4-openssl-dev libssl-dev
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
