#!/usr/bin/env python3
"""Writes what the end-to-end runs serve and expect.

    make_e2e_files.py <docroot> <manifest dir> <stand-in exe> <https base URL>

Into <docroot>/files/: the launcher jar, the runtime zip holding the stand-in
Java program as jdk-17-test/bin/javaw.exe, a runtime without any Java
executable in a bin folder, a runtime whose archive is damaged (its digest
still matches), and one whose central directory names its Java otherwise than
the entry's own header. Into <manifest dir>: one launcher.json per scenario, copied to
<docroot>/starter/launcher.json by the test before each run.
"""
import hashlib
import os
import struct
import sys
import zipfile

TIME = (2024, 5, 6, 7, 8, 10)


def add(archive, name, data, method=zipfile.ZIP_DEFLATED):
    info = zipfile.ZipInfo(name, TIME)
    info.compress_type = method
    info.external_attr = 0o100755 << 16
    archive.writestr(info, data)


def make_jar(path):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as jar:
        add(jar, "META-INF/MANIFEST.MF", b"Manifest-Version: 1.0\r\nMain-Class: Launcher\r\n\r\n")
        add(jar, "Launcher.class", b"\xca\xfe\xba\xbe" + b"\x00" * 60)


def make_runtime(path, stand_in, root="jdk-17-test"):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as runtime:
        add(runtime, root + "/release", b'JAVA_VERSION="17.0.99"\n')
        add(runtime, root + "/bin/javaw.exe", stand_in)
        add(runtime, root + "/bin/java.exe", stand_in)
        add(runtime, root + "/lib/modules", os.urandom(64 * 1024) * 8)
        add(runtime, root + "/conf/security/java.security", b"# test\n" * 200)


def make_runtime_without_java(path):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as runtime:
        add(runtime, "jre/release", b'JAVA_VERSION="17"\n')
        add(runtime, "jre/lib/javaw.exe", b"not in a bin folder")
        add(runtime, "jre/bin2/javaw.exe", b"not in a bin folder either")


def make_damaged_runtime(path, stand_in):
    """release unpacks, then bin/javaw.exe fails its CRC check."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as runtime:
        add(runtime, "jdk-broken/release", b'JAVA_VERSION="17"\n')
        add(runtime, "jdk-broken/bin/javaw.exe", stand_in)
    blob = bytearray(open(path, "rb").read())
    name = b"jdk-broken/bin/javaw.exe"
    for signature, crc_at, name_at in ((b"PK\x03\x04", 14, 30), (b"PK\x01\x02", 16, 46)):
        pos = 0
        while (pos := blob.find(signature, pos)) >= 0:
            if blob[pos + name_at:pos + name_at + len(name)] == name:
                struct.pack_into("<I", blob, pos + crc_at, struct.unpack_from("<I", blob, pos + crc_at)[0] ^ 1)
            pos += 4
    open(path, "wb").write(bytes(blob))


def make_disagreeing_runtime(path, stand_in):
    """Java in the entries, none by the central directory's names: an unpack that took the
    entries without checking them against the directory would launch it."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as runtime:
        add(runtime, "jdk-odd/release", b'JAVA_VERSION="17"\n')
        add(runtime, "jdk-odd/bin/javaw.exe", stand_in)
    blob = bytearray(open(path, "rb").read())
    name = blob.find(b"jdk-odd/bin/javaw.exe", blob.find(b"PK\x01\x02"))
    blob[name:name + len(b"jdk-odd/bin/javaw.exe")] = b"jdk-odd/bin/javaw.exx"
    open(path, "wb").write(bytes(blob))


def sha256(path):
    return hashlib.sha256(open(path, "rb").read()).hexdigest()


def write_manifest(path, pairs):
    body = "{\n" + ",\n".join('  "%s": "%s"' % pair for pair in pairs) + "\n}\n"
    open(path, "w").write(body)


def main():
    docroot, manifests, stand_in_path, base = sys.argv[1:5]
    files = os.path.join(docroot, "files")
    for folder in ("", "nojava", "broken", "disagree"):
        os.makedirs(os.path.join(files, folder), exist_ok=True)
    os.makedirs(manifests, exist_ok=True)
    os.makedirs(os.path.join(docroot, "starter"), exist_ok=True)
    stand_in = open(stand_in_path, "rb").read()

    jar = os.path.join(files, "Morvanta.jar")
    runtime = os.path.join(files, "java-x64.zip")
    no_java = os.path.join(files, "nojava", "java-x64.zip")
    broken = os.path.join(files, "broken", "java-x64.zip")
    make_jar(jar)
    make_runtime(runtime, stand_in)
    make_runtime_without_java(no_java)
    make_damaged_runtime(broken, stand_in)
    disagree = os.path.join(files, "disagree", "java-x64.zip")
    make_disagreeing_runtime(disagree, stand_in)

    jar_pair = (base + "/files/Morvanta.jar", sha256(jar))
    runtime_pair = (base + "/files/java-x64.zip", sha256(runtime))
    scenarios = {
        "complete": [jar_pair, runtime_pair],
        "incomplete": [jar_pair],
        "jar_missing": [(base + "/files/missing/Morvanta.jar", "0" * 64), runtime_pair],
        "runtime_digest_wrong": [jar_pair, (runtime_pair[0], "ab" * 32)],
        "runtime_without_java": [jar_pair, (base + "/files/nojava/java-x64.zip", sha256(no_java))],
        "runtime_damaged": [jar_pair, (base + "/files/broken/java-x64.zip", sha256(broken))],
        "runtime_disagreeing": [jar_pair, (base + "/files/disagree/java-x64.zip", sha256(disagree))],
    }
    for name, pairs in scenarios.items():
        write_manifest(os.path.join(manifests, name + ".json"), pairs)
    # Until a test puts a manifest in place, the servers have none.
    try:
        os.remove(os.path.join(docroot, "starter", "launcher.json"))
    except FileNotFoundError:
        pass


if __name__ == "__main__":
    main()
