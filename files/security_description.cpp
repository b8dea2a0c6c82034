#include "files/security_description.h"

#include <sddl.h>

#include "base/unique_handle.h"

namespace {

std::string sidText(PSID sid) {
    if (sid == nullptr || !IsValidSid(sid)) return std::string();
    LPSTR text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return std::string();
    std::unique_ptr<char, LocalFreeDeleter> owned(text);
    return std::string(owned.get());
}

bool readEntry(void* ace, AccessEntry& entry) {
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
    entry.inheritedByChildren = (header->AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) != 0;
    switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE: {
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        entry.allows = true;
        entry.mask = allowed->Mask;
        entry.sid = sidText(&allowed->SidStart);
        return true;
    }
    case ACCESS_DENIED_ACE_TYPE: {
        auto* denied = static_cast<ACCESS_DENIED_ACE*>(ace);
        entry.allows = false;
        entry.mask = denied->Mask;
        entry.sid = sidText(&denied->SidStart);
        return true;
    }
    default:
        // An allow entry of a kind we do not read could grant anything: count it as granting all.
        entry.allows = true;
        entry.mask = kGenericAll;
        entry.sid = std::string();
        return true;
    }
}

}  // namespace

LocalSecurityDescriptor securityDescriptorFromSddl(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return LocalSecurityDescriptor();
    return LocalSecurityDescriptor(descriptor);
}

SecurityDescription describeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor) {
    SecurityDescription description;
    if (descriptor == nullptr) return description;

    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (GetSecurityDescriptorOwner(descriptor, &owner, &defaulted)) description.ownerSid = sidText(owner);

    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (GetSecurityDescriptorControl(descriptor, &control, &revision))
        description.daclProtected = (control & SE_DACL_PROTECTED) != 0;

    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || dacl == nullptr)
        return description;  // no DACL: full access for everyone
    description.hasDacl = true;
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* ace = nullptr;
        AccessEntry entry;
        if (!GetAce(dacl, index, &ace) || !readEntry(ace, entry)) {
            description.hasDacl = false;  // unreadable: assume the worst
            return description;
        }
        description.entries.push_back(entry);
    }
    return description;
}

std::string currentUserSid() {
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::string();
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return std::string();
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.get(), size, &size)) return std::string();
    return sidText(reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid);
}
