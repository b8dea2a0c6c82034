#include "archive/extract_zip.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "base/support_log.h"
#include "base/text.h"
#include "files/flush_files.h"
#include "archive/unpack_entries.h"
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

// The entry's path under destDir, either slash separating; false when its UTF-8 form
// does not fit, for a folder as for a file.
bool entryPath(const std::wstring& destDir, const std::string& name, std::wstring& path, std::string& utf8Path) {
    std::wstring relative = fromUtf8(name);
    for (wchar_t& c : relative) {
        if (c == L'/') c = L'\\';
    }
    path = destDir + L"\\" + relative;
    char buffer[kUtf8PathBufferSize];
    if (!toUtf8Path(path, buffer)) return false;
    utf8Path = buffer;
    return true;
}

// `files`, when given, collects the files' paths for the flush once every entry has unpacked.
UnpackPlaces placesUnder(const std::wstring& destDir, std::vector<std::wstring>* files) {
    UnpackPlaces places;
    places.makeFolder = [destDir](const std::string& name) {
        std::wstring path;
        std::string utf8Path;
        if (!entryPath(destDir, name, path, utf8Path)) return false;
        createFolderTree(path);
        return true;
    };
    places.placeFile = [destDir, files](const std::string& name, std::string& utf8Path) {
        std::wstring path;
        if (!entryPath(destDir, name, path, utf8Path)) return false;
        createFolderTree(path.substr(0, path.rfind(L'\\')));
        if (files != nullptr) files->push_back(path);
        return true;
    };
    return places;
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
    std::vector<std::wstring> files;
    const UnpackResult result = unpackEntries(reader, placesUnder(destDir, &files));
    // The refused name itself may hold anything: it stays out of the log.
    if (result.stop == UnpackStop::unsafeName) logEvent("unpack refused an unsafe entry name");
    if (result.stop == UnpackStop::notUnpacked) logEvent("unpack failed at entry " + result.name);
    if (result.stop != UnpackStop::none) return false;
    // The caller publishes the folder by renaming it: nothing may be renamed that is not on disk.
    const bool flushed = flushFilesToDisk(files);
    logEvent("unpacked " + std::to_string(result.entries) + " entries, " + std::to_string(result.bytes) +
             " bytes into " + toUtf8(destDir) + " in " + std::to_string(GetTickCount64() - started) + " ms" +
             (flushed ? "" : ", but could not flush them to disk"));
    return flushed;
}

UnpackPlaces folderPlaces(const std::wstring& destDir) {
    return placesUnder(destDir, nullptr);
}
