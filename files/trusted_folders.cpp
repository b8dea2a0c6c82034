#include "files/trusted_folders.h"

#include <windows.h>
#include <aclapi.h>
#include <bcrypt.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "base/support_log.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "files/busy_retry.h"
#include "files/launch_hold.h"
#include "files/plain_file.h"
#include "files/private_file.h"
#include "files/security_description.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Opens the folder itself: a link is opened as the link, never as its target.
constexpr DWORD kNoFollowFolderFlags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
// A random name clashes with a planted one only by chance: a few tries are plenty.
constexpr int kAsideNameTries = 4;

// SYSTEM and Administrators only: what a new game directory has until its work folder is in it.
constexpr const wchar_t* kNewGameDirectorySddl = L"O:BAG:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

UniqueFileHandle openFolder(const std::wstring& path, DWORD access) {
    return UniqueFileHandle(
        CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, kNoFollowFolderFlags, nullptr));
}


// Sets `parts` (owner, protected DACL) of `sddl` on the object itself through an open
// handle. SetSecurityInfo would also re-apply inheritance to everything below, an
// elevated walk over the players' whole tree that rewrites their files' rights;
// the descriptors set here are protected and complete, so nothing below needs them.
bool applyDescriptor(HANDLE handle, const wchar_t* sddl,
                     SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION) {
    LocalSecurityDescriptor descriptor = securityDescriptorFromSddl(sddl);
    return descriptor && SetKernelObjectSecurity(handle, parts, descriptor.get()) != FALSE;
}

SecurityDescription readSecurity(HANDLE handle) {
    PSECURITY_DESCRIPTOR rawDescriptor = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, nullptr, nullptr, &rawDescriptor) != ERROR_SUCCESS)
        return SecurityDescription();
    LocalSecurityDescriptor descriptor(rawDescriptor);
    return describeSecurityDescriptor(descriptor.get());
}

// 16 hex digits from the system's random source; empty when it fails.
std::wstring randomName() {
    std::uint64_t value = 0;
    if (BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof(value), BCRYPT_USE_SYSTEM_PREFERRED_RNG) !=
        0)
        return std::wstring();
    return setAsideName(L"", L"", value);
}

std::wstring parentOf(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(0, slash);
}

// Whether the platform keeps descriptors, seen from a file made in `folder` with a
// known one and read back; it is deleted when its handle closes.
bool probeDescriptorsStored(const std::wstring& folder, bool& stored) {
    const std::wstring name = randomName();
    if (name.empty()) return false;
    UniqueFileHandle probe = createPrivateFile(folder + L"\\.descriptor-check-" + name, READ_CONTROL | DELETE, 0,
                                               CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
    if (!probe) return false;
    LocalSecurityDescriptor set = securityDescriptorFromSddl(kPrivateFileSddl);
    stored = descriptorsWereStored(describeSecurityDescriptor(set.get()), readSecurity(probe.get()));
    return true;
}

// The account and whether descriptors are stored, decided by the first folder asked
// about in this run. Until a probe succeeds, descriptors count as stored: the strict side.
const TrustContext& trustContext(const std::wstring& folder) {
    static TrustContext context{currentUserSid(), true};
    static bool decided = false;
    if (!decided) {
        bool stored = true;
        decided = probeDescriptorsStored(folder, stored);
        context.descriptorsStored = stored;
        if (decided && !stored) logEvent("descriptors are not stored here: the running account counts as trusted");
    }
    return context;
}

// The volume serial and file index name one file on a machine (on NTFS; ReFS's 128-bit
// ids need not fit in the index, but loader lives on the system volume, NTFS).
FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& information) {
    FileIdentity identity;
    identity.known = true;
    identity.volume = information.dwVolumeSerialNumber;
    identity.fileHigh = information.nFileIndexHigh;
    identity.fileLow = information.nFileIndexLow;
    return identity;
}

FolderDescription describeOpenFolder(HANDLE handle, const std::wstring& path, bool withSecurity) {
    FolderDescription folder;
    folder.exists = true;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information)) return folder;
    folder.isDirectory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    folder.isReparsePoint = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    folder.finalPathMatches = handleIsAt(handle, path);
    folder.identity = identityOf(information);
    if (withSecurity) folder.security = readSecurity(handle);
    return folder;
}

// Taking over a folder someone else owns needs privileges an elevated administrator
// holds but has disabled: enabled for the repair only, restored afterwards.
class OwnershipPrivileges {
public:
    OwnershipPrivileges() {
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token_.put())) return;
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

bool createFolderWith(const std::wstring& path, const wchar_t* sddl) {
    LocalSecurityDescriptor descriptor = securityDescriptorFromSddl(sddl);
    if (!descriptor) return false;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    return CreateDirectoryW(path.c_str(), &attributes) != FALSE;
}

// Writes `sddl` on the folder at `path` with the ownership privileges on. A DACL that
// refuses us even READ_CONTROL is passed by taking ownership first: the privilege
// grants WRITE_OWNER alone, and the owner may then write the DACL.
bool rewriteFolderDescriptor(const std::wstring& path, const wchar_t* sddl, bool takeOwnershipFirst) {
    OwnershipPrivileges privileges;
    if (takeOwnershipFirst) {
        UniqueFileHandle folder = openFolder(path, WRITE_OWNER);
        if (!folder || !handleIsAt(folder.get(), path) ||
            !applyDescriptor(folder.get(), sddl, OWNER_SECURITY_INFORMATION))
            return false;
    }
    UniqueFileHandle folder = openFolder(path, WRITE_DAC | WRITE_OWNER);
    return folder && handleIsAt(folder.get(), path) && applyDescriptor(folder.get(), sddl);
}

}  // namespace

FolderDescription describeOpenEntry(HANDLE handle, const std::wstring& path) {
    return describeOpenFolder(handle, path, true);
}

FolderDescription describeFolder(const std::wstring& path, bool withSecurity) {
    UniqueFileHandle folder = openFolder(path, (withSecurity ? READ_CONTROL : 0) | FILE_READ_ATTRIBUTES);
    if (!folder) {
        FolderDescription missing;
        const DWORD error = GetLastError();
        // Present but not openable (another owner's folder with no access for us) still counts as present.
        missing.exists = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
        missing.securityUnreadable = withSecurity && error == ERROR_ACCESS_DENIED;
        return missing;
    }
    return describeOpenFolder(folder.get(), path, withSecurity);
}

bool renameEntryItself(const std::wstring& path, const std::wstring& newPath, bool replaceExisting) {
    UniqueFileHandle entry = openFolder(path, DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES);
    if (!entry || !handleIsAt(entry.get(), path)) return false;
    const std::size_t nameBytes = newPath.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t), 0);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replaceExisting ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(rename->FileName, newPath.c_str(), nameBytes);
    return SetFileInformationByHandle(entry.get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != FALSE;
}

bool setAside(const std::wstring& path, const wchar_t* suffix, std::wstring* newPath) {
    for (int attempt = 0; attempt < kAsideNameTries; ++attempt) {
        const std::wstring random = randomName();
        if (random.empty()) return false;
        const std::wstring candidate = path + suffix + random;
        if (describeFolder(candidate, false).exists) continue;
        if (!retryWhileBusy([&] { return renameEntryItself(path, candidate); })) return false;
        if (newPath) *newPath = candidate;
        return true;
    }
    return false;
}

bool holdsLinkAt(const std::wstring& folder, const std::vector<std::wstring>& names) {
    for (const std::wstring& name : names) {
        const FolderDescription entry = describeFolder(folder + L"\\" + name, false);
        if (entry.exists && (entry.isReparsePoint || !entry.finalPathMatches)) return true;
    }
    return false;
}

bool prepareGameDirectory(const std::wstring& path, const std::wstring& workFolder,
                          const std::vector<std::wstring>& workFolderFixedNames) {
    // An empty folder that players may write to can be made a mount point: a new one
    // is closed to them until the work folder is in it, then opened for the game's files.
    if (createFolderWith(path, kNewGameDirectorySddl)) {
        prepareTrustedFolder(workFolder, workFolderFixedNames);
        rewriteFolderDescriptor(path, kGameDirectorySddl, false);
    }
    FolderDescription found = describeFolder(path);
    if (found.securityUnreadable) {
        logEvent("take ownership of " + toUtf8(path) + ": its descriptor cannot be read");
        rewriteFolderDescriptor(path, kGameDirectorySddl, true);
        found = describeFolder(path);
    }
    // A link here could aim every later write anywhere: it is never repaired, moved or used.
    if (!isUsableGameDirectory(found)) {
        logEvent("game directory " + toUtf8(path) + " refused: " + distrustReason(found, false, TrustContext()));
        return false;
    }
    const TrustContext& context = trustContext(path);
    if (!gameDirectoryNeedsRepair(found.security, context)) return true;

    logEvent("repair " + toUtf8(path) + ": " + distrustReason(found, false, context));
    // Player data lives inside: the directory is only re-permissioned in place, never moved.
    rewriteFolderDescriptor(path, kGameDirectorySddl, false);
    const FolderDescription repaired = describeFolder(path);
    if (isUsableGameDirectory(repaired) && !gameDirectoryNeedsRepair(repaired.security, context)) return true;
    logEvent("game directory " + toUtf8(path) + " still untrusted: " + distrustReason(repaired, false, context));
    return false;
}

bool trustOrSetAside(const std::wstring& path, const std::vector<std::wstring>& fixedNames,
                     std::wstring* setAsidePath) {
    if (setAsidePath) setAsidePath->clear();
    forgetCheckedFolder(path);
    const FolderDescription found = describeFolder(path);
    if (!found.exists) return false;
    const TrustContext& context = trustContext(parentOf(path));
    std::string reason = distrustReason(found, true, context);
    if (reason.empty() && !holdsLinkAt(path, fixedNames)) {
        rememberCheckedFolder(path, found.identity);
        return true;
    }
    if (reason.empty()) reason = "a link at a name the starter uses";
    std::wstring aside;
    const bool moved = setAside(path, kUntrustedSuffix, &aside);
    logEvent((moved ? "set aside " + toUtf8(path) + " as " + toUtf8(aside) : "cannot set aside " + toUtf8(path)) +
             ": " + reason);
    if (setAsidePath && moved) *setAsidePath = aside;
    return false;
}

bool prepareTrustedFolder(const std::wstring& path, const std::vector<std::wstring>& fixedNames,
                          std::wstring* setAsidePath) {
    if (trustOrSetAside(path, fixedNames, setAsidePath)) return true;
    if (describeFolder(path).exists) return false;  // could not be set aside
    if (!createFolderWith(path, kWorkFolderSddl)) return false;

    const TrustContext& context = trustContext(parentOf(path));
    const FolderDescription created = describeFolder(path);
    if (isTrustedWorkFolder(created, context)) {
        rememberCheckedFolder(path, created.identity);
        return true;
    }
    // Some platforms (Wine, file systems without ACLs) keep not what was set but
    // what their file modes say: set it once more and go by what they tell.
    {
        UniqueFileHandle folder = openFolder(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER);
        if (!folder || !handleIsAt(folder.get(), path)) return false;
        applyDescriptor(folder.get(), kWorkFolderSddl);
    }
    const FolderDescription made = describeFolder(path);
    if (isTrustedWorkFolder(made, context)) {
        rememberCheckedFolder(path, made.identity);
        return true;
    }
    logEvent("new work folder " + toUtf8(path) + " untrusted: " + distrustReason(made, true, context));
    return false;
}

const TrustContext& trustContextOfRun(const std::wstring& folder) { return trustContext(folder); }
