#include "files/launch_hold.h"

#include <windows.h>

#include <map>

#include "base/support_log.h"
#include "base/text.h"
#include "files/held_verdict.h"
#include "files/plain_file.h"
#include "files/trusted_folders.h"

namespace {

std::map<std::wstring, FileIdentity>& checkedFolders() {
    static std::map<std::wstring, FileIdentity> folders;
    return folders;
}

// Reading the data (listing a folder) is asked for: an open for attributes or
// synchronising alone takes part in no sharing check and would hold nothing.
UniqueFileHandle openHeld(const std::wstring& path, bool folder) {
    const DWORD access = (folder ? FILE_LIST_DIRECTORY : GENERIC_READ) | READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    const DWORD share = folder ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    return UniqueFileHandle(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr));
}

// Empty when the held handle passes; otherwise why not.
std::string judgeHeld(HANDLE handle, const std::wstring& path, HeldKind kind) {
    HeldObject held;
    held.kind = kind;
    held.found = describeOpenEntry(handle, path);
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handle, &information)) held.nameCount = information.nNumberOfLinks;
    if (kind == HeldKind::WorkFolder) {
        const auto found = checkedFolders().find(path);
        if (found != checkedFolders().end()) held.checked = found->second;
    }
    return heldObjectRefusal(held, trustContextOfRun(path));
}

bool holdOne(const std::wstring& path, HeldKind kind, LaunchHold& hold) {
    UniqueFileHandle handle = openHeld(path, kind != HeldKind::Program);
    std::string refusal;
    if (!handle)
        refusal = win32Failure("cannot be opened", GetLastError());
    else
        refusal = judgeHeld(handle.get(), path, kind);
    if (!refusal.empty()) {
        logEvent("launch hold refused " + toUtf8(path) + ": " + refusal);
        return false;
    }
    hold.push_back(std::move(handle));
    return true;
}

}  // namespace

void rememberCheckedFolder(const std::wstring& path, const FileIdentity& identity) {
    if (identity.known)
        checkedFolders()[path] = identity;
    else
        checkedFolders().erase(path);
}

void forgetCheckedFolder(const std::wstring& path) { checkedFolders().erase(path); }

void carryCheckedFolder(const std::wstring& from, const std::wstring& to) {
    const auto found = checkedFolders().find(from);
    if (found == checkedFolders().end()) {
        forgetCheckedFolder(to);
        return;
    }
    const FileIdentity identity = found->second;
    checkedFolders().erase(found);
    checkedFolders()[to] = identity;
}

bool holdForLaunch(const std::vector<std::wstring>& folders, const std::wstring& program, LaunchHold& hold) {
    hold.clear();
    bool held = true;
    for (std::size_t i = 0; held && i < folders.size(); ++i)
        held = holdOne(folders[i], i == 0 ? HeldKind::GameDirectory : HeldKind::WorkFolder, hold);
    if (held) held = holdOne(program, HeldKind::Program, hold);
    if (!held) hold.clear();
    return held;
}

bool letOwnRenameThrough(LaunchHold& hold) {
    if (hold.empty() || !hold.back()) return false;
    UniqueFileHandle shared(ReOpenFile(hold.back().get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, 0));
    if (!shared) return false;
    hold.back() = std::move(shared);
    return true;
}
