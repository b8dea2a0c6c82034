// The zip reader's file operations on Windows: UTF-8 paths are widened so
// every character survives, and files go through the Win32 API directly.

#include "archive/zip_file_io.h"

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

// A scanner's wait at a close is mostly waiting, not work: a few threads overlap
// several files' waits without taking the cores from the unpacking.
constexpr int kCloseThreads = 3;

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

void zipOutputReserve(ZipOutputFile* file, std::uint64_t size) {
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    SetFileInformationByHandle(file->handle, FileAllocationInfo, &allocation, sizeof allocation);
}

struct ZipCloseQueue {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<ZipOutputFile*> files;
    bool closing = false;
    bool failed = false;
    std::vector<std::thread> threads;

    void closeQueued() {
        std::unique_lock<std::mutex> guard(lock);
        for (;;) {
            changed.wait(guard, [this] { return !files.empty() || closing; });
            if (files.empty()) return;
            ZipOutputFile* file = files.front();
            files.pop_front();
            guard.unlock();
            // The publishing rename must never show data that is not on the disk.
            const bool flushed = FlushFileBuffers(file->handle) != FALSE;
            const bool closed = zipOutputClose(file);
            guard.lock();
            if (!flushed || !closed) failed = true;
        }
    }
};

ZipCloseQueue* zipCloseQueueOpen() {
    auto* queue = new ZipCloseQueue;
    for (int i = 0; i < kCloseThreads; ++i) queue->threads.emplace_back([queue] { queue->closeQueued(); });
    return queue;
}

void zipCloseQueueAdd(ZipCloseQueue* queue, ZipOutputFile* file) {
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        queue->files.push_back(file);
    }
    queue->changed.notify_one();
}

bool zipCloseQueueFinish(ZipCloseQueue* queue) {
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        queue->closing = true;
    }
    queue->changed.notify_all();
    for (std::thread& thread : queue->threads) thread.join();
    const bool ok = !queue->failed;
    delete queue;
    return ok;
}
