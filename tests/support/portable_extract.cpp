#include "support/portable_extract.h"

#include <filesystem>

#include "archive/entry_name.h"
#include "archive/zip_reader.h"

namespace fs = std::filesystem;

bool extractZipPortable(const std::string& zipPath, const std::string& destDir) {
    ZipReader reader;
    if (!zipReaderOpen(reader, zipPath.c_str())) return false;
    bool result = true;
    std::error_code error;
    const std::size_t count = zipReaderEntryCount(reader);
    for (std::size_t index = 0; index < count && result; ++index) {
        ZipEntryStat stat;
        if (!zipReaderEntryStat(reader, index, stat) || !isSafeEntryName(stat.name)) {
            result = false;
            break;
        }
        std::string relative = stat.name;
        for (char& c : relative) {
            if (c == '\\') c = '/';
        }
        const fs::path output = fs::path(destDir) / relative;
        if (zipReaderIsFolder(reader, index)) {
            fs::create_directories(output, error);
            continue;
        }
        fs::create_directories(output.parent_path(), error);
        result = zipReaderExtractToFile(reader, index, output.string().c_str());
    }
    zipReaderClose(reader);
    return result;
}
