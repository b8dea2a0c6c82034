#include "net/verified_copy.h"

#include <windows.h>

#include <memory>

#include "base/unique_handle.h"
#include "files/file_replace.h"
#include "files/plain_file.h"
#include "files/private_file.h"
#include "net/download.h"
#include "net/sha256.h"

namespace {

// Copies the rest of `from` into `to`, hashing what is written. Empty on any failure.
std::string copyHashing(HANDLE from, HANDLE to) {
    static constexpr DWORD kChunk = 1 << 20;
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[kChunk]);
    Sha256Stream digest;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(from, buffer.get(), kChunk, &read, nullptr)) return std::string();
        if (read == 0) break;
        DWORD written = 0;
        if (!WriteFile(to, buffer.get(), read, &written, nullptr) || written != read ||
            !digest.update(buffer.get(), read))
            return std::string();
    }
    if (!FlushFileBuffers(to)) return std::string();
    return digest.finish();
}

// Files the starter wrote itself are fully allocated. A sparse (or compressed)
// one was put there by someone else: it is fetched instead of being read whole.
bool isFullyAllocated(HANDLE file) {
    FILE_STANDARD_INFO information{};
    return GetFileInformationByHandleEx(file, FileStandardInfo, &information, sizeof(information)) &&
           information.AllocationSize.QuadPart >= information.EndOfFile.QuadPart;
}

}  // namespace

bool copyVerifiedFile(const std::wstring& source, const DownloadFiles& files, const std::string& expectedSha256) {
    if (expectedSha256.empty()) return false;
    std::string copiedDigest;
    {
        // Read sharing only: the file hashed is the file copied.
        UniqueFileHandle from = openPlainFileForReading(source);
        if (!from || !isFullyAllocated(from.get()) || !sameDigest(computeHandleSha256(from.get()), expectedSha256))
            return false;
        const LARGE_INTEGER start{};
        if (!SetFilePointerEx(from.get(), start, nullptr, FILE_BEGIN)) return false;
        // A fresh file for administrators only; a moved one would keep its own descriptor.
        UniqueFileHandle to = createPrivateFile(files.partial, GENERIC_WRITE, 0, CREATE_ALWAYS);
        if (!to) return false;
        copiedDigest = copyHashing(from.get(), to.get());
    }
    if (!sameDigest(copiedDigest, expectedSha256)) {
        DeleteFileW(files.partial.c_str());
        return false;
    }
    return replaceFile(files.partial, files.target);
}
