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
if grep -q "^resume: ${bases[0]}/files/java-x64.zip resumes" <<<"$out" && ! grep -q "resume WARNING" <<<"$out"; then
    ok "check: the runtime is served with ranges under a strong validator"; else bad "check resume: $out"; fi

# A runtime served without range support: a warning, still consistent.
plain_port=$((ports[0] + 7))
(cd "$work/mirror0/www" && exec /usr/bin/python3 -m http.server --bind 127.0.0.1 "$plain_port" >/dev/null 2>&1) &
plain_pid=$!
sleep 1
tool build --jar "$work/mirror0/www/files/Morvanta.jar" --runtime "$work/mirror0/www/files/java-x64.zip" \
    --jar-url "http://127.0.0.1:${ports[0]}/files/Morvanta.jar" \
    --runtime-url "http://127.0.0.1:$plain_port/files/java-x64.zip" --out "$work/no-ranges.json" >/dev/null 2>&1
cp "$work/mirror0/www/starter/launcher.json" "$work/ranges.json"
for i in 0 1 2; do cp "$work/no-ranges.json" "$work/mirror$i/www/starter/launcher.json"; done
out=$(tool check "${bases[@]}" 2>&1); code=$?
kill "$plain_pid" 2>/dev/null; wait "$plain_pid" 2>/dev/null
for i in 0 1 2; do cp "$work/ranges.json" "$work/mirror$i/www/starter/launcher.json"; done
if [ $code -eq 0 ] && grep -q "resume WARNING: http://127.0.0.1:$plain_port/files/java-x64.zip: ranges are ignored" <<<"$out"; then
    ok "check: a runtime served without ranges is warned about"; else bad "check no ranges (exit $code): $out"; fi

# --- check --manifest: a manifest not yet published, through mirrors or a CDN ---
# A CDN whose edges tag one file differently: its 206 answers ranges, but under
# another validator than the one a starter kept, so a starter starts afresh.
edge_port=$((ports[0] + 8))
/usr/bin/python3 - "$edge_port" "$work/mirror0/www" <<'PY' &
import http.server, itertools, sys
edges = itertools.count()
class Edge(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        try:
            data = open(sys.argv[2] + self.path, "rb").read()
        except OSError:
            self.send_error(404)
            return
        ranged = self.headers.get("Range", "")
        start = int(ranged[6:].split("-")[0]) if ranged.startswith("bytes=") else 0
        self.send_response(206 if ranged else 200)
        if ranged:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, len(data) - 1, len(data)))
        self.send_header("ETag", '"edge-%d"' % next(edges))
        self.send_header("Content-Length", str(len(data) - start))
        self.end_headers()
        self.wfile.write(data[start:])
    def log_message(self, *args):
        pass
http.server.HTTPServer(("127.0.0.1", int(sys.argv[1])), Edge).serve_forever()
PY
edge_pid=$!
sleep 1
tool build --jar "$work/mirror0/www/files/Morvanta.jar" --runtime "$work/mirror0/www/files/java-x64.zip" \
    --jar-url "https://cdn.invalid/files/Morvanta.jar" --runtime-url "https://cdn.invalid/files/java-x64.zip" \
    --out unpublished.json >/dev/null 2>&1
zip_bytes=$(stat -c %s "$work/mirror0/www/files/java-x64.zip")
# Mirror 1 lacks the files: the manifest is not ready to publish.
out=$(tool check --manifest unpublished.json "${bases[0]}" "http://127.0.0.1:$edge_port" "${bases[1]}" 2>&1); code=$?
kill "$edge_pid" 2>/dev/null; wait "$edge_pid" 2>/dev/null
if grep -qE "^ok +$zip_bytes +$zip_sha ${bases[0]}/files/java-x64.zip" <<<"$out" &&
   grep -qE "^ok +[0-9]+ +[0-9a-f]{64} http://127.0.0.1:$edge_port/files/Morvanta.jar" <<<"$out" &&
   grep -q "^resume: ${bases[0]}/files/java-x64.zip resumes" <<<"$out"; then
    ok "check --manifest: every file through each base, with its size and digest"; else bad "preflight (exit $code): $out"; fi
if grep -q "^resume WARNING: http://127.0.0.1:$edge_port/files/java-x64.zip: the answer to a range request (status 206" <<<"$out"; then
    ok "check --manifest: a 206 under another validator is one the starter refuses"; else bad "preflight edge ETag: $out"; fi
if [ $code -ne 0 ] && grep -qE "^FAILED .* ${bases[1]}/files/java-x64.zip" <<<"$out" && grep -q "^NOT ready" <<<"$out"; then
    ok "check --manifest: a base that lacks the files"; else bad "preflight missing files (exit $code): $out"; fi

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


# --- signing: keys, signed builds, and OpenSSL on the host as the other side ---
keys=$root/tests/signing/keys
om() { /usr/bin/python3 "$root/tests/signing/openssl_manifest.py" "$@"; }
if tool keygen --private sign.pem --public sign.pub.pem >keygen.log 2>&1 &&
   openssl pkey -in sign.pem -noout 2>/dev/null && openssl pkey -pubin -in sign.pub.pem -noout 2>/dev/null; then
    ok "keygen writes a PEM key pair OpenSSL reads"; else bad "keygen: $(cat keygen.log)"; fi
# Wine keeps no security descriptors, so the owner-only rights show only natively.
if [ -z "$runner" ]; then
    [ "$(stat -c %a sign.pem)" = 600 ] && ok "keygen: the private key is readable by its owner only" ||
        bad "keygen: private key mode $(stat -c %a sign.pem)"
fi
cp sign.pem sign.pem.kept
expect_refusal "keygen keeps an existing private key" "sign.pem" keygen --private sign.pem --public other.pub.pem
cmp -s sign.pem sign.pem.kept && ok "keygen: the existing key is unchanged" || bad "keygen overwrote a key"

publish_to 0 "PK jar v3"
jar0=$work/mirror0/www/files/Morvanta.jar
zip0=$work/mirror0/www/files/java-x64.zip
signed_build() {  # out, extra arguments...
    local out=$1
    shift
    tool build --jar "$jar0" --runtime "$zip0" --jar-url "http://127.0.0.1:${ports[0]}/files/Morvanta.jar" \
        --runtime-url "http://127.0.0.1:${ports[0]}/files/java-x64.zip" --out "$out" "$@"
}
if signed_build signed5.json --sign-key sign.pem --sequence 5 >sign.log 2>&1 &&
   grep -q '"sequence": "5"' signed5.json && om verify signed5.json sign.pub.pem >/dev/null; then
    ok "build --sign-key: the tool's signature with its own key verifies with OpenSSL"
else
    bad "signed build: $(cat sign.log) $(om verify signed5.json sign.pub.pem 2>&1)"
fi
if signed_build signed6.json --sign-key "$keys/test_key_a.pem" --previous signed5.json >sign.log 2>&1 &&
   grep -q '"sequence": "6"' signed6.json && om verify signed6.json "$keys/test_key_a.pub.pem" >/dev/null &&
   ! om verify signed6.json sign.pub.pem >/dev/null; then
    ok "build --previous: one more than the previous sequence, signed with an OpenSSL-made key"
else
    bad "signed build with --previous: $(cat sign.log)"
fi
signed_build signed5.json --sign-key sign.pem --sequence 5 >/dev/null 2>&1
expect_refusal "signing without a sequence" "--sequence N or --previous FILE" \
    build --jar "$jar0" --runtime "$zip0" --jar-url "$jar_url" --runtime-url "$zip_url" --out refused.json --sign-key sign.pem
expect_refusal "sequence past 2^63 - 1" "at most 9223372036854775807" \
    build --jar "$jar0" --runtime "$zip0" --jar-url "$jar_url" --runtime-url "$zip_url" --out refused.json \
    --sign-key sign.pem --sequence 9223372036854775808
expect_refusal "previous manifest without a sequence" "no valid sequence" \
    build --jar "$jar0" --runtime "$zip0" --jar-url "$jar_url" --runtime-url "$zip_url" --out refused.json \
    --sign-key sign.pem --previous launcher.json
expect_refusal "a sequence without a key" "need --sign-key" \
    build --jar "$jar0" --runtime "$zip0" --jar-url "$jar_url" --runtime-url "$zip_url" --out refused.json --sequence 3
expect_refusal "a public key as the signing key" "private key" \
    build --jar "$jar0" --runtime "$zip0" --jar-url "$jar_url" --runtime-url "$zip_url" --out refused.json \
    --sign-key sign.pub.pem --sequence 3
[ ! -e refused.json ] && ok "no manifest is written when signing is refused" || bad "a refused signed build left refused.json"

# --- a starter entry: signed as v2 over that entry ---
starter0=$work/mirror0/www/files/MorvantaStarter.exe
starter_url="http://127.0.0.1:${ports[0]}/files/MorvantaStarter.exe"
/usr/bin/python3 - "$starter0" "$work/arm64.exe" <<'PY'
import struct, sys
for path, machine in ((sys.argv[1], 0x8664), (sys.argv[2], 0xAA64)):
    header = b"MZ" + bytes(0x3A) + struct.pack("<I", 0x40) + b"PE\0\0" + struct.pack("<H", machine) + bytes(200)
    open(path, "wb").write(header)
PY
if signed_build starter7.json --sign-key sign.pem --sequence 7 --starter "$starter0" --starter-url "$starter_url" \
        >starter.log 2>&1 &&
   grep -qF "\"$starter_url\": \"$(sha256sum "$starter0" | cut -d' ' -f1)\"" starter7.json &&
   om verify starter7.json sign.pub.pem >/dev/null; then
    ok "build --starter: the entry with its digest, signed as v1 and as v2 (OpenSSL verifies both)"
else
    bad "build --starter: $(cat starter.log)"
fi
expect_refusal "a starter in an unsigned manifest" "needs --sign-key" \
    build "${common[@]}" --jar-url "$jar_url" --runtime-url "$zip_url" --starter "$starter0" --starter-url "$starter_url"
expect_refusal "a starter URL without the program's name" 'must contain "MorvantaStarter.exe"' \
    build "${common[@]}" --jar-url "$jar_url" --runtime-url "$zip_url" --sign-key sign.pem --sequence 8 --starter "$starter0" --starter-url https://cdn.example/s.exe
expect_refusal "a starter that is no Windows program" "not a Windows program" \
    build "${common[@]}" --jar-url "$jar_url" --runtime-url "$zip_url" --sign-key sign.pem --sequence 8 --starter Morvanta.jar --starter-url "$starter_url"
expect_refusal "a starter for another machine" "64-bit (x64)" \
    build "${common[@]}" --jar-url "$jar_url" --runtime-url "$zip_url" --sign-key sign.pem --sequence 8 --starter arm64.exe --starter-url "$starter_url"

# --- check --public-key: mirrors signed by the tool and by OpenSSL ---
keylist="$work/sign.pub.pem;$keys/test_key_a.pub.pem"
serve() { cp "$2" "$work/mirror$1/www/starter/launcher.json"; }
cp signed5.json by_openssl.json
om sign by_openssl.json "$keys/test_key_a.pem" 5
serve 0 signed5.json; serve 1 by_openssl.json; serve 2 signed5.json
out=$(tool check --public-key "$keylist" "${bases[@]}" 2>&1); code=$?
if [ $code -eq 0 ] && [ "$(grep -cE ' yes +5\s*$' <<<"$out")" = 3 ] && ! grep -q "rollout" <<<"$out"; then
    ok "check --public-key: three validly signed mirrors, either key"; else bad "check signed (exit $code): $out"; fi
cp signed5.json seq6.json
om sign seq6.json "$keys/test_key_a.pem" 6
serve 2 seq6.json
out=$(tool check --public-key "$keylist" "${bases[@]}" 2>&1); code=$?
if grep -q "^rollout in progress: .*127.0.0.1:${ports[2]}=6" <<<"$out" && ! grep -q "signature FAILED" <<<"$out"; then
    ok "check --public-key: a rollout in progress is reported apart from failures"; else bad "check rollout (exit $code): $out"; fi
serve 1 launcher.json  # unsigned
sed 's/"5"/"4"/' signed5.json > stale_sequence.json  # signature no longer matches
serve 2 stale_sequence.json
out=$(tool check --public-key "$keylist" "${bases[@]}" 2>&1); code=$?
if [ $code -ne 0 ] && grep -q "signature FAILED: http://127.0.0.1:${ports[1]} (signature: unsigned" <<<"$out" &&
   grep -q "signature FAILED: http://127.0.0.1:${ports[2]} (signature: no listed key" <<<"$out" && ! grep -q rollout <<<"$out"; then
    ok "check --public-key: unsigned and badly signed mirrors fail"; else bad "check failing signatures (exit $code): $out"; fi


# The starter file is fetched and checked too; an entry added under a v1 signature fails.
serve 0 starter7.json; serve 1 starter7.json; serve 2 starter7.json
out=$(tool check --public-key "$keylist" "${bases[@]}" 2>&1); code=$?
if [ $code -eq 0 ] && grep -qE "^ok +[0-9a-f]{64} $starter_url" <<<"$out"; then
    ok "check: the starter file is fetched and matches"; else bad "check starter (exit $code): $out"; fi
printf 'MZ tampered' >> "$starter0"
out=$(tool check --public-key "$keylist" "${bases[@]}" 2>&1); code=$?
if [ $code -ne 0 ] && grep -qE "^MISMATCH .* $starter_url" <<<"$out"; then
    ok "check: a starter file with a wrong digest"; else bad "check starter digest (exit $code): $out"; fi
/usr/bin/python3 -c '
import json, sys
m = json.load(open(sys.argv[1])); m[sys.argv[2]] = "ab" * 32
json.dump(m, open(sys.argv[3], "w"))' signed5.json "$starter_url" v1_with_starter.json
serve 1 v1_with_starter.json
out=$(tool check --public-key "$keylist" "${bases[@]}" 2>&1); code=$?
if [ $code -ne 0 ] && grep -q "signature FAILED: http://127.0.0.1:${ports[1]} (signature-v2: unsigned" <<<"$out"; then
    ok "check: a starter entry under a v1 signature alone fails"; else bad "check v1 with starter (exit $code): $out"; fi
# Starters that know no entries check "signature": a bad one fails the mirror though "signature-v2" is good.
/usr/bin/python3 -c '
import json, sys
m = json.load(open(sys.argv[1])); m["signature"] = "00" * 64
json.dump(m, open(sys.argv[2], "w"))' starter7.json bad_v1.json
serve 1 bad_v1.json
out=$(tool check --public-key "$keylist" "${bases[@]}" 2>&1); code=$?
if [ $code -ne 0 ] && grep -q "signature FAILED: http://127.0.0.1:${ports[1]} (signature: no listed key" <<<"$out"; then
    ok "check: a starter manifest whose v1 signature fails"; else bad "check bad v1 (exit $code): $out"; fi

# --- runtime deltas: made per file, offered in the manifest, applied by check ---
mkdir -p rt2/jdk/bin rt2/jdk/lib rt2/jdk/conf
cp rt/jdk/bin/javaw.exe rt2/jdk/bin/javaw.exe
head -c 300000 /dev/urandom > rt/jdk/lib/big; (cd rt && zip -qr ../java-x64.zip jdk)
{ head -c 150000 rt/jdk/lib/big; printf 'patched'; tail -c 150000 rt/jdk/lib/big; } > rt2/jdk/lib/big
cp rt/jdk/lib/modules rt2/jdk/conf/moved
printf 'new in this release' > rt2/jdk/release
(cd rt2 && zip -qr ../java-x64-new.zip jdk)
old_sha=$(sha256sum java-x64.zip | cut -d' ' -f1)
new_sha=$(sha256sum java-x64-new.zip | cut -d' ' -f1)
delta=java-x64.from-$old_sha.delta
if tool delta --from java-x64.zip --to java-x64-new.zip --out . >delta.log 2>&1 && [ -s "$delta" ] &&
   [ "$(stat -c %s "$delta")" -lt 20000 ]; then
    ok "delta: named by the old archive's digest, far smaller than the new archive ($(stat -c %s "$delta") bytes)"
else
    bad "delta: $(cat delta.log)"
fi
delta_url="http://127.0.0.1:${ports[0]}/files/d/$delta"
new_zip_url="http://127.0.0.1:${ports[0]}/files/java-x64-new/java-x64.zip"
mkdir -p "$work/mirror0/www/files/d" "$work/mirror0/www/files/java-x64-new"
cp "$delta" "$work/mirror0/www/files/d/"
cp java-x64-new.zip "$work/mirror0/www/files/java-x64-new/java-x64.zip"
delta_build() {  # out, runtime, delta url, extra arguments...
    local out=$1 runtime=$2 url=$3
    shift 3
    tool build --jar "$jar0" --jar-url "http://127.0.0.1:${ports[0]}/files/Morvanta.jar" --runtime "$runtime" \
        --runtime-url "$new_zip_url" --runtime-delta "$delta" "$url" --out "$out" "$@"
}
printf 'PK jar v3' > "$jar0"
if delta_build with_delta.json java-x64-new.zip "$delta_url" >build.log 2>&1 &&
   grep -qF "\"$delta_url\": \"$(sha256sum "$delta" | cut -d' ' -f1)\"" with_delta.json; then
    ok "build --runtime-delta: the delta's URL with its digest"; else bad "build --runtime-delta: $(cat build.log)"; fi
delta_common=(build --jar "$jar0" --jar-url "$jar_url" --runtime-url "$new_zip_url" --out refused.json)
expect_refusal "a delta that builds another runtime" "does not build the runtime archive" \
    "${delta_common[@]}" --runtime java-x64.zip --runtime-delta "$delta" "$delta_url"
expect_refusal "a delta URL not named by its base" "must end in" \
    "${delta_common[@]}" --runtime java-x64-new.zip --runtime-delta "$delta" \
    "http://127.0.0.1:${ports[0]}/files/d/java-x64.from-$new_sha.delta"
if delta_build signed_delta.json java-x64-new.zip "$delta_url" --sign-key sign.pem --sequence 9 >build.log 2>&1 &&
   grep -q '"signature-v3": "[0-9a-f]\{128\}"' signed_delta.json && om verify signed_delta.json sign.pub.pem >/dev/null; then
    ok "build --sign-key with a delta: the general signature beside the older one, which still verifies"
else
    bad "signed delta build: $(cat build.log)"
fi
serve 0 with_delta.json; serve 1 with_delta.json; serve 2 with_delta.json
out=$(tool check --runtime-base java-x64.zip "${bases[@]}" 2>&1); code=$?
if [ $code -eq 0 ] && grep -qF "delta $delta_url: ok: rebuilds" <<<"$out"; then
    ok "check --runtime-base: the delta applied to its base rebuilds the runtime"; else bad "check delta (exit $code): $out"; fi
out=$(tool check "${bases[@]}" 2>&1); code=$?
if [ $code -eq 0 ] && grep -qF "delta $delta_url: not applied" <<<"$out"; then
    ok "check: a delta without its base is fetched and listed, not applied"; else bad "check delta without base (exit $code): $out"; fi
cp java-x64-new.zip "$work/mirror0/www/files/java-x64-new/java-x64.zip.good"
cp java-x64.zip "$work/mirror0/www/files/java-x64-new/java-x64.zip"
sed "s/$new_sha/$old_sha/" with_delta.json > other_target.json
serve 0 other_target.json; serve 1 other_target.json; serve 2 other_target.json
out=$(tool check --runtime-base java-x64.zip "${bases[@]}" 2>&1); code=$?
if [ $code -ne 0 ] && grep -qF "delta $delta_url: FAILED: it names other archives" <<<"$out"; then
    ok "check: a delta offered for another runtime than the manifest's fails"; else bad "check delta target (exit $code): $out"; fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
