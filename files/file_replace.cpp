#include "files/file_replace.h"

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "base/unique_handle.h"
#include "files/busy_retry.h"

namespace {

// FileRenameInfoEx and its flags (Windows 10 1709, NTFS), spelled out so the
// file builds against headers that target older Windows.
constexpr FILE_INFO_BY_HANDLE_CLASS kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
constexpr DWORD kRenameReplaceIfExists = 0x00000001;
constexpr DWORD kRenamePosixSemantics = 0x00000002;

struct RenameInfoEx {
    DWORD flags;
    HANDLE rootDirectory;
    DWORD fileNameLength;  // bytes
    WCHAR fileName[1];
};

// POSIX semantics unlink the old name at once even while it is open, so a reader
// holding it does not block the replace.
bool renameWithPosixSemantics(const std::wstring& source, const std::wstring& target) {
    UniqueFileHandle file(CreateFileW(source.c_str(), DELETE | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return false;
    const std::size_t nameBytes = target.size() * sizeof(WCHAR);
    std::vector<unsigned char> buffer(offsetof(RenameInfoEx, fileName) + nameBytes + sizeof(WCHAR), 0);
    auto* info = reinterpret_cast<RenameInfoEx*>(buffer.data());
    info->flags = kRenameReplaceIfExists | kRenamePosixSemantics;
    info->rootDirectory = nullptr;
    info->fileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(info->fileName, target.c_str(), nameBytes);
    return SetFileInformationByHandle(file.get(), kFileRenameInfoEx, info, static_cast<DWORD>(buffer.size())) !=
           FALSE;
}

}  // namespace

bool replaceFile(const std::wstring& source, const std::wstring& target) {
    return retryWhileBusy([&] {
        if (renameWithPosixSemantics(source, target)) return true;
        // Older Windows, FAT and Wine refuse the call or the flag: the classic replace,
        // which is just as atomic but fails while the old file is open without delete sharing.
        return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
               FALSE;
    });
}
