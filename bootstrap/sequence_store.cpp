#include "bootstrap/sequence_store.h"

#include <windows.h>

#include <string>

#include "app/unique_handle.h"
#include "bootstrap/manifest_signature.h"

namespace {

constexpr DWORD kMaximumFileSize = 64;  // 19 digits and a line end; anything longer is not ours

}  // namespace

std::uint64_t readAcceptedSequence(const std::wstring& path) {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    char buffer[kMaximumFileSize + 1];
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) || read > kMaximumFileSize) return 0;
    std::string text(buffer, read);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::uint64_t sequence = 0;
    return parseManifestSequence(text, sequence) ? sequence : 0;
}

bool storeAcceptedSequence(const std::wstring& path, std::uint64_t sequence) {
    const std::wstring temporary = path + L".new";
    const std::string text = std::to_string(sequence) + "\n";
    {
        UniqueFileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD written = 0;
        if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size() || !FlushFileBuffers(file.get())) {
            file.reset();
            DeleteFileW(temporary.c_str());
            return false;
        }
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}
