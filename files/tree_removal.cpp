#include "files/tree_removal.h"

#include <windows.h>

#include "app/unique_handle.h"
#include "files/plain_file.h"
#include "files/trusted_folders.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;


// Deletes the entry at `path` through a handle to the entry itself. Wine hands out
// the target of a host symbolic link even with FILE_FLAG_OPEN_REPARSE_POINT, and
// DeleteFileW there deletes the target: a handle whose final path is not `path`
// is such a link, and is left alone.
bool deleteEntryItself(const std::wstring& path) {
    UniqueFileHandle entry(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                       kShareAll, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!entry || !handleIsAt(entry.get(), path)) return false;
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

namespace {

void removeMatching(const std::wstring& folder, const wchar_t* pattern) {
    WIN32_FIND_DATAW entry;
    UniqueFindHandle listing(FindFirstFileW((folder + L"\\" + pattern).c_str(), &entry));
    if (!listing) return;
    do {
        removeTreeWithoutFollowing(folder + L"\\" + entry.cFileName);
    } while (FindNextFileW(listing.get(), &entry));
}

}  // namespace

void removeSetAsideFolders(const std::wstring& gameDirectory, const std::wstring& workFolder) {
    removeMatching(gameDirectory, L"loader.untrusted-*");
    for (const wchar_t* pattern : {L"java.untrusted-*", L"java.old-*", L"java.staging.stale-*", L"logs.untrusted-*"})
        removeMatching(workFolder, pattern);
}
