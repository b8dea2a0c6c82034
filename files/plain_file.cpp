#include "files/plain_file.h"

#include "base/text.h"

std::wstring verbatimPath(const std::wstring& path) {
    const bool driveAbsolute = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
    return driveAbsolute ? L"\\\\?\\" + path : path;
}

bool handleIsAt(HANDLE handle, const std::wstring& path) {
    constexpr DWORD kFlags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle, &buffer[0], MAX_PATH, kFlags);
    if (length >= MAX_PATH) {
        // Too small: `length` is the size needed, terminator included.
        buffer.assign(length, L'\0');
        length = GetFinalPathNameByHandleW(handle, &buffer[0], static_cast<DWORD>(buffer.size()), kFlags);
        if (length >= buffer.size()) return false;
    }
    if (length == 0) return false;
    const std::wstring expected = L"\\\\?\\" + path;
    // Wine opens the target of a host symbolic link even with FILE_FLAG_OPEN_REPARSE_POINT
    // and shows no reparse attribute for file links: this comparison is what catches them there.
    return equalsOrdinalIgnoringCase(std::wstring_view(buffer.c_str(), length), expected);
}

UniqueFileHandle openPlainFileForReading(const std::wstring& path) {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return file;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file.get(), &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        information.nNumberOfLinks != 1 || !handleIsAt(file.get(), path))
        return UniqueFileHandle();
    return file;
}
