#include "net/download.h"

#include <windows.h>
#include <shlobj.h>

#include "app/unique_handle.h"
#include "net/download_progress.h"
#include "files/file_replace.h"
#include "net/http_client.h"
#include "files/plain_file.h"
#include "net/sha256.h"

namespace {

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A link or a file with a second name counts as damaged: fetched again, the
// replace then gives the target a name of its own.
bool isIntactFile(const std::wstring& path, const std::string& expectedSha256) {
    if (expectedSha256.empty()) return false;
    UniqueFileHandle file = openPlainFileForReading(path);
    return file && sameDigest(computeHandleSha256(file.get()), expectedSha256);
}

void createParentDirectory(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return;
    // An existing folder is normal; a real failure shows when the file is created.
    SHCreateDirectoryExW(nullptr, path.substr(0, slash).c_str(), nullptr);
}

}  // namespace

bool sameDigest(const std::string& computed, const std::string& expected) {
    if (computed.empty() || computed.size() != expected.size()) return false;
    for (std::size_t i = 0; i < computed.size(); ++i)
        if (asciiLower(computed[i]) != asciiLower(expected[i])) return false;
    return true;
}

bool downloadFile(const std::string& url, const std::wstring& targetPath, const std::string& expectedSha256,
                  const StatusPublisher& publish, const DownloadClock& clock) {
    if (isIntactFile(targetPath, expectedSha256)) return true;

    createParentDirectory(targetPath);
    const std::wstring partialPath = targetPath + L".part";
    bool fetched;
    {
        // A stale partial file is truncated: nothing is resumed.
        UniqueFileHandle partial(CreateFileW(partialPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!partial) return false;
        DownloadProgressReporter progress(publish, clock);
        fetched = httpGet(url, nullptr, partial.get(),
                          [&progress](std::int64_t received, std::int64_t total) { progress.onChunk(received, total); });
        // The rename below must never publish data that is not on the disk yet.
        if (fetched && !FlushFileBuffers(partial.get())) fetched = false;
    }
    if (!fetched) {
        DeleteFileW(partialPath.c_str());
        return false;
    }
    if (!expectedSha256.empty() && !sameDigest(computeFileSha256(partialPath), expectedSha256)) {
        DeleteFileW(partialPath.c_str());
        return false;
    }
    return replaceFile(partialPath, targetPath);
}
