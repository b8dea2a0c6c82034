#!/usr/bin/env python3
"""Points a linked program's load configuration directory at its _load_config_used record.

lld does this itself; GNU ld before 2.41 leaves the directory empty, so the loader
would never read the record. Idempotent: a directory already pointing at the
record is left alone. The PE checksum is written again afterwards.
Usage: set_load_config.py <program.exe> <nm>
"""
import struct
import subprocess
import sys

DIRECTORY_LOAD_CONFIG = 10


def record_address(nm, path):
    for line in subprocess.run([nm, path], check=True, capture_output=True, text=True).stdout.splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[2] == "_load_config_used":
            return int(fields[0], 16)
    sys.exit("%s: no _load_config_used symbol" % path)


def pe_checksum(data, checksum_offset):
    total = 0
    padded = data + b"\0" * (len(data) % 2)
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    # The checksum field itself counts as zero.
    for (word,) in struct.iter_unpack("<H", data[checksum_offset:checksum_offset + 4]):
        total -= word
        if total < 0:
            total += 0xFFFF
    total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(data)


def main(path, nm):
    with open(path, "rb") as file:
        data = bytearray(file.read())
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] != 0x20B:
        sys.exit("%s: not a 64-bit program" % path)
    image_base = struct.unpack_from("<Q", data, optional + 24)[0]
    entry = optional + 112 + 8 * DIRECTORY_LOAD_CONFIG
    rva = record_address(nm, path) - image_base

    sections = struct.unpack_from("<H", data, pe + 6)[0]
    table = optional + struct.unpack_from("<H", data, pe + 20)[0]
    for i in range(sections):
        virtual_size, address, raw_size, raw_pointer = struct.unpack_from("<8xIIII", data, table + 40 * i)
        if address <= rva < address + min(virtual_size, raw_size):
            size = struct.unpack_from("<I", data, raw_pointer + rva - address)[0]
            break
    else:
        sys.exit("%s: _load_config_used lies in no section" % path)

    if struct.unpack_from("<II", data, entry) == (rva, size):
        return 0
    struct.pack_into("<II", data, entry, rva, size)
    checksum_offset = optional + 64
    struct.pack_into("<I", data, checksum_offset, 0)
    struct.pack_into("<I", data, checksum_offset, pe_checksum(bytes(data), checksum_offset))
    with open(path, "wb") as file:
        file.write(data)
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
