#!/usr/bin/env bash
# Checks what the example update-server configuration promises, against the
# running test nginx: content types, no compression, manifest caching, HTTPS
# with the test CA, plain GET only.
#   check_update_server_config.sh <http port> <https port> <document root> <ca.pem>
set -euo pipefail
http=http://127.0.0.1:$1; https=https://127.0.0.1:$2; docroot=$3; ca=$4
mkdir -p "$docroot/starter" "$docroot/config-check"
printf '{"a":"b"}' > "$docroot/starter/launcher.json"
head -c 100000 /dev/zero > "$docroot/config-check/Morvanta.jar"
head -c 100000 /dev/zero > "$docroot/config-check/java-x64.zip"
failures=0
expect_header() {  # url header-regex
    local headers
    headers=$(curl -sS -D - -o /dev/null --cacert "$ca" -H 'Accept-Encoding: gzip, deflate' "$1" | tr -d '\r')
    if ! grep -qiE "$2" <<<"$headers"; then
        echo "FAIL: $1 lacks /$2/"; echo "$headers"; failures=$((failures + 1))
    fi
    if grep -qi '^Content-Encoding:' <<<"$headers"; then
        echo "FAIL: $1 came compressed"; failures=$((failures + 1))
    fi
}
for base in "$http" "$https"; do
    expect_header "$base/starter/launcher.json" '^Content-Type: application/json$'
    expect_header "$base/starter/launcher.json" '^Cache-Control: no-cache'
    expect_header "$base/config-check/Morvanta.jar" '^Content-Type: application/java-archive$'
    expect_header "$base/config-check/Morvanta.jar" '^Content-Length: 100000$'
    expect_header "$base/config-check/java-x64.zip" '^Content-Type: application/zip$'
    expect_header "$base/config-check/java-x64.zip" '^Content-Length: 100000$'
done
status=$(curl -sS -o /dev/null -w '%{http_code}' --cacert "$ca" -X POST "$https/starter/launcher.json")
[ "$status" = 405 ] || { echo "FAIL: POST gave $status, not 405"; failures=$((failures + 1)); }
status=$(curl -sS -o /dev/null -w '%{http_code}' "$http/starter/")
[ "$status" = 404 ] || { echo "FAIL: a folder listing gave $status, not 404"; failures=$((failures + 1)); }
# Without the test CA the certificate must not be accepted.
if curl -sS -o /dev/null "$https/starter/launcher.json" 2>/dev/null; then
    echo "FAIL: HTTPS accepted without the test CA"; failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo "update-server configuration: all checks hold"
[ "$failures" -eq 0 ]
