#include "bootstrap/machine_lock.h"

#include <windows.h>
#include <aclapi.h>

#include <string>

#include "base/support_log.h"
#include "base/unique_handle.h"
#include "files/folder_trust.h"
#include "files/security_description.h"

namespace {

UniqueKernelHandle& heldLock() {
    static UniqueKernelHandle lock;
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

}  // namespace

void lockWorkFiles() {
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
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) heldLock() = std::move(lock);
}

void unlockWorkFiles() {
    if (!heldLock()) return;
    ReleaseMutex(heldLock().get());
    heldLock().reset();
}
