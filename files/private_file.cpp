#include "files/private_file.h"

#include "files/security_description.h"

UniqueFileHandle createPrivateFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                                   DWORD flags) {
    LocalSecurityDescriptor descriptor = securityDescriptorFromSddl(kPrivateFileSddl);
    if (!descriptor) return UniqueFileHandle();
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    return UniqueFileHandle(CreateFileW(path.c_str(), access, share, &attributes, disposition, flags, nullptr));
}
