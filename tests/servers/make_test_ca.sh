#!/usr/bin/env bash
# Makes a throw-away certificate authority and a server certificate it signed,
# valid for 127.0.0.1 and localhost, in the given folder:
#   ca.pem (to trust in a test Wine prefix), server.pem, server.key.
# The name 127.0.0.1 is also given as a DNS name: Wine matches only DNS names.
# A fresh key every time, so a CA left behind by an earlier run trusts nothing.
set -euo pipefail
out=${1:?usage: make_test_ca.sh <output folder>}
mkdir -p "$out"
cd "$out"
rm -f ca.pem ca.key server.pem server.key server.csr ca.srl
subject_tag="Morvanta test CA $(date -u +%Y%m%dT%H%M%S) $$"

openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 2 \
    -keyout ca.key -out ca.pem -subj "/CN=$subject_tag" \
    -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null

openssl req -newkey rsa:2048 -nodes -sha256 \
    -keyout server.key -out server.csr -subj "/CN=127.0.0.1" 2>/dev/null
cat > server.ext <<EXT
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=IP:127.0.0.1,DNS:localhost,DNS:127.0.0.1
EXT
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial \
    -days 2 -sha256 -extfile server.ext -out server.pem 2>/dev/null
rm -f server.csr server.ext ca.srl
# The CA's key is never needed again.
rm -f ca.key
