#!/usr/bin/env python3
"""Checks from the PE file that a program loads no DLL from its own folder.

Passes when the load configuration's DependentLoadFlags confine static imports to
System32, or when every imported DLL is a KnownDLL (always mapped from System32).
Usage: check_dll_search.py <program.exe>...
"""
import struct
import sys

LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR = 0x100
LOAD_LIBRARY_SEARCH_APPLICATION_DIR = 0x200
LOAD_LIBRARY_SEARCH_USER_DIRS = 0x400
LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800
LOAD_LIBRARY_SEARCH_DEFAULT_DIRS = 0x1000
SEARCHES_ELSEWHERE = (LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_APPLICATION_DIR
                      | LOAD_LIBRARY_SEARCH_USER_DIRS | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS)

# KnownDLLs present from Windows 7 on; later versions add more, never fewer of these.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "gdi32.dll", "imagehlp.dll", "imm32.dll",
    "kernel32.dll", "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll",
    "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
}

DIRECTORY_IMPORT, DIRECTORY_LOAD_CONFIG, DIRECTORY_DELAY_IMPORT = 1, 10, 13


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ file")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections, optional_size = struct.unpack_from("<2xH12xH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        self.is64 = magic == 0x20B
        directories = optional + (112 if self.is64 else 96)
        count = struct.unpack_from("<I", data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<8xIIII", data, table + 40 * i) for i in range(sections)]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw_pointer in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_pointer + rva - address
        raise ValueError("RVA %#x is in no section" % rva)

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imported_dlls(self):
        names = []
        for index, stride, name_field in ((DIRECTORY_IMPORT, 20, 12), (DIRECTORY_DELAY_IMPORT, 32, 4)):
            rva, _ = self.directory(index)
            while rva:
                name = struct.unpack_from("<I", self.data, self.offset(rva) + name_field)[0]
                if name == 0:
                    break
                names.append(self.string(name))
                rva += stride
        return names

    def dependent_load_flags(self):
        """None when the file has no load configuration reaching that field."""
        rva, size = self.directory(DIRECTORY_LOAD_CONFIG)
        if not rva:
            return None
        field = 0x4E if self.is64 else 0x36
        start = self.offset(rva)
        declared = struct.unpack_from("<I", self.data, start)[0]
        if min(size, declared) < field + 2:
            return None
        return struct.unpack_from("<H", self.data, start + field)[0]


def verdict(imports, flags):
    """The problems found; empty when the program's own folder is never searched."""
    if flags is not None and flags & LOAD_LIBRARY_SEARCH_SYSTEM32 and not flags & SEARCHES_ELSEWHERE:
        return []
    unknown = sorted({name.lower() for name in imports} - KNOWN_DLLS)
    if not unknown:
        return []
    shown = "none" if flags is None else "%#x" % flags
    return ["imports %s, not KnownDLLs, with DependentLoadFlags %s" % (", ".join(unknown), shown)]


def main(paths):
    failed = False
    for path in paths:
        with open(path, "rb") as file:
            pe = PeFile(file.read())
        problems = verdict(pe.imported_dlls(), pe.dependent_load_flags())
        for problem in problems:
            print("%s: %s" % (path, problem))
        if not problems:
            print("%s: DLLs only from System32" % path)
        failed = failed or bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
