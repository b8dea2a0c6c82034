#include "files/private_file.h"

#include "base/scope_exit.h"

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
    const std::wstring& temporary = replacement;
    UniqueFileHandle file = createPrivateFile(temporary, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!file) return false;
    // From here on a failure leaves no half-made record behind; the file is closed first, or it could not go.
    ScopeExit removeTemporary([&file, &temporary] {
        file.reset();
        DeleteFileW(temporary.c_str());
    });
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !FlushFileBuffers(file.get()))
        return false;
    file.reset();
    if (!replaceFile(temporary, path)) return false;
    removeTemporary.dismiss();
    return true;
}
