#!/usr/bin/env bash
# The release build is reproducible, and a signed release verifies.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export RELEASE_SKIP_SETUP=1

first=$("$root/scripts/release.sh" --out "$work/one" | tail -1)
second=$("$root/scripts/release.sh" --out "$work/two" | tail -1)
echo "first build:  $first"
echo "second build: $second"
[ "$first" = "$second" ] || { echo "FAIL: two builds of the same sources differ"; exit 1; }
[[ "$first" =~ ^[0-9a-f]{64}$ ]] || { echo "FAIL: no SHA-256 printed"; exit 1; }
# Stripping keeps the load configuration that confines the imports to System32.
python3 "$root/tests/pe/check_dll_search.py" "$work/one/MorvantaStarter.exe"

# A starter that takes only signed manifests is another program, and the key is in it.
keyed=$("$root/scripts/release.sh" --out "$work/keyed" --manifest-key "$root/tests/signing/keys/test_key_a.pub.pem" 2>/dev/null | tail -1)
[[ "$keyed" =~ ^[0-9a-f]{64}$ ]] && [ "$keyed" != "$first" ] || { echo "FAIL: the keyed build is missing or the same"; exit 1; }
key_x=$(openssl ec -pubin -in "$root/tests/signing/keys/test_key_a.pub.pem" -outform DER 2>/dev/null | tail -c 64 | head -c 32 | xxd -p -c 32)
xxd -p "$work/keyed/MorvantaStarter.exe" | tr -d "\n" | grep -q "$key_x" || { echo "FAIL: the key is not in the keyed build"; exit 1; }

# A throw-away self-signed code-signing certificate.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Morvanta Test Signing" \
    -addext "extendedKeyUsage=codeSigning" \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
signed=$("$root/scripts/release.sh" --out "$work/signed" --cert "$work/cert.pem" --key "$work/key.pem" | tail -1)
[ "$signed" != "$first" ] || { echo "FAIL: signing did not change the program"; exit 1; }
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed/MorvantaStarter.exe" >"$work/verify.log" 2>&1 \
    || { cat "$work/verify.log"; echo "FAIL: signature does not verify"; exit 1; }
grep -q "Signature verification: ok" "$work/verify.log" || { cat "$work/verify.log"; exit 1; }

# A program changed after signing no longer verifies.
cp "$work/signed/MorvantaStarter.exe" "$work/tampered.exe"
printf 'X' | dd of="$work/tampered.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
if osslsigncode verify -CAfile "$work/cert.pem" -in "$work/tampered.exe" >/dev/null 2>&1; then
    echo "FAIL: a tampered program still verifies"; exit 1
fi
echo "1 passed, 0 failed"
