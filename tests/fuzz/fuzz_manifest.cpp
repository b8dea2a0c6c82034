// The manifest reader never crashes; its pairs are half its strings; a selected
// URL always contains the file name that selected it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bootstrap/manifest.h"

namespace {

// Counts quoted strings the way the reader's format defines them.
std::size_t countStrings(const std::vector<unsigned char>& body) {
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < body.size()) {
        if (body[i] != '"') {
            ++i;
            continue;
        }
        ++i;
        while (i < body.size() && body[i] != '"') {
            if (body[i] == '\\' && i + 1 < body.size()) ++i;
            ++i;
        }
        ++count;
        ++i;
    }
    return count;
}

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<unsigned char> body(data, data + size);
    const std::vector<ManifestPair> pairs = readManifestPairs(body);
    check(pairs.size() == countStrings(body) / 2);

    const ManifestSelection selection = selectManifestEntries(pairs);
    check(selection.launcherJarUrl.empty() ||
          selection.launcherJarUrl.find("Morvanta.jar") != std::string::npos);
    check(selection.javaZipUrl.empty() ||
          selection.javaZipUrl.find("java-x64.zip") != std::string::npos);
    return 0;
}
