#include "files/private_file.h"

#include "files/file_replace.h"
#include "files/security_description.h"

UniqueFileHandle createPrivateFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                                   DWORD flags) {
    LocalSecurityDescriptor descriptor = securityDescriptorFromSddl(kPrivateFileSddl);
    if (!descriptor) return UniqueFileHandle();
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    return UniqueFileHandle(CreateFileW(path.c_str(), access, share, &attributes, disposition, flags, nullptr));
}

bool writePrivateRecord(const std::wstring& path, const std::wstring& replacement, const std::string& text) {
    {
        UniqueFileHandle file = createPrivateFile(replacement, GENERIC_WRITE, 0, CREATE_ALWAYS);
        if (!file) return false;
        DWORD written = 0;
        if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size() || !FlushFileBuffers(file.get())) {
            file.reset();
            DeleteFileW(replacement.c_str());
            return false;
        }
    }
    if (!replaceFile(replacement, path)) {
        DeleteFileW(replacement.c_str());
        return false;
    }
    return true;
}
