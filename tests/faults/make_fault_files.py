#!/usr/bin/python3
"""Files for the whole-program fault runs.

    make_fault_files.py <files dir> <stand-in javaw.exe>

Writes Morvanta.jar, small.zip (a tiny runtime), runtime-b.zip (another,
with jdk/runtime-b.txt), no-java.zip (no Java inside), big.zip (a runtime of about
6 MiB that does not compress), java-first.zip (Java before a large file) and
the hostile runtimes hostile-*.zip.
"""
import io
import os
import random
import struct
import sys
import zipfile
import zlib


def runtime(path, stand_in, filler=0, extra=()):
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in extra:
            archive.writestr(zipfile.ZipInfo(name), data, zipfile.ZIP_DEFLATED)
        archive.writestr("jdk/release", b'JAVA_VERSION="17"\n')
        if filler:
            noise = random.Random(6).randbytes(filler)
            archive.writestr("jdk/lib/modules", noise, zipfile.ZIP_STORED)
        archive.write(stand_in, "jdk/bin/javaw.exe", zipfile.ZIP_DEFLATED)


def bomb(path, stand_in):
    """An entry that claims 1000 bytes but inflates to 64 MiB, then Java."""
    data = b"\0" * (64 << 20)
    packed = zlib.compressobj(9, zlib.DEFLATED, -15)
    deflated = packed.compress(data) + packed.flush()
    name = b"jdk/lib/bomb.bin"
    claimed, crc = 1000, zlib.crc32(b"\0" * 1000)
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 8, 0, 0x21, crc, len(deflated), claimed,
                        len(name), 0) + name
    central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 8, 0, 0x21, crc, len(deflated),
                          claimed, len(name), 0, 0, 0, 0, 0, 0) + name
    with open(path, "wb") as out:
        out.write(local + deflated)
        # Java after the bomb: if the bomb were skipped, the run would launch.
        rest = io.BytesIO()
        with zipfile.ZipFile(rest, "w") as tail:
            tail.write(stand_in, "jdk/bin/javaw.exe", zipfile.ZIP_DEFLATED)
        tail_bytes = rest.getvalue()
        # Re-base the tail's single entry after the bomb.
        tail_local_len = tail_bytes.index(b"PK\x01\x02")
        tail_central = bytearray(tail_bytes[tail_local_len:tail_bytes.index(b"PK\x05\x06")])
        offset = len(local) + len(deflated)
        struct.pack_into("<I", tail_central, 42, offset)
        out.write(tail_bytes[:tail_local_len])
        directory_offset = offset + tail_local_len
        directory = central + bytes(tail_central)
        out.write(directory)
        out.write(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 2, 2, len(directory), directory_offset, 0))


def java_first(path, stand_in):
    """Java comes first, then 192 MiB that take a while to write: a run cut in between
    leaves the executable beside a file that is not complete."""
    with zipfile.ZipFile(path, "w") as archive:
        archive.write(stand_in, "jdk/bin/javaw.exe", zipfile.ZIP_DEFLATED)
        archive.writestr("jdk/release", b'JAVA_VERSION="17"\n')
        block = random.Random(7).randbytes(1 << 14)  # repeats within the window: small to serve
        info = zipfile.ZipInfo("jdk/lib/modules")
        info.compress_type = zipfile.ZIP_DEFLATED
        with archive.open(info, "w", force_zip64=True) as modules:
            for _ in range(192 << 6):
                modules.write(block)


def main():
    files, stand_in = sys.argv[1], sys.argv[2]
    os.makedirs(files, exist_ok=True)
    with open(os.path.join(files, "Morvanta.jar"), "wb") as jar:
        jar.write(b"PK\3\4 stand-in launcher jar for the fault runs\n" * 64)
    runtime(os.path.join(files, "small.zip"), stand_in)
    runtime(os.path.join(files, "big.zip"), stand_in, filler=6 << 20)
    # A newer runtime that says which it is, and an archive that holds no Java at all.
    runtime(os.path.join(files, "runtime-b.zip"), stand_in, extra=[("jdk/runtime-b.txt", b"B")])
    with zipfile.ZipFile(os.path.join(files, "no-java.zip"), "w") as archive:
        archive.writestr("jdk/release", b'JAVA_VERSION="17"\n')
    # Each hostile entry comes before Java: skipping it instead of failing would launch.
    runtime(os.path.join(files, "hostile-traversal.zip"), stand_in,
            extra=[("jdk/../../../evil-traversal.txt", b"escaped")])
    runtime(os.path.join(files, "hostile-absolute.zip"), stand_in,
            extra=[("C:/evil-absolute.txt", b"escaped")])
    runtime(os.path.join(files, "hostile-rooted.zip"), stand_in,
            extra=[("/evil-rooted.txt", b"escaped")])
    runtime(os.path.join(files, "hostile-stream.zip"), stand_in,
            extra=[("jdk/release:evil-stream", b"escaped")])
    runtime(os.path.join(files, "hostile-long.zip"), stand_in,
            extra=[("jdk/" + "/".join(["deep-folder-name-" + "x" * 40] * 12) + "/evil-long.txt", b"long")])
    bomb(os.path.join(files, "hostile-bomb.zip"), stand_in)
    java_first(os.path.join(files, "java-first.zip"), stand_in)


if __name__ == "__main__":
    main()
