#include "archive/extract_zip.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "base/support_log.h"
#include "base/text.h"
#include "archive/entry_name.h"
#include "files/flush_files.h"
#include "archive/zip_reader.h"

namespace {

// Both UTF-8 paths must fit this many bytes with their terminator; longer ones fail cleanly.
constexpr int kUtf8PathBufferSize = 520;

// Converts into the fixed buffer; false when the path does not fit.
bool toUtf8Path(const std::wstring& path, char (&buffer)[kUtf8PathBufferSize]) {
    return WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, buffer, kUtf8PathBufferSize, nullptr,
                               nullptr) > 0;
}

void createFolderTree(const std::wstring& path) {
    SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
}

struct ReaderCloser {
    ZipReader& reader;
    ~ReaderCloser() { zipReaderClose(reader); }
};

bool extractEntry(ZipReader& reader, std::size_t index, const std::wstring& destDir,
                  std::vector<std::wstring>& written, std::uint64_t& bytes) {
    ZipEntryStat stat;
    if (!zipReaderEntryStat(reader, index, stat)) return false;
    // Nothing may ever be written outside destDir.
    if (!isSafeEntryName(stat.name)) {
        logEvent("unpack refused an unsafe entry name");  // the name itself may hold anything
        return false;
    }

    std::wstring name = fromUtf8(stat.name);
    for (wchar_t& c : name) {
        if (c == L'/') c = L'\\';
    }
    const std::wstring outputPath = destDir + L"\\" + name;

    char utf8Output[kUtf8PathBufferSize];
    if (!toUtf8Path(outputPath, utf8Output)) return false;
    if (zipReaderIsFolder(reader, index)) {
        createFolderTree(outputPath);
        return true;
    }
    createFolderTree(outputPath.substr(0, outputPath.rfind(L'\\')));
    if (!zipReaderExtractToFile(reader, index, utf8Output)) {
        logEvent("unpack failed at entry " + stat.name);
        return false;
    }
    written.push_back(outputPath);
    bytes += stat.uncompressedSize;
    return true;
}

}  // namespace

bool extractZip(const std::wstring& zipPath, const std::wstring& destDir) {
    char utf8Archive[kUtf8PathBufferSize];
    if (!toUtf8Path(zipPath, utf8Archive)) return false;

    ZipReader reader;
    if (!zipReaderOpen(reader, utf8Archive)) {
        logEvent("unpack could not read the archive " + toUtf8(zipPath));
        return false;
    }
    ReaderCloser closer{reader};

    const ULONGLONG started = GetTickCount64();
    const std::size_t count = zipReaderEntryCount(reader);
    std::vector<std::wstring> written;
    std::uint64_t bytes = 0;
    for (std::size_t index = 0; index < count; ++index) {
        if (!extractEntry(reader, index, destDir, written, bytes)) return false;
    }
    // The caller publishes the folder by renaming it: nothing may be renamed that is not on disk.
    const bool flushed = flushFilesToDisk(written);
    logEvent("unpacked " + std::to_string(count) + " entries, " + std::to_string(bytes) + " bytes into " +
             toUtf8(destDir) + " in " + std::to_string(GetTickCount64() - started) + " ms" +
             (flushed ? "" : ", but could not flush them to disk"));
    return flushed;
}
