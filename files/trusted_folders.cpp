#include "files/trusted_folders.h"

#include <windows.h>
#include <aclapi.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "app/unique_handle.h"
#include "files/busy_retry.h"
#include "files/plain_file.h"
#include "files/security_description.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Opens the folder itself: a link is opened as the link, never as its target.
constexpr DWORD kNoFollowFolderFlags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
constexpr int kMaxAsideNames = 1000;

UniqueFileHandle openFolder(const std::wstring& path, DWORD access) {
    return UniqueFileHandle(
        CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, kNoFollowFolderFlags, nullptr));
}


FolderDescription describeOpenFolder(HANDLE handle, const std::wstring& path, bool withSecurity) {
    FolderDescription folder;
    folder.exists = true;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information)) return folder;
    folder.isDirectory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    folder.isReparsePoint = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    folder.finalPathMatches = handleIsAt(handle, path);
    if (!withSecurity) return folder;

    PSECURITY_DESCRIPTOR rawDescriptor = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, nullptr, nullptr, &rawDescriptor) == ERROR_SUCCESS) {
        LocalSecurityDescriptor descriptor(rawDescriptor);
        folder.security = describeSecurityDescriptor(descriptor.get());
    }
    return folder;
}

// Sets owner and protected DACL from `sddl` through an open handle.
bool applyDescriptor(HANDLE handle, const wchar_t* sddl) {
    LocalSecurityDescriptor descriptor = securityDescriptorFromSddl(sddl);
    if (!descriptor) return false;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted))
        return false;
    return SetSecurityInfo(handle, SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                               PROTECTED_DACL_SECURITY_INFORMATION,
                           owner, nullptr, dacl, nullptr) == ERROR_SUCCESS;
}

// Taking over a folder someone else owns needs privileges an elevated administrator
// holds but has disabled: enabled for the repair only, restored afterwards.
class OwnershipPrivileges {
public:
    OwnershipPrivileges() {
        HANDLE rawToken = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &rawToken)) return;
        token_.reset(rawToken);
        for (const wchar_t* name : {SE_TAKE_OWNERSHIP_NAME, SE_RESTORE_NAME}) {
            TOKEN_PRIVILEGES wanted{};
            wanted.PrivilegeCount = 1;
            wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            if (!LookupPrivilegeValueW(nullptr, name, &wanted.Privileges[0].Luid)) continue;
            TOKEN_PRIVILEGES before{};
            DWORD size = sizeof(before);
            if (AdjustTokenPrivileges(token_.get(), FALSE, &wanted, sizeof(before), &before, &size) &&
                GetLastError() == ERROR_SUCCESS && before.PrivilegeCount == 1)
                previous_[count_++] = before;
        }
    }
    OwnershipPrivileges(const OwnershipPrivileges&) = delete;
    OwnershipPrivileges& operator=(const OwnershipPrivileges&) = delete;
    ~OwnershipPrivileges() {
        while (count_ > 0) AdjustTokenPrivileges(token_.get(), FALSE, &previous_[--count_], 0, nullptr, nullptr);
    }

private:
    UniqueKernelHandle token_;
    TOKEN_PRIVILEGES previous_[2] = {};
    int count_ = 0;
};

bool createProtectedFolder(const std::wstring& path) {
    LocalSecurityDescriptor descriptor = securityDescriptorFromSddl(kWorkFolderSddl);
    if (!descriptor) return false;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    return CreateDirectoryW(path.c_str(), &attributes) != FALSE;
}

}  // namespace

FolderDescription describeFolder(const std::wstring& path, bool withSecurity) {
    UniqueFileHandle folder = openFolder(path, (withSecurity ? READ_CONTROL : 0) | FILE_READ_ATTRIBUTES);
    if (!folder) {
        FolderDescription missing;
        const DWORD error = GetLastError();
        // Present but not openable (another owner's folder with no access for us) still counts as present.
        missing.exists = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
        return missing;
    }
    return describeOpenFolder(folder.get(), path, withSecurity);
}

// Renames the entry itself through a handle to it. Windows opens a link as the
// link here; Wine opens its target even so (and its MoveFileExW moves the target),
// so a handle that does not lead to `path` is refused rather than acted through.
bool renameEntryItself(const std::wstring& path, const std::wstring& newPath) {
    UniqueFileHandle entry = openFolder(path, DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES);
    if (!entry || !handleIsAt(entry.get(), path)) return false;
    const std::size_t nameBytes = newPath.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t), 0);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(rename->FileName, newPath.c_str(), nameBytes);
    return SetFileInformationByHandle(entry.get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != FALSE;
}

bool setAside(const std::wstring& path, const wchar_t* suffix, std::wstring* newPath) {
    for (int number = 1; number <= kMaxAsideNames; ++number) {
        const std::wstring candidate = path + suffix + std::to_wstring(number);
        if (describeFolder(candidate).exists) continue;
        if (!retryWhileBusy([&] { return renameEntryItself(path, candidate); })) return false;
        if (newPath) *newPath = candidate;
        return true;
    }
    return false;
}

const std::vector<std::wstring>& workFolderFixedNames() {
    static const std::vector<std::wstring> names = {
        L"launcher.jar", L"launcher.jar.part", L"java.zip",          L"java.zip.part",
        L"java",         L"java.staging",      L"manifest.sequence", L"manifest.sequence.new"};
    return names;
}

bool holdsLinkAt(const std::wstring& folder, const std::vector<std::wstring>& names) {
    for (const std::wstring& name : names) {
        const FolderDescription entry = describeFolder(folder + L"\\" + name, false);
        if (entry.exists && (entry.isReparsePoint || !entry.finalPathMatches)) return true;
    }
    return false;
}

bool prepareGameDirectory(const std::wstring& path) {
    const std::string user = currentUserSid();
    {
        LocalSecurityDescriptor descriptor = securityDescriptorFromSddl(kGameDirectorySddl);
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
        CreateDirectoryW(path.c_str(), descriptor ? &attributes : nullptr);  // an existing one is normal
    }
    const FolderDescription found = describeFolder(path);
    // A link here could aim every later write anywhere: it is never repaired, moved or used.
    if (!isUsableGameDirectory(found)) return false;
    if (!gameDirectoryNeedsRepair(found.security, user)) return true;

    {
        OwnershipPrivileges privileges;
        UniqueFileHandle folder = openFolder(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER);
        if (!folder || !handleIsAt(folder.get(), path)) return false;
        // Player data lives inside: the directory is only re-permissioned in place, never moved.
        applyDescriptor(folder.get(), kGameDirectorySddl);
    }
    const FolderDescription repaired = describeFolder(path);
    return isUsableGameDirectory(repaired) && !gameDirectoryNeedsRepair(repaired.security, user);
}

bool checkTrustedFolder(const std::wstring& path, const std::vector<std::wstring>& fixedNames,
                        std::wstring* setAsidePath) {
    if (setAsidePath) setAsidePath->clear();
    const FolderDescription found = describeFolder(path);
    if (!found.exists) return false;
    if (isTrustedWorkFolder(found, currentUserSid()) && !holdsLinkAt(path, fixedNames)) return true;
    setAside(path, kUntrustedSuffix, setAsidePath);
    return false;
}

bool prepareTrustedFolder(const std::wstring& path, const std::vector<std::wstring>& fixedNames,
                          std::wstring* setAsidePath) {
    if (checkTrustedFolder(path, fixedNames, setAsidePath)) return true;
    if (describeFolder(path).exists) return false;  // could not be set aside
    if (!createProtectedFolder(path)) return false;

    const std::string user = currentUserSid();
    if (isTrustedWorkFolder(describeFolder(path), user)) return true;
    // Some platforms (Wine, file systems without ACLs) keep not what was set but
    // what their file modes say: set it once more and go by what they tell.
    {
        UniqueFileHandle folder = openFolder(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER);
        if (!folder || !handleIsAt(folder.get(), path)) return false;
        applyDescriptor(folder.get(), kWorkFolderSddl);
    }
    return isTrustedWorkFolder(describeFolder(path), user);
}
