#!/usr/bin/env bash
# morvanta-publish end to end: build's round trip and refusals, and check
# against three local nginx mirrors run from the example configuration.
#   publish_test.sh <morvanta-publish binary> [runner]
# With a runner (the Wine wrapper) the Windows build of the tool is tested.
set -uo pipefail
tool_binary=$(realpath "${1:?path to morvanta-publish}")
runner=${2:-}
tool() { ${runner:+"$runner"} "$tool_binary" "$@"; }
root=$(cd "$(dirname "$0")/../.." && pwd)
nginx=$root/tests/servers/nginx.sh
work=$(mktemp -d)
passed=0
failed=0
ports=(${PUBLISH_TEST_PORTS:-19011 19012 19013})
cleanup() {
    for i in 0 1 2; do "$nginx" stop "$work/mirror$i" >/dev/null 2>&1 || true; done
    rm -rf "$work"
}
trap cleanup EXIT

ok() { passed=$((passed + 1)); echo "PASS: $1"; }
bad() { failed=$((failed + 1)); echo "FAIL: $1"; }
expect_refusal() {  # name, expected message fragment, tool arguments...
    local name=$1 fragment=$2
    shift 2
    local out code
    out=$(tool "$@" 2>&1); code=$?
    if [ "$code" -ne 0 ] && grep -qF -- "$fragment" <<<"$out"; then ok "$name"; else bad "$name (exit $code): $out"; fi
}

cd "$work"
# A stand-in runtime and jar.
mkdir -p rt/jdk/bin rt/jdk/lib norun/jdk/lib
printf 'MZ stand-in' > rt/jdk/bin/javaw.exe
printf 'lib' > rt/jdk/lib/modules
printf 'MZ stand-in' > norun/jdk/lib/javaw.exe
(cd rt && zip -qr ../java-x64.zip jdk)
(cd norun && zip -qr ../nobin.zip jdk)
printf 'PK jar v1' > Morvanta.jar
printf 'not a zip at all' > broken.zip
jar_sha=$(sha256sum Morvanta.jar | cut -d' ' -f1)
zip_sha=$(sha256sum java-x64.zip | cut -d' ' -f1)

# --- build: the written manifest is exactly what was meant ---
jar_url="https://cdn.example/files/$jar_sha/Morvanta.jar"
zip_url="https://cdn.example/files/$zip_sha/java-x64.zip"
if tool build --jar Morvanta.jar --jar-url "$jar_url" --runtime java-x64.zip --runtime-url "$zip_url" \
        --out launcher.json >build.log 2>&1 &&
   /usr/bin/python3 -c '
import json, sys
got = json.load(open("launcher.json"))
want = {sys.argv[1]: sys.argv[2], sys.argv[3]: sys.argv[4]}
sys.exit(0 if got == want and list(got) == list(want) else 1)' "$jar_url" "$jar_sha" "$zip_url" "$zip_sha"; then
    ok "build writes both entries with their SHA-256"
else
    bad "build round trip: $(cat build.log)"
fi
# Quotes and backslashes in a URL survive the round trip through the reader.
odd_url='https://cdn.example/a"b\c/Morvanta.jar'
if tool build --jar Morvanta.jar --jar-url "$odd_url" --runtime java-x64.zip --runtime-url "$zip_url" \
        --out odd.json >odd.log 2>&1 &&
   /usr/bin/python3 -c 'import json,sys; sys.exit(0 if sys.argv[1] in json.load(open("odd.json")) else 1)' "$odd_url"; then
    ok "quotes and backslashes in a URL are escaped and read back"
else
    bad "escaping round trip: $(cat odd.log)"
fi

# --- build: every refusal ---
common=(--jar Morvanta.jar --runtime java-x64.zip --out refused.json)
expect_refusal "jar URL without Morvanta.jar" 'must contain "Morvanta.jar"' \
    build "${common[@]}" --jar-url https://cdn.example/launcher.jar --runtime-url "$zip_url"
expect_refusal "runtime URL without java-x64.zip" 'must contain "java-x64.zip"' \
    build "${common[@]}" --jar-url "$jar_url" --runtime-url https://cdn.example/java.zip
expect_refusal "runtime URL that also names the jar" 'must not contain "Morvanta.jar"' \
    build "${common[@]}" --jar-url "$jar_url" --runtime-url https://cdn.example/Morvanta.jar/java-x64.zip
expect_refusal "URL the starter cannot parse (port)" "the starter can parse" \
    build "${common[@]}" --jar-url https://cdn.example:70000/Morvanta.jar --runtime-url "$zip_url"
expect_refusal "URL the starter cannot parse (no scheme)" "the starter can parse" \
    build "${common[@]}" --jar-url "$jar_url" --runtime-url cdn.example/java-x64.zip
expect_refusal "runtime that does not unpack" "runtime archive" \
    build --jar Morvanta.jar --runtime broken.zip --out refused.json --jar-url "$jar_url" --runtime-url "$zip_url"
expect_refusal "runtime without Java in a bin folder" '"bin" folder' \
    build --jar Morvanta.jar --runtime nobin.zip --out refused.json --jar-url "$jar_url" --runtime-url "$zip_url"
expect_refusal "missing jar file" "cannot read the launcher jar" \
    build --jar nothing.jar --runtime java-x64.zip --out refused.json --jar-url "$jar_url" --runtime-url "$zip_url"
[ ! -e refused.json ] && ok "no manifest is written when refused" || bad "a refused build left refused.json"

# --- check: three mirrors from the example configuration ---
publish_to() {  # mirror index, jar content
    local docroot=$work/mirror$1/www
    mkdir -p "$docroot/starter" "$docroot/files"
    printf '%s' "$2" > "$docroot/files/Morvanta.jar"
    cp java-x64.zip "$docroot/files/java-x64.zip"
    local port=${ports[$1]}
    tool build --jar "$docroot/files/Morvanta.jar" --runtime "$docroot/files/java-x64.zip" \
        --jar-url "http://127.0.0.1:$port/files/Morvanta.jar" \
        --runtime-url "http://127.0.0.1:$port/files/java-x64.zip" \
        --out "$docroot/starter/launcher.json" >/dev/null 2>&1
}
# Every mirror serves the files of mirror 0, as real mirrors of one CDN would.
for i in 0 1 2; do
    mkdir -p "$work/mirror$i/www"
    "$nginx" start "$work/mirror$i" "${ports[$i]}" "$((ports[$i] + 100))" "$work/mirror$i/www" 300 >/dev/null || {
        bad "nginx mirror $i did not start"; echo "$passed passed, $failed failed"; exit 1; }
done
publish_to 0 "PK jar v2"
for i in 1 2; do cp "$work/mirror0/www/starter/launcher.json" "$work/mirror$i/www/starter/" 2>/dev/null ||
    { mkdir -p "$work/mirror$i/www/starter"; cp "$work/mirror0/www/starter/launcher.json" "$work/mirror$i/www/starter/"; }; done
bases=(http://127.0.0.1:${ports[0]} http://127.0.0.1:${ports[1]} http://127.0.0.1:${ports[2]})

out=$(tool check "${bases[@]}" 2>&1); code=$?
if [ $code -eq 0 ] && grep -q "^consistent" <<<"$out"; then ok "check: three agreeing mirrors"; else bad "check agreeing (exit $code): $out"; fi

# Mirror 2 still serves last release's manifest.
cp "$work/mirror2/www/starter/launcher.json" "$work/current.json"
publish_to 2 "PK jar v1"
sed -i "s|127.0.0.1:${ports[2]}|127.0.0.1:${ports[0]}|" "$work/mirror2/www/starter/launcher.json"
out=$(tool check "${bases[@]}" 2>&1); code=$?
if [ $code -ne 0 ] && grep -E "127.0.0.1:${ports[2]} +yes +yes +no" <<<"$out" >/dev/null; then
    ok "check: a stale mirror disagrees"; else bad "check stale (exit $code): $out"; fi
cp "$work/current.json" "$work/mirror2/www/starter/launcher.json"

# Mirror 1 is down.
"$nginx" stop "$work/mirror1" >/dev/null
out=$(tool check "${bases[@]}" 2>&1); code=$?
if [ $code -ne 0 ] && grep -E "127.0.0.1:${ports[1]} +no +no" <<<"$out" >/dev/null; then
    ok "check: a mirror that is down"; else bad "check down (exit $code): $out"; fi
"$nginx" start "$work/mirror1" "${ports[1]}" "$((ports[1] + 100))" "$work/mirror1/www" 300 >/dev/null

# The jar on the file server no longer matches the published digest.
printf 'PK jar tampered' > "$work/mirror0/www/files/Morvanta.jar"
out=$(tool check "${bases[@]}" 2>&1); code=$?
if [ $code -ne 0 ] && grep -q "^MISMATCH" <<<"$out"; then ok "check: a file with a wrong digest"; else bad "check digest (exit $code): $out"; fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
