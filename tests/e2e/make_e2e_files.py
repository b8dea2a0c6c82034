#!/usr/bin/env python3
"""Writes what the end-to-end runs serve and expect.

    make_e2e_files.py <docroot> <manifest dir> <stand-in exe> <https base URL> <publish tool> [runner]

Into <docroot>/files/: the launcher jar, the runtime zip holding the stand-in
Java program as jdk-17-test/bin/javaw.exe, a runtime without any Java
executable in a bin folder, a runtime whose archive is damaged (its digest
still matches), and a second release of the runtime with the publishing tool's
delta from the first (and a damaged copy of it), the second's files unpacked
under <docroot>/expected-b, and one whose central directory names its Java
otherwise than the entry's own header. Into <manifest dir>: one launcher.json per scenario, copied to
<docroot>/starter/launcher.json by the test before each run.
"""
import hashlib
import os
import shutil
import struct
import subprocess
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


def make_runtime(path, stand_in, root="jdk-17-test", modules=None):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as runtime:
        add(runtime, root + "/release", b'JAVA_VERSION="17.0.99"\n')
        add(runtime, root + "/bin/javaw.exe", stand_in)
        add(runtime, root + "/bin/java.exe", stand_in)
        add(runtime, root + "/lib/modules", modules or os.urandom(64 * 1024) * 8)
        add(runtime, root + "/conf/security/java.security", b"# test\n" * 200)


def make_next_release(previous, path, stand_in, root="jdk-17-test"):
    """A patch release: modules changed in places, java.exe gone, a file and an empty folder new."""
    with zipfile.ZipFile(previous) as old:
        modules = bytearray(old.read(root + "/lib/modules"))
    modules[1000:1010] = b"patched!!!"
    modules += os.urandom(4096)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as runtime:
        add(runtime, root + "/release", b'JAVA_VERSION="17.0.100"\n')
        add(runtime, root + "/bin/javaw.exe", stand_in)
        add(runtime, root + "/lib/modules", bytes(modules))
        add(runtime, root + "/conf/security/java.security", b"# test\n" * 200)
        add(runtime, root + "/lib/security/cacerts", os.urandom(3000))
        info = zipfile.ZipInfo(root + "/legal/", TIME)
        info.external_attr = 0o40755 << 16 | 0x10
        runtime.writestr(info, b"")


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


def make_release_b_and_delta(docroot, files, runtime, stand_in, tool):
    """The next release and its delta, made by the publishing tool from the first."""
    release_b = os.path.join(files, "b", "java-x64.zip")
    os.makedirs(os.path.dirname(release_b), exist_ok=True)
    make_next_release(runtime, release_b, stand_in)
    delta_name = "java-x64.from-%s.delta" % sha256(runtime)
    deltas = os.path.join(files, "d")
    shutil.rmtree(deltas, ignore_errors=True)
    os.makedirs(os.path.join(deltas, "damaged"))
    # The Windows build of the tool runs under Wine, which sees this machine's root as Z:.
    on_tool = (lambda path: "Z:" + os.path.abspath(path)) if tool[1:] else (lambda path: path)
    subprocess.run(tool[1:] + [tool[0], "delta", "--from", on_tool(runtime), "--to", on_tool(release_b),
                               "--out", on_tool(deltas)], check=True, stdout=subprocess.DEVNULL)
    delta = os.path.join(deltas, delta_name)
    damaged = bytearray(open(delta, "rb").read())
    damaged[-20] ^= 0xFF  # inside the last file's data: its digest still matches the manifest
    open(os.path.join(deltas, "damaged", delta_name), "wb").write(bytes(damaged))
    expected_b = os.path.join(docroot, "expected-b")
    shutil.rmtree(expected_b, ignore_errors=True)
    with zipfile.ZipFile(release_b) as unpack:
        unpack.extractall(expected_b)

    return release_b, delta, delta_name, deltas


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
    tool = sys.argv[5:]
    if not tool:  # the benchmarks need only the first release
        return finish(manifests, docroot, scenarios)
    release_b, delta, delta_name, deltas = make_release_b_and_delta(docroot, files, runtime, stand_in, tool)
    release_b_pair = (base + "/files/b/java-x64.zip", sha256(release_b))
    scenarios["delta_b"] = [jar_pair, release_b_pair, (base + "/files/d/" + delta_name, sha256(delta))]
    scenarios["delta_damaged"] = [jar_pair, release_b_pair,
                                  (base + "/files/d/damaged/" + delta_name, sha256(os.path.join(deltas, "damaged", delta_name)))]
    other_base = "java-x64.from-%s.delta" % ("c" * 64)
    scenarios["delta_other_base"] = [jar_pair, release_b_pair, (base + "/files/d/" + other_base, sha256(delta))]
    finish(manifests, docroot, scenarios)


def finish(manifests, docroot, scenarios):
    for name, pairs in scenarios.items():
        write_manifest(os.path.join(manifests, name + ".json"), pairs)
    # Until a test puts a manifest in place, the servers have none.
    try:
        os.remove(os.path.join(docroot, "starter", "launcher.json"))
    except FileNotFoundError:
        pass


if __name__ == "__main__":
    main()
