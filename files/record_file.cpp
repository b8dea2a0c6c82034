#include "files/record_file.h"

#include <aclapi.h>

#include "files/plain_file.h"
#include "files/security_description.h"

UniqueFileHandle openRecordFile(const std::wstring& path) {
    return UniqueFileHandle(CreateFileW(path.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

FileDescription describeRecordFile(HANDLE file, const std::wstring& path) {
    FileDescription description;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information)) return description;
    description.isPlainFile =
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    description.nameCount = information.nNumberOfLinks;
    description.finalPathMatches = handleIsAt(file, path);
    PSECURITY_DESCRIPTOR rawDescriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, nullptr, nullptr, &rawDescriptor) == ERROR_SUCCESS) {
        LocalSecurityDescriptor descriptor(rawDescriptor);
        description.security = describeSecurityDescriptor(descriptor.get());
    }
    return description;
}
