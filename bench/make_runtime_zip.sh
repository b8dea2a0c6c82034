#!/usr/bin/env bash
# Zips a runtime-sized Java tree: the machine's OpenJDK (links followed), with
# the stand-in Java program added as bin/javaw.exe so the starter can launch it.
#   make_runtime_zip.sh <out.zip> <stand-in.exe>
set -euo pipefail
out=$1
stand_in=$2
jdk=$(dirname "$(dirname "$(readlink -f "$(command -v javac || command -v java)")")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/jdk-17-runtime"
# -L follows the Debian tree's links into /etc and /usr/share; broken ones are skipped.
cp -rL "$jdk"/. "$work/jdk-17-runtime/" 2>/dev/null || true
cp "$stand_in" "$work/jdk-17-runtime/bin/javaw.exe"
rm -f "$out"
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
(cd "$work" && zip -q -r -X "$out" jdk-17-runtime)
echo "make_runtime_zip: $(unzip -Z1 "$out" | wc -l) entries, $(du -sm "$work/jdk-17-runtime" | cut -f1) MB unpacked, $(du -m "$out" | cut -f1) MB zipped"
