#!/usr/bin/env bash
# Builds the release program with the production update servers, reproducibly,
# prints its SHA-256 and, given a code-signing certificate and key, signs it.
#
#   scripts/release.sh [--out DIR] [--servers "URL1;URL2;URL3"] [--cert CERT.pem --key KEY.pem]
#                      [--manifest-key PUBLIC.pem[;PUBLIC2.pem]]
#
# Without --servers the default list compiled into CMakeLists.txt is used.
# With --manifest-key the program accepts only manifests signed by one of the
# keys (see --help for the whole flow).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/release"
servers=""
cert=""
key=""
manifest_key=""
usage() {
    cat <<'USAGE'
usage: scripts/release.sh [--out DIR] [--servers "URL1;URL2;URL3"] [--cert CERT.pem --key KEY.pem]
                          [--manifest-key PUBLIC.pem[;PUBLIC2.pem]]

Signed manifests, the whole flow:
  1. once, offline:   morvanta-publish keygen --private manifest-key.pem --public manifest-key.pub.pem
  2. the starter:     scripts/release.sh --manifest-key manifest-key.pub.pem
  3. each release:    morvanta-publish build ... --sign-key manifest-key.pem --previous published/launcher.json
  4. after publishing: morvanta-publish check --public-key manifest-key.pub.pem
Keep manifest-key.pem offline; mirrors get only the signed launcher.json.
USAGE
}
while (($#)); do
    case "$1" in
        --help|-h) usage; exit 0 ;;
        --manifest-key) manifest_key=$2; shift 2 ;;
        --out) out=$2; shift 2 ;;
        --servers) servers=$2; shift 2 ;;
        --cert) cert=$2; shift 2 ;;
        --key) key=$2; shift 2 ;;
        *) echo "release: unknown argument $1" >&2; exit 2 ;;
    esac
done
if { [ -n "$cert" ] && [ -z "$key" ]; } || { [ -z "$cert" ] && [ -n "$key" ]; }; then
    echo "release: --cert and --key go together" >&2; exit 2
fi

[ "${RELEASE_SKIP_SETUP:-}" = 1 ] || "$root/scripts/setup.sh" >/dev/null
build="$out/build"
rm -rf "$build"
args=(-S "$root" -B "$build" --toolchain "$root/cmake/mingw-w64-x86_64.cmake"
      -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF)
[ -z "$servers" ] || args+=("-DUPDATE_SERVERS=$servers")
if [ -n "$manifest_key" ]; then
    # CMake needs absolute paths: the configure runs in the build folder.
    absolute=""
    IFS=';' read -ra key_files <<<"$manifest_key"
    for file in "${key_files[@]}"; do
        [ -f "$file" ] || { echo "release: no manifest key file $file" >&2; exit 2; }
        absolute+="${absolute:+;}$(realpath "$file")"
    done
    args+=("-DMANIFEST_PUBLIC_KEY=$absolute")
    echo "release: manifests must be signed by: $absolute" >&2
fi
# Fixed environment so the same sources give the same bytes on any machine.
export SOURCE_DATE_EPOCH=0 LC_ALL=C TZ=UTC
cmake "${args[@]}" >/dev/null
cmake --build "$build" --target MorvantaStarter -j"$(nproc)" >/dev/null
x86_64-w64-mingw32-strip --strip-all -o "$out/MorvantaStarter.exe" "$build/MorvantaStarter.exe"

if [ -n "$cert" ]; then
    osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n "Morvanta Starter" \
        -in "$out/MorvantaStarter.exe" -out "$out/MorvantaStarter-signed.exe" >/dev/null
    mv "$out/MorvantaStarter-signed.exe" "$out/MorvantaStarter.exe"
    echo "release: signed with $cert"
fi
sha256sum "$out/MorvantaStarter.exe" | cut -d' ' -f1
