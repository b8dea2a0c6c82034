#include "bootstrap/runtime_source.h"

#include <windows.h>

#include "app/unique_handle.h"
#include "bootstrap/manifest_signature.h"
#include "files/file_replace.h"
#include "files/private_file.h"

namespace {

constexpr DWORD kMaximumFileSize = 80;  // a digest and a line end; anything longer is not ours

}  // namespace

std::string readRuntimeSource(const std::wstring& path) {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return std::string();
    char buffer[kMaximumFileSize + 1];
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) || read > kMaximumFileSize) return std::string();
    std::string text(buffer, read);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return isSha256Hex(text) ? text : std::string();
}

bool storeRuntimeSource(const std::wstring& path, const std::string& digest) {
    const std::wstring temporary = path + L".new";
    const std::string text = digest + "\n";
    {
        UniqueFileHandle file = createPrivateFile(temporary, GENERIC_WRITE, 0, CREATE_ALWAYS);
        if (!file) return false;
        DWORD written = 0;
        if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size() || !FlushFileBuffers(file.get())) {
            file.reset();
            DeleteFileW(temporary.c_str());
            return false;
        }
    }
    if (!replaceFile(temporary, path)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}
