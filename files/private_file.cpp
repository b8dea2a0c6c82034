#include "files/private_file.h"

#include "base/scope_exit.h"
#include "base/support_log.h"
#include "base/text.h"

#include "files/file_replace.h"
#include "files/plain_file.h"
#include "files/record_file.h"
#include "files/record_trust.h"
#include "files/security_description.h"
#include "files/trusted_folders.h"

namespace {

constexpr DWORD kDescriptorAccess = READ_CONTROL | WRITE_DAC | WRITE_OWNER;

// Owner and protected DACL on the file itself. Through the handle, with nothing to
// propagate: a file has no children.
bool writePrivateDescriptor(HANDLE file, const LocalSecurityDescriptor& descriptor) {
    return SetKernelObjectSecurity(file, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor.get()) !=
           FALSE;
}

}  // namespace

UniqueFileHandle createPrivateFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                                   DWORD flags) {
    LocalSecurityDescriptor descriptor = securityDescriptorFromSddl(kPrivateFileSddl);
    if (!descriptor) return UniqueFileHandle();
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    // Rights on the descriptor take part in no sharing check; asked for only where a file may already exist.
    const bool mayExist = disposition != CREATE_NEW;
    UniqueFileHandle file(CreateFileW(path.c_str(), access | (mayExist ? kDescriptorAccess : 0), share, &attributes,
                                      disposition, flags, nullptr));
    const DWORD error = GetLastError();
    if (!file || !mayExist) return file;
    // An existing file keeps its own descriptor even under CREATE_ALWAYS: one an earlier
    // version made may let Users open it. Written only on a file with this one name.
    const bool existed = (disposition != CREATE_ALWAYS && disposition != OPEN_ALWAYS) || error == ERROR_ALREADY_EXISTS;
    BY_HANDLE_FILE_INFORMATION information{};
    if (existed && GetFileInformationByHandle(file.get(), &information) && information.nNumberOfLinks == 1 &&
        !writePrivateDescriptor(file.get(), descriptor))
        logEvent(win32Failure("could not make " + toUtf8(path) + " private", GetLastError()));
    SetLastError(error);
    return file;
}

void makeFilesPrivate(const std::wstring& folder, const std::vector<std::wstring>& names) {
    const TrustContext& context = trustContextOfRun(folder);
    LocalSecurityDescriptor descriptor = securityDescriptorFromSddl(kPrivateFileSddl);
    if (!descriptor) return;
    for (const std::wstring& name : names) {
        const std::wstring path = folder + L"\\" + name;
        UniqueFileHandle file(CreateFileW(path.c_str(), kDescriptorAccess | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file) continue;
        // Never through a link or a second name: that would re-permission a file elsewhere.
        const FileDescription found = describeRecordFile(file.get(), path);
        if (!found.isPlainFile || !found.finalPathMatches || found.nameCount != 1 ||
            !needsPrivateDescriptor(found.security, context))
            continue;
        const bool written = writePrivateDescriptor(file.get(), descriptor);
        logEvent((written ? "made private " : "could not make private ") + toUtf8(path));
    }
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
