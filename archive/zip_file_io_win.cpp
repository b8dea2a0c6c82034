// The zip reader's file operations on Windows: UTF-8 paths are widened so
// every character survives, and files go through the Win32 API directly.

#include "archive/zip_file_io.h"

#include <windows.h>

#include <string>

#include "archive/dos_time.h"
#include "archive/local_time_win.h"
#include "base/text.h"

struct ZipInputFile {
    HANDLE handle;
    std::uint64_t size;
};

struct ZipOutputFile {
    HANDLE handle;
    bool failed;
};

namespace {

// Chunks of at most this size keep every ReadFile/WriteFile length within a DWORD.
constexpr std::size_t kMaxIoChunk = 1u << 30;

}  // namespace

ZipInputFile* zipInputOpen(const char* utf8Path) {
    const std::wstring path = fromUtf8(utf8Path);
    if (path.empty()) return nullptr;
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle, &size)) {
        CloseHandle(handle);
        return nullptr;
    }
    return new ZipInputFile{handle, static_cast<std::uint64_t>(size.QuadPart)};
}

std::uint64_t zipInputSize(const ZipInputFile* file) {
    return file->size;
}

bool zipInputReadAt(ZipInputFile* file, std::uint64_t offset, void* buffer, std::size_t length) {
    auto* target = static_cast<unsigned char*>(buffer);
    while (length > 0) {
        const DWORD chunk = static_cast<DWORD>(length < kMaxIoChunk ? length : kMaxIoChunk);
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(offset);
        position.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD read = 0;
        if (!ReadFile(file->handle, target, chunk, &read, &position) || read == 0) return false;
        target += read;
        offset += read;
        length -= read;
    }
    return true;
}

void zipInputClose(ZipInputFile* file) {
    CloseHandle(file->handle);
    delete file;
}

ZipOutputFile* zipOutputCreate(const char* utf8Path) {
    const std::wstring path = fromUtf8(utf8Path);
    if (path.empty()) return nullptr;
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return new ZipOutputFile{handle, false};
}

bool zipOutputWrite(ZipOutputFile* file, const void* data, std::size_t length) {
    const auto* source = static_cast<const unsigned char*>(data);
    while (length > 0) {
        const DWORD chunk = static_cast<DWORD>(length < kMaxIoChunk ? length : kMaxIoChunk);
        DWORD written = 0;
        if (!WriteFile(file->handle, source, chunk, &written, nullptr) || written == 0) {
            file->failed = true;
            return false;
        }
        source += written;
        length -= written;
    }
    return true;
}

void zipOutputSetModTime(ZipOutputFile* file, std::uint16_t dosDate, std::uint16_t dosTime) {
    DosWallClock clock;
    FILETIME utc{};
    if (!decodeDosTime(dosDate, dosTime, clock) || !localWallClockToUtc(clock, utc)) return;
    SetFileTime(file->handle, nullptr, nullptr, &utc);
}

bool zipOutputClose(ZipOutputFile* file) {
    const bool closed = CloseHandle(file->handle) != FALSE;
    const bool ok = closed && !file->failed;
    delete file;
    return ok;
}
