#pragma once
// Reading and writing security descriptors: from the platform's form into the
// plain description the trust decisions take, and the descriptors the starter sets.

#include <windows.h>

#include <memory>
#include <string>

#include "files/folder_trust.h"

struct LocalFreeDeleter {
    void operator()(void* memory) const noexcept { ::LocalFree(memory); }
};
using LocalSecurityDescriptor = std::unique_ptr<void, LocalFreeDeleter>;

// Owner Administrators; full control for SYSTEM and Administrators; read and run
// for Users; nothing inherited from above. What the starter makes inside inherits it.
inline constexpr const wchar_t* kWorkFolderSddl =
    L"O:BAG:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// The game writes its own files here unelevated: Authenticated Users may add files
// and folders but not rename, delete or re-permission the directory itself; what
// they make inside gets the Modify rights they have on the game's files today.
inline constexpr const wchar_t* kGameDirectorySddl =
    L"O:BAG:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;;0x1201bf;;;AU)"
    L"(A;OICIIO;0x1301bf;;;AU)";

// Null when the text is no valid descriptor.
LocalSecurityDescriptor securityDescriptorFromSddl(const wchar_t* sddl);

SecurityDescription describeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor);

// The string SID of the account the process runs as; empty when it cannot be read.
std::string currentUserSid();
