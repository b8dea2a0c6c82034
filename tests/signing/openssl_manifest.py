#!/usr/bin/env python3
"""Signed manifests with the host's openssl, independent of the starter's code.

    openssl_manifest.py verify <launcher.json> <public.pem>    exit 0 when every form the manifest needs verifies
    openssl_manifest.py sign <launcher.json> <private.pem> <sequence>   (re)writes the sequence and every form

A manifest with a starter entry carries "signature" over the v1 message (what
starters that know no entries check) and "signature-v2" over the v2 message.
"""
import json
import subprocess
import sys
import tempfile


MEMBERS = {1: "signature", 2: "signature-v2"}


def has_starter(manifest):
    return any("MorvantaStarter.exe" in k and "Morvanta.jar" not in k and "java-x64.zip" not in k for k in manifest)


def versions(manifest):
    return [1, 2] if has_starter(manifest) else [1]


def message(manifest, sequence, version=None):
    """v2, covering the starter entry, when there is one; `version` forces either."""
    jar = [k for k in manifest if "Morvanta.jar" in k][-1]
    zip_ = [k for k in manifest if "java-x64.zip" in k and "Morvanta.jar" not in k][-1]
    starter = [k for k in manifest if "MorvantaStarter.exe" in k and k not in (jar, zip_)]
    version = version or (2 if starter else 1)
    text = ("morvanta-manifest-v%d\n%s\n%s\n%s\n%s\n%s\n"
            % (version, sequence, jar, manifest[jar].lower(), zip_, manifest[zip_].lower()))
    if version == 2:
        text += "%s\n%s\n" % (starter[-1], manifest[starter[-1]].lower())
    return text.encode()


def der_integer(value):
    body = value.lstrip(b"\0") or b"\0"
    if body[0] & 0x80:
        body = b"\0" + body
    return b"\x02" + bytes([len(body)]) + body


def raw_to_der(raw):
    body = der_integer(raw[:32]) + der_integer(raw[32:])
    return b"\x30" + bytes([len(body)]) + body


def der_to_raw(der):
    assert der[0] == 0x30
    at, raw = 2, b""
    for _ in range(2):
        length = der[at + 1]
        raw += der[at + 2:at + 2 + length].lstrip(b"\0").rjust(32, b"\0")
        at += 2 + length
    return raw


def openssl(args, data):
    return subprocess.run(["openssl"] + args, input=data, capture_output=True)


def main():
    mode, path, key = sys.argv[1:4]
    manifest = json.load(open(path))
    with tempfile.NamedTemporaryFile() as scratch:
        if mode == "verify":
            for version in versions(manifest):
                scratch.seek(0)
                scratch.truncate()
                scratch.write(raw_to_der(bytes.fromhex(manifest[MEMBERS[version]])))
                scratch.flush()
                result = openssl(["dgst", "-sha256", "-verify", key, "-signature", scratch.name],
                                 message(manifest, manifest["sequence"], version))
                sys.stdout.write("v%d: %s" % (version, result.stdout.decode() + result.stderr.decode()))
                if result.returncode != 0:
                    return 1
            return 0
        sequence = sys.argv[4]
        for version in versions(manifest):
            result = openssl(["dgst", "-sha256", "-sign", key], message(manifest, sequence, version))
            if result.returncode != 0:
                sys.stderr.write(result.stderr.decode())
                return 1
            manifest[MEMBERS[version]] = der_to_raw(result.stdout).hex()
        manifest["sequence"] = sequence
        json.dump(manifest, open(path, "w"), indent=2)
        return 0


if __name__ == "__main__":
    sys.exit(main())
