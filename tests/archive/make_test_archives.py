#!/usr/bin/env python3
"""Writes the zip archives the archive tests unpack into the folder given as the argument."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib

import zip_compat_fixtures

FIXED_TIME = (2020, 1, 2, 3, 4, 6)


def write_zip(path, entries, compression=zipfile.ZIP_DEFLATED):
    """entries: list of (name, bytes or None for a folder entry)."""
    with zipfile.ZipFile(path, "w", compression) as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, FIXED_TIME)
            info.compress_type = compression
            if data is None:
                info.external_attr = 0o40755 << 16 | 0x10
                archive.writestr(info, b"")
            else:
                archive.writestr(info, data)


def patch_crc(path, entry_name):
    """Flips the CRC-32 of one entry in its local and its central header."""
    blob = bytearray(open(path, "rb").read())
    name = entry_name.encode()
    for signature, crc_at, name_len_at, name_at in ((b"PK\x03\x04", 14, 26, 30), (b"PK\x01\x02", 16, 28, 46)):
        pos = 0
        while True:
            pos = blob.find(signature, pos)
            if pos < 0:
                break
            length = struct.unpack_from("<H", blob, pos + name_len_at)[0]
            if bytes(blob[pos + name_at:pos + name_at + length]) == name:
                crc = struct.unpack_from("<I", blob, pos + crc_at)[0]
                struct.pack_into("<I", blob, pos + crc_at, crc ^ 0xFFFFFFFF)
            pos += 4
    open(path, "wb").write(bytes(blob))


def write_zip64(path, entries):
    """A ZIP64 archive written by hand: every size and offset in the ZIP64 extra
    fields, the classic end record saturated, the ZIP64 end record and locator."""
    out = bytearray()
    central = bytearray()
    dos_time = (3 << 11) | (4 << 5) | (6 // 2)
    dos_date = ((2020 - 1980) << 9) | (1 << 5) | 2
    for name, data, method in entries:
        raw = name.encode()
        packed = zlib.compress(data, 9)[2:-4] if method == 8 else data
        crc = zlib.crc32(data)
        offset = len(out)
        local_extra = struct.pack("<HHQQ", 1, 16, len(data), len(packed))
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 45, 0x800, method, dos_time, dos_date, crc,
                           0xFFFFFFFF, 0xFFFFFFFF, len(raw), len(local_extra)) + raw + local_extra + packed
        extra = struct.pack("<HHQQQ", 1, 24, len(data), len(packed), offset)
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 45, 45, 0x800, method, dos_time, dos_date,
                               crc, 0xFFFFFFFF, 0xFFFFFFFF, len(raw), len(extra), 0, 0, 0, 0,
                               0xFFFFFFFF) + raw + extra
    directory_offset = len(out)
    out += central
    zip64_end_offset = len(out)
    out += struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, len(entries), len(entries),
                       len(central), directory_offset)
    out += struct.pack("<IIQI", 0x07064B50, 0, zip64_end_offset, 1)
    out += struct.pack("<IHHHHIIH", 0x06054B50, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
    open(path, "wb").write(bytes(out))


def write_encrypted(path, folder):
    """A real ZipCrypto entry made by Info-ZIP, or the encryption flag set by hand without it."""
    if shutil.which("zip"):
        with tempfile.TemporaryDirectory() as work:
            open(os.path.join(work, "secret.txt"), "wb").write(b"classified\n" * 50)
            subprocess.run(["zip", "-q", "-P", "password", os.path.abspath(path), "secret.txt"],
                           cwd=work, check=True)
        return
    write_zip(path, [("secret.txt", b"classified\n" * 50)])
    blob = bytearray(open(path, "rb").read())
    for signature, flags_at in ((b"PK\x03\x04", 6), (b"PK\x01\x02", 8)):
        pos = blob.find(signature)
        struct.pack_into("<H", blob, pos + flags_at, struct.unpack_from("<H", blob, pos + flags_at)[0] | 1)
    open(path, "wb").write(bytes(blob))


def main(arguments):
    folder = arguments[0]
    os.makedirs(folder, exist_ok=True)
    j = lambda name: os.path.join(folder, name)
    big = bytes(range(256)) * 4096 + b"tail"  # 1 MiB and more: several inflate chunks

    write_zip(j("empty.zip"), [])
    write_zip(j("files_only.zip"), [("runtime/bin/javaw.exe", b"MZ stand-in"), ("runtime/lib/big.bin", big)])
    write_zip(j("stored.zip"), [("plain/data.bin", big)], zipfile.ZIP_STORED)
    write_zip(j("folder_entry.zip"), [("runtime/lib/", None), ("runtime/readme.txt", b"hello")])
    write_zip(j("cyrillic.zip"), [("среда/Файл-ё.txt", "привет".encode())])
    write_zip(j("overwrite.zip"), [("keep/a.txt", b"new contents")])
    write_zip(j("backslash_names.zip"), [("win\\style\\name.txt", b"backslashes")])

    write_zip(j("first_failure.zip"), [("one.txt", b"first" * 100), ("two.txt", b"second" * 100),
                                      ("three.txt", b"third" * 100)])
    patch_crc(j("first_failure.zip"), "two.txt")
    write_zip(j("corrupt_crc.zip"), [("bad.bin", big)])
    patch_crc(j("corrupt_crc.zip"), "bad.bin")
    write_zip(j("stored_corrupt_crc.zip"), [("bad.bin", b"stored bytes" * 10)], zipfile.ZIP_STORED)
    patch_crc(j("stored_corrupt_crc.zip"), "bad.bin")

    write_zip(j("whole.zip"), [("a/first.txt", b"first" * 1000), ("a/second.txt", b"second" * 1000)])
    blob = open(j("whole.zip"), "rb").read()
    open(j("truncated.zip"), "wb").write(blob[:blob.find(b"PK\x01\x02")])  # central directory gone
    open(j("not_a_zip.zip"), "wb").write(b"this is not an archive at all" * 10)
    end = blob.rfind(b"PK\x05\x06")
    bad_offset = bytearray(blob)
    struct.pack_into("<I", bad_offset, end + 16, len(blob) * 4)  # directory offset past the end
    open(j("directory_out_of_range.zip"), "wb").write(bytes(bad_offset))
    lying_count = bytearray(blob)
    struct.pack_into("<HH", lying_count, end + 8, 60000, 60000)  # more entries than the directory holds
    open(j("entry_count_lie.zip"), "wb").write(bytes(lying_count))
    local = bytearray(blob)
    central = blob.find(b"PK\x01\x02")
    struct.pack_into("<I", local, central + 20, 0x7FFFFFF0)  # compressed size past the directory
    open(j("entry_size_out_of_range.zip"), "wb").write(bytes(local))
    cut_data = bytearray(blob)
    struct.pack_into("<I", cut_data, central + 20, 10)  # deflate stream cut short
    open(j("deflate_cut_short.zip"), "wb").write(bytes(cut_data))
    bigger = bytearray(blob)
    struct.pack_into("<I", bigger, central + 24, 100)  # says 100 bytes; inflates to 5000
    open(j("size_understated.zip"), "wb").write(bytes(bigger))
    method = bytearray(blob)
    struct.pack_into("<H", method, central + 10, 12)  # bzip2
    struct.pack_into("<H", method, 8, 12)
    open(j("unsupported_method.zip"), "wb").write(bytes(method))

    write_encrypted(j("encrypted.zip"), folder)
    write_zip64(j("zip64.zip"), [("big/deflated.bin", big, 8), ("big/stored.txt", b"stored in zip64\n", 0)])

    zip64 = open(j("zip64.zip"), "rb").read()
    zip64_end = zip64.rfind(b"PK\x06\x06")
    huge_count = bytearray(zip64)
    struct.pack_into("<QQ", huge_count, zip64_end + 24, 10**12, 10**12)  # a trillion entries in a few bytes
    open(j("zip64_count_lie.zip"), "wb").write(bytes(huge_count))
    two_disks = bytearray(zip64)
    struct.pack_into("<I", two_disks, zip64.rfind(b"PK\x06\x07") + 16, 2)  # spanned over two disks
    open(j("zip64_two_disks.zip"), "wb").write(bytes(two_disks))

    write_zip(j("stored_size_mismatch.zip"), [("plain/data.bin", b"stored bytes" * 10)], zipfile.ZIP_STORED)
    mismatch = bytearray(open(j("stored_size_mismatch.zip"), "rb").read())
    struct.pack_into("<I", mismatch, mismatch.find(b"PK\x01\x02") + 24, 60)  # stored, yet sizes differ
    open(j("stored_size_mismatch.zip"), "wb").write(bytes(mismatch))

    # A folder marked only by its DOS attribute, its name without the trailing slash.
    with zipfile.ZipFile(j("folder_attribute.zip"), "w") as archive:
        info = zipfile.ZipInfo("runtime/lib", FIXED_TIME)
        info.external_attr = 0x10
        archive.writestr(info, b"")
        archive.writestr(zipfile.ZipInfo("runtime/readme.txt", FIXED_TIME), b"hello")

    # The archive comment holds an end-record signature whose own comment would run past
    # the file's end: the reader must skip it and find the real record before it.
    with zipfile.ZipFile(j("comment_with_fake_end.zip"), "w") as archive:
        archive.writestr(zipfile.ZipInfo("a/first.txt", FIXED_TIME), b"first")
        archive.comment = b"PK\x05\x06" + bytes(16) + b"\xff\xff"

    # Archives whose central directory disagrees with their entries: refused when unpacked
    # as they arrive, however the directory alone reads.
    first_record_end = central + 46 + len(b"a/first.txt")
    renamed = bytearray(blob)
    renamed[central + 46:first_record_end] = b"a/firsT.txt"
    open(j("disagree_name.zip"), "wb").write(bytes(renamed))
    other_crc = bytearray(blob)
    struct.pack_into("<I", other_crc, central + 16, struct.unpack_from("<I", blob, central + 16)[0] ^ 1)
    open(j("disagree_crc.zip"), "wb").write(bytes(other_crc))
    open(j("trailing_bytes.zip"), "wb").write(blob + b"\0" * 16)
    write_zip(j("stray.zip"), [("a/stray.txt", b"in no directory")])
    stray = open(j("stray.zip"), "rb").read()
    stray_local = stray[:stray.find(b"PK\x01\x02")]
    os.remove(j("stray.zip"))
    directory = blob[central:end]
    open(j("outside_directory.zip"), "wb").write(
        blob[:central] + stray_local + directory + blob[end:end + 16] +
        struct.pack("<I", central + len(stray_local)) + blob[end + 20:])
    first_record = blob[central:first_record_end]  # zipfile writes no extra field or comment here
    doubled = first_record + directory
    open(j("directory_twice.zip"), "wb").write(
        blob[:central] + doubled + struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 3, 3, len(doubled), central, 0))

    # Archives as the common tools write them, when the tools are there.
    tool_tree = tempfile.mkdtemp()
    os.makedirs(os.path.join(tool_tree, "jdk", "bin"))
    os.makedirs(os.path.join(tool_tree, "jdk", "lib", "empty"))
    open(os.path.join(tool_tree, "jdk", "bin", "javaw.exe"), "wb").write(b"MZ" + big)
    open(os.path.join(tool_tree, "jdk", "release"), "wb").write(b'JAVA_VERSION="17"\n')
    open(os.path.join(tool_tree, "jdk", "lib", "tiny"), "wb").write(b"")
    for name, command in (("tool_jar.zip", ["jar", "cf", "{out}", "jdk"]),
                          ("tool_infozip.zip", ["zip", "-q", "-r", "-X", "{out}", "jdk"]),
                          ("tool_infozip_zip64.zip", ["zip", "-q", "-r", "-X", "-fz", "{out}", "jdk"])):
        if shutil.which(command[0]):
            out = os.path.abspath(j(name))
            subprocess.run([out if part == "{out}" else part for part in command], cwd=tool_tree, check=True)
    if shutil.which("zip"):
        # Written to a pipe, Info-ZIP puts each entry's sizes in a data descriptor.
        listing = subprocess.run(["find", "jdk"], cwd=tool_tree, capture_output=True, check=True).stdout
        piped = subprocess.run(["zip", "-q", "-X", "-", "-@"], cwd=tool_tree, input=listing,
                               stdout=subprocess.PIPE, check=True).stdout
        open(j("tool_infozip_pipe.zip"), "wb").write(piped)
    shutil.rmtree(tool_tree)

    traversal = {
        "dotdot": "../evil.txt",
        "dotdot_inner": "a/../../evil.txt",
        "dotdot_backslash": "..\\evil.txt",
        "dotdot_trailing_dot": "a/.../evil.txt",
        "dotdot_trailing_space": "a/.. /evil.txt",
        "leading_slash": "/evil.txt",
        "leading_backslash": "\\evil.txt",
        "drive_letter": "C:/evil.txt",
        "drive_relative": "C:evil.txt",
        "alternate_stream": "good.txt:evil",
        "device_name": "folder/NUL.txt",
        "unc": "//server/share/evil.txt",
    }
    for key, name in traversal.items():
        write_zip(j("traversal_%s.zip" % key), [("safe.txt", b"safe"), (name, b"evil")])

    long_name = "/".join(["d" * 100] * 6) + "/over.txt"  # well past 519 bytes once joined
    write_zip(j("long_path.zip"), [(long_name, b"too long")])
    # 304 bytes of UTF-8 in 104 characters: the test pads the destination to hit the limit exactly.
    write_zip(j("limit_path.zip"), [("\u5b57" * 100 + ".txt", b"at the limit")])

    zip_compat_fixtures.write_all(folder)


if __name__ == "__main__":
    main(sys.argv[1:])
