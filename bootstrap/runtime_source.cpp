#include "bootstrap/runtime_source.h"

#include <windows.h>

#include "base/unique_handle.h"
#include "bootstrap/manifest_signature.h"
#include "files/private_file.h"

namespace {

constexpr DWORD kMaximumFileSize = 80;  // a digest and a line end; anything longer is not ours

}  // namespace

RuntimeSource readRuntimeSource(const std::wstring& path) {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return RuntimeSource{missing ? SourceRecord::None : SourceRecord::Unreadable, std::string()};
    }
    char buffer[kMaximumFileSize + 1];
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr)) return RuntimeSource{SourceRecord::Unreadable, {}};
    std::string text(buffer, read > kMaximumFileSize ? 0 : read);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    // Any other text (the mark of an unknown archive, damage) is a record that matches nothing.
    return RuntimeSource{SourceRecord::Present, isSha256Hex(text) ? text : std::string()};
}

bool storeRuntimeSource(const std::wstring& path, const std::wstring& replacement, const std::string& digest) {
    return writePrivateRecord(path, replacement, digest + "\n");
}
