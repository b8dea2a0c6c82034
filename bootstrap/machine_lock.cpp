#include "bootstrap/machine_lock.h"

#include <windows.h>
#include <aclapi.h>

#include "base/support_log.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "files/folder_trust.h"
#include "files/plain_file.h"
#include "files/private_file.h"
#include "files/security_description.h"
#include "files/trusted_folders.h"

namespace {

// How often a starter waiting for the lock file tries again.
constexpr DWORD kLockFilePollMs = 100;

UniqueKernelHandle& heldMutex() {
    static UniqueKernelHandle lock;
    return lock;
}

UniqueFileHandle& heldLockFile() {
    static UniqueFileHandle lock;
    return lock;
}

// Only an elevated process can make SYSTEM or Administrators the owner of an object it creates.
bool madeByAnAdministrator(HANDLE mutex) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                        &raw) != ERROR_SUCCESS)
        return false;
    LocalSecurityDescriptor descriptor(raw);
    const std::string owner = describeSecurityDescriptor(descriptor.get()).ownerSid;
    return owner == kSystemSid || owner == kAdministratorsSid;
}

void takeMutex() {
    LocalSecurityDescriptor descriptor = securityDescriptorFromSddl(kMachineLockSddl);
    if (!descriptor) return;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    UniqueKernelHandle lock(CreateMutexW(&attributes, FALSE, kMachineLockName));
    const DWORD error = GetLastError();
    if (!lock || (error == ERROR_ALREADY_EXISTS && !madeByAnAdministrator(lock.get()))) {
        logEvent(win32Failure("machine-wide lock not usable", lock ? 0 : error) + ": going on without it");
        return;
    }
    DWORD waited = WaitForSingleObject(lock.get(), 0);
    if (waited == WAIT_TIMEOUT) {
        logEvent("waiting for the machine-wide lock: another starter is working on the files");
        waited = WaitForSingleObject(lock.get(), INFINITE);
        logEvent("machine-wide lock taken");
    }
    if (waited == WAIT_ABANDONED) logEvent("machine-wide lock left by a starter that ended: its files are checked");
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) heldMutex() = std::move(lock);
}

void releaseMutex() {
    if (!heldMutex()) return;
    ReleaseMutex(heldMutex().get());
    heldMutex().reset();
}

// Only a folder nobody else can write to keeps a lock file nobody else can hold.
bool isTrustedNow(const std::wstring& workFolder) {
    if (!describeFolder(workFolder, false).exists) return false;
    const std::wstring gameDirectory = workFolder.substr(0, workFolder.rfind(L'\\'));
    if (!isUsableGameDirectory(describeFolder(gameDirectory, false))) return false;
    return isTrustedWorkFolder(describeFolder(workFolder), trustContextOfRun(gameDirectory));
}

// Waits while another starter holds the file; false on any other failure.
bool takeLockFile(const std::wstring& path) {
    bool waiting = false;
    for (;;) {
        // Read access, so the open takes part in sharing: with none shared, no one else opens it.
        UniqueFileHandle file =
            createPrivateFile(path, GENERIC_READ, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
        const DWORD error = GetLastError();
        if (file && handleIsAt(file.get(), path)) {
            if (waiting) logEvent("work-files lock taken");
            heldLockFile() = std::move(file);
            return true;
        }
        if (file || error != ERROR_SHARING_VIOLATION) {
            logEvent(win32Failure("work-files lock " + toUtf8(path) + " not usable", file ? 0 : error));
            return false;
        }
        if (!waiting) logEvent("waiting for the work-files lock: another starter is working on the files");
        waiting = true;
        Sleep(kLockFilePollMs);
    }
}

// Whether the held lock file is still the file at `lockFile`. Compared by identity: Wine keeps
// a handle's old path after its folder was renamed. An open for attributes meets no sharing.
bool lockFileStillAt(const std::wstring& lockFile) {
    const FolderDescription there = describeFolder(lockFile, false);
    return there.exists && there.identity.known &&
           there.identity == describeOpenEntry(heldLockFile().get(), lockFile).identity;
}

}  // namespace

void lockWorkFiles(const std::wstring& workFolder, const std::wstring& lockFile) {
    if (heldLockFile() && lockFileStillAt(lockFile)) return;
    // A lock file in a work folder set aside since locks nobody out: it goes once the new one is held.
    const UniqueFileHandle setAside = std::move(heldLockFile());
    if (isTrustedNow(workFolder) && takeLockFile(lockFile)) {
        releaseMutex();
        return;
    }
    if (!heldMutex()) takeMutex();
}

void unlockWorkFiles() {
    heldLockFile().reset();
    releaseMutex();
}
