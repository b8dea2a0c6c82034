#include "files/tree_removal.h"

#include <windows.h>

#include "base/unique_handle.h"
#include "files/busy_retry.h"
#include "files/plain_file.h"
#include "files/trusted_folders.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// FileDispositionInfoEx and its flags (Windows 10 1709, NTFS), spelled out for older headers.
constexpr FILE_INFO_BY_HANDLE_CLASS kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x00000001;
constexpr DWORD kDispositionPosixSemantics = 0x00000002;
constexpr DWORD kDispositionIgnoreReadOnly = 0x00000010;


// Deletes the entry at `path` through a handle to the entry itself. Wine hands out
// the target of a host symbolic link even with FILE_FLAG_OPEN_REPARSE_POINT, and
// DeleteFileW there deletes the target: a handle whose final path is not `path`
// is such a link, and is left alone.
bool deleteEntryOnce(const std::wstring& path) {
    UniqueFileHandle entry(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                       kShareAll, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!entry) return false;
    if (!handleIsAt(entry.get(), path)) {
        SetLastError(ERROR_CANT_ACCESS_FILE);  // a link: never tried again
        return false;
    }
    // POSIX semantics take the name away at once even while a scanner still has the file open.
    DWORD flags = kDispositionDelete | kDispositionPosixSemantics | kDispositionIgnoreReadOnly;
    if (SetFileInformationByHandle(entry.get(), kFileDispositionInfoEx, &flags, sizeof flags)) return true;
    // Older Windows, FAT and Wine refuse the class or a flag: clear read-only, then the classic call.
    FILE_BASIC_INFO basic{};
    if (GetFileInformationByHandleEx(entry.get(), FileBasicInfo, &basic, sizeof(basic)) &&
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        SetFileInformationByHandle(entry.get(), FileBasicInfo, &basic, sizeof(basic));
    }
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(entry.get(), FileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
}

bool deleteEntryItself(const std::wstring& path) {
    return retryWhileBusy([&] { return deleteEntryOnce(path); });
}

bool removeChildren(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    UniqueFindHandle listing(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!listing) return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool all = true;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        const bool isLink = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !isLink) {
            if (!removeTreeWithoutFollowing(path)) all = false;
        } else if (!deleteEntryItself(path)) {
            all = false;
        }
    } while (FindNextFileW(listing.get(), &entry));
    return all;
}

}  // namespace

bool removeTreeWithoutFollowing(const std::wstring& path) {
    const FolderDescription found = describeFolder(path);
    if (!found.exists) return true;
    // A link, or a file, at the top is removed as itself.
    if (found.isDirectory && !found.isReparsePoint && found.finalPathMatches) {
        if (!removeChildren(path)) return false;
    }
    // Delete-on-close leaves the name until the handle is closed; gone once this returns.
    return deleteEntryItself(path) && !describeFolder(path).exists;
}

bool clearFolderPath(const std::wstring& path, const wchar_t* suffix) {
    if (removeTreeWithoutFollowing(path)) return true;
    return setAside(path, suffix) && !describeFolder(path).exists;
}

void removeMatching(const std::wstring& folder, const std::vector<std::wstring>& patterns) {
    for (const std::wstring& pattern : patterns) {
        WIN32_FIND_DATAW entry;
        UniqueFindHandle listing(FindFirstFileW((folder + L"\\" + pattern).c_str(), &entry));
        if (!listing) continue;
        do {
            removeTreeWithoutFollowing(folder + L"\\" + entry.cFileName);
        } while (FindNextFileW(listing.get(), &entry));
    }
}
