// The zip reader, driven through the starter's unpacking loop, never
// crashes, never writes outside its destination folder, and keeps memory
// bounded whatever sizes and counts the archive claims. The same bytes go
// through the runtime delta's reader, the other archive format from the network:
// whatever it accepts has safe names and data inside the file.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <vector>

#include "archive/delta_file.h"
#include "archive/entry_name.h"
#include "support/portable_extract.h"

namespace fs = std::filesystem;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

const fs::path& scratchRoot() {
    static const fs::path root = [] {
        std::string pattern = (fs::temp_directory_path() / "fuzz-zip-XXXXXX").string();
        check(mkdtemp(pattern.data()) != nullptr);
        return fs::path(pattern);
    }();
    return root;
}

// Everything under root except the destination folder and the archive.
bool onlyExpectedChildren(const fs::path& root) {
    for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (name != "dest" && name != "input.zip") return false;
    }
    return true;
}

void readAsDelta(const std::uint8_t* data, std::size_t size) {
    DeltaHeader header;
    if (!readDeltaHeader(data, size, header) || size - kDeltaHeaderSize < header.tableSize) return;
    std::vector<DeltaEntry> entries;
    // The file may be longer than the bytes in hand: its data are read later.
    const std::uint64_t fileSize = size + (size > 0 ? data[size - 1] : 0);
    if (!readDeltaTable(data + kDeltaHeaderSize, header.tableSize, fileSize, entries)) return;
    for (const DeltaEntry& entry : entries) {
        check(isSafeEntryName(entry.name) && entry.size <= kDeltaMaxFileSize);
        check(entry.dataOffset + entry.dataSize <= fileSize);
        if (entry.source == DeltaSource::Same || entry.source == DeltaSource::Patched)
            check(isSafeEntryName(entry.referenceName));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path& root = scratchRoot();
    const fs::path archive = root / "input.zip";
    const fs::path dest = root / "dest";
    std::error_code error;
    fs::remove_all(dest, error);
    fs::create_directories(dest);
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    readAsDelta(data, size);
    extractZipPortable(archive.string(), dest.string());
    check(onlyExpectedChildren(root));
    return 0;
}
