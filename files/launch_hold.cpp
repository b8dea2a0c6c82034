#include "files/launch_hold.h"

#include <windows.h>

#include "files/plain_file.h"

namespace {

// Reading the data (listing a folder) is asked for: an open for attributes or
// synchronising alone takes part in no sharing check and would hold nothing.
UniqueFileHandle openHeld(const std::wstring& path, bool folder) {
    const DWORD access = (folder ? FILE_LIST_DIRECTORY : GENERIC_READ) | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    const DWORD share = folder ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    UniqueFileHandle handle(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!handle) return handle;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle.get(), &information)) return UniqueFileHandle();
    const bool isFolder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || isFolder != folder ||
        !handleIsAt(handle.get(), path))
        return UniqueFileHandle();
    return handle;
}

}  // namespace

bool holdForLaunch(const std::vector<std::wstring>& folders, const std::wstring& program, LaunchHold& hold) {
    hold.clear();
    for (const std::wstring& folder : folders) {
        hold.push_back(openHeld(folder, true));
        if (!hold.back()) break;
    }
    if (hold.empty() || hold.back()) hold.push_back(openHeld(program, false));
    if (hold.back()) return true;
    hold.clear();
    return false;
}
