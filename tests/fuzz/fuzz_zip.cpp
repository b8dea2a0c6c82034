// The zip reader, driven through the starter's unpacking loop, never
// crashes, never writes outside its destination folder, and keeps memory
// bounded whatever sizes and counts the archive claims.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

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

    extractZipPortable(archive.string(), dest.string());
    check(onlyExpectedChildren(root));
    return 0;
}
