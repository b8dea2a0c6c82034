#include "files/tree_removal.h"

#include <windows.h>

#include "base/unique_handle.h"
#include "files/busy_retry.h"
#include "files/plain_file.h"
#include "files/trusted_folders.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kNoFollowFlags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

// FileDispositionInfoEx and its flags (Windows 10 1709, NTFS), spelled out for older headers.
constexpr FILE_INFO_BY_HANDLE_CLASS kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x00000001;
constexpr DWORD kDispositionPosixSemantics = 0x00000002;
constexpr DWORD kDispositionIgnoreReadOnly = 0x00000010;

bool pastDeadline(std::uint64_t deadline) { return GetTickCount64() >= deadline; }

// The entry itself, by its verbatim path and without following a link.
UniqueFileHandle openEntry(const std::wstring& path, DWORD access) {
    return UniqueFileHandle(
        CreateFileW(verbatimPath(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING, kNoFollowFlags, nullptr));
}

struct Entry {
    bool exists = false;
    bool plainFolder = false;  // a folder, no link, at its own path: its children may be walked
};

Entry lookAt(const std::wstring& path) {
    Entry found;
    UniqueFileHandle entry = openEntry(path, FILE_READ_ATTRIBUTES);
    if (!entry) {
        const DWORD error = GetLastError();
        found.exists = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
        return found;
    }
    found.exists = true;
    BY_HANDLE_FILE_INFORMATION information{};
    found.plainFolder = GetFileInformationByHandle(entry.get(), &information) &&
                        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
                        handleIsAt(entry.get(), path);
    return found;
}

// Deletes the entry at `path` through a handle to the entry itself. Wine hands out
// the target of a host symbolic link even with FILE_FLAG_OPEN_REPARSE_POINT, and
// DeleteFileW there deletes the target: a handle whose final path is not `path`
// is such a link, and is left alone.
bool deleteEntryOnce(const std::wstring& path) {
    UniqueFileHandle entry = openEntry(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
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

// A denied delete is not tried again: anyone may plant an entry they keep others from deleting.
bool deleteEntryItself(const std::wstring& path, std::uint64_t deadline) {
    return retryWhileShared([&] { return deleteEntryOnce(path); }, deadline);
}

bool removeChildren(const std::wstring& folder, std::uint64_t deadline) {
    WIN32_FIND_DATAW entry;
    UniqueFindHandle listing(FindFirstFileW(verbatimPath(folder + L"\\*").c_str(), &entry));
    if (!listing) return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool all = true;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        if (pastDeadline(deadline)) return false;
        const std::wstring path = folder + L"\\" + name;
        const bool isLink = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !isLink) {
            if (!removeTreeWithoutFollowing(path, deadline)) all = false;
        } else if (!deleteEntryItself(path, deadline)) {
            all = false;
        }
    } while (FindNextFileW(listing.get(), &entry));
    return all;
}

}  // namespace

bool removeTreeWithoutFollowing(const std::wstring& path, std::uint64_t deadline) {
    const Entry found = lookAt(path);
    if (!found.exists || pastDeadline(deadline)) return !found.exists;
    // A link, or a file, at the top is removed as itself.
    if (found.plainFolder && !removeChildren(path, deadline)) return false;
    // Delete-on-close leaves the name until the handle is closed; gone once this returns.
    return deleteEntryItself(path, deadline) && !lookAt(path).exists;
}

bool clearFolderPath(const std::wstring& path, const wchar_t* suffix) {
    if (removeTreeWithoutFollowing(path)) return true;
    return setAside(path, suffix) && !describeFolder(path).exists;
}

bool removeMatching(const std::wstring& folder, const std::vector<std::wstring>& patterns, std::uint64_t deadline) {
    bool all = true;
    for (const std::wstring& pattern : patterns) {
        WIN32_FIND_DATAW entry;
        UniqueFindHandle listing(FindFirstFileW(verbatimPath(folder + L"\\" + pattern).c_str(), &entry));
        if (!listing) continue;
        do {
            if (!removeTreeWithoutFollowing(folder + L"\\" + entry.cFileName, deadline)) all = false;
        } while (FindNextFileW(listing.get(), &entry));
    }
    return all;
}
