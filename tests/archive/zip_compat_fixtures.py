"""Archives written byte by byte, for the forms other writers produce that
Python's zipfile never writes: data descriptors, folders marked only by their
MS-DOS attribute, names without the UTF-8 flag, deflated empty files, odd
extra fields, disk numbers 1, and times on both sides of daylight saving."""
import os
import struct
import zlib

SUMMER = (2021, 7, 15, 13, 34, 56)  # CEST in Berlin: 11:34:56 UTC
WINTER = (2021, 1, 15, 13, 34, 56)  # CET in Berlin: 12:34:56 UTC
DEFAULT_TIME = (2020, 1, 2, 3, 4, 6)

FLAG_DESCRIPTOR = 0x0008
FLAG_UTF8 = 0x0800
SYSTEM_FAT = 0
SYSTEM_UNIX = 3


def dos_fields(when):
    year, month, day, hour, minute, second = when
    return (hour << 11) | (minute << 5) | (second // 2), ((year - 1980) << 9) | (month << 5) | day


def entry(name, data=b"", **options):
    """One entry: name as text (UTF-8) or bytes, data, and any of method, flags,
    when, attributes, system, central_extra, local_extra, descriptor
    ("signed" or "unsigned"), sizes (compressed, uncompressed as written)."""
    options.setdefault("method", 8)
    options.setdefault("when", DEFAULT_TIME)
    raw = name if isinstance(name, bytes) else name.encode()
    options.setdefault("flags", 0 if all(b < 0x80 for b in raw) else FLAG_UTF8)
    options.setdefault("system", SYSTEM_UNIX)
    options.setdefault("attributes", 0o100644 << 16)
    return dict(options, name=raw, data=data)


def build(entries, disks=(0, 0)):
    out = bytearray()
    central = bytearray()
    for item in entries:
        data = item["data"]
        if item["method"] == 8:
            packed = item.get("packed")
            if packed is None:
                compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
                packed = compressor.compress(data) + compressor.flush()
        else:
            packed = data
        crc = zlib.crc32(data)
        compressed, uncompressed = item.get("sizes", (len(packed), len(data)))
        dos_time, dos_date = dos_fields(item["when"])
        flags = item["flags"] | (FLAG_DESCRIPTOR if item.get("descriptor") else 0)
        offset = len(out)
        local_extra = item.get("local_extra", b"")
        if item.get("descriptor"):
            local_crc, local_sizes = 0, (0, 0)
        else:
            local_crc, local_sizes = crc, (compressed, uncompressed)
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, flags, item["method"], dos_time, dos_date, local_crc,
                           local_sizes[0], local_sizes[1], len(item["name"]), len(local_extra))
        out += item["name"] + local_extra + packed
        if item.get("descriptor") == "signed":
            out += struct.pack("<IIII", 0x08074B50, crc, compressed, uncompressed)
        elif item.get("descriptor") == "unsigned":
            out += struct.pack("<III", crc, compressed, uncompressed)
        extra = item.get("central_extra", b"")
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, (item["system"] << 8) | 20, 20, flags,
                               item["method"], dos_time, dos_date, crc, compressed, uncompressed,
                               len(item["name"]), len(extra), 0, 0, 0, item["attributes"], offset)
        central += item["name"] + extra
    directory_offset = len(out)
    out += central
    out += struct.pack("<IHHHHIIH", 0x06054B50, disks[0], disks[1], len(entries), len(entries), len(central),
                       directory_offset, 0)
    return bytes(out)


def folder(name, **options):
    options.setdefault("attributes", 0o40755 << 16 | 0x10)
    return entry(name, b"", method=0, **options)


PAYLOAD = b"The quick brown fox jumps over the lazy dog.\n" * 200

# Archives that every zip tool in common use unpacks; each unpacks to the same tree as Info-ZIP unzip.
COMPATIBLE = {
    "descriptor_signed.zip": [
        entry("jdk/lib/modules", PAYLOAD, descriptor="signed"),
        entry("jdk/lib/stored.txt", b"stored with a descriptor", method=0, descriptor="signed"),
        entry("jdk/release", b"JAVA_VERSION=17", descriptor="signed"),
    ],
    "descriptor_unsigned.zip": [
        entry("jdk/lib/modules", PAYLOAD, descriptor="unsigned"),
        entry("jdk/release", b"JAVA_VERSION=17", descriptor="unsigned"),
    ],
    # Written on MS-DOS or Windows: the folder's name has no slash, only the attribute says so.
    "dos_folder_attribute.zip": [
        folder("jdk/", system=SYSTEM_FAT, attributes=0x10),
        entry("jdk/conf/net.properties", b"java.net.useSystemProxies=false", system=SYSTEM_FAT, attributes=0x20),
        folder("jdk/conf/empty", system=SYSTEM_FAT, attributes=0x10),
        folder("jdk/legal", system=SYSTEM_FAT, attributes=0x10),
    ],
    "names_without_utf8_flag.zip": [
        entry("plain/ascii.txt", b"ascii", flags=0),
        entry("данные/файл-ё.txt".encode(), "привет".encode(), flags=0),
    ],
    "deflated_empty.zip": [
        entry("jdk/lib/empty.cfg", b"", packed=b""),
        entry("jdk/lib/after.txt", b"after the empty entry"),
    ],
    "extra_fields.zip": [
        # An unknown field whose length runs past the extra data, in both headers.
        entry("jdk/bad-extra.txt", PAYLOAD, central_extra=struct.pack("<HH", 0xCAFE, 40) + b"short",
              local_extra=struct.pack("<HH", 0xCAFE, 40) + b"short"),
        # A well-formed unknown field, then a stray byte too short for any header.
        entry("jdk/odd-extra.txt", b"odd", central_extra=struct.pack("<HH", 0x7A7A, 3) + b"abc" + b"\x01"),
        # A ZIP64 field that is not needed because nothing is saturated.
        entry("jdk/spare-zip64.txt", b"spare", central_extra=struct.pack("<HHQ", 1, 8, 5)),
    ],
    "disk_numbers_one.zip": [entry("jdk/one.txt", b"disk one")],
    "disk_numbers_zero.zip": [entry("jdk/zero.txt", b"disk zero")],
    # Appending writers leave the old entry in place: the last one wins, in unzip too.
    "duplicate_names.zip": [
        entry("jdk/lib/modules", bytes(range(256)) * 8192, method=0),
        entry("jdk/lib/modules", PAYLOAD * 50),
        entry("jdk/lib/modules", b"the last one", method=0),
    ],
    "summer_winter.zip": [
        entry("times/summer.txt", b"summer", when=SUMMER),
        entry("times/winter.txt", b"winter", when=WINTER),
    ],
}
DISKS = {"disk_numbers_one.zip": (1, 1)}

# Archives that must still fail: a needed ZIP64 field that is malformed.
REFUSED = {
    "zip64_needed_short.zip": [
        entry("big.bin", PAYLOAD, sizes=(0xFFFFFFFF, 0xFFFFFFFF), central_extra=struct.pack("<HHQ", 1, 8, len(PAYLOAD))),
    ],
    "zip64_needed_past_end.zip": [
        entry("big.bin", PAYLOAD, sizes=(0xFFFFFFFF, 0xFFFFFFFF),
              central_extra=struct.pack("<HHQ", 1, 24, len(PAYLOAD))),
    ],
}


def write_all(folder_path):
    """Writes every archive above into the folder; returns the compatible names."""
    os.makedirs(folder_path, exist_ok=True)
    for group in (COMPATIBLE, REFUSED):
        for name, entries in group.items():
            with open(os.path.join(folder_path, name), "wb") as out:
                out.write(build(entries, DISKS.get(name, (0, 0))))
    return sorted(COMPATIBLE)
