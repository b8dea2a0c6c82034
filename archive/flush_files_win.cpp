#include "archive/flush_files.h"

#include <windows.h>

#include <system_error>
#include <utility>

#include "app/unique_handle.h"

namespace {

bool flushFile(const std::wstring& path) {
    // FlushFileBuffers needs write access; opening for it leaves the modification time alone.
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.get());
}

}  // namespace

bool flushFilesToDisk(const std::vector<std::wstring>& paths) {
    for (const std::wstring& path : paths) {
        if (!flushFile(path)) return false;
    }
    return true;
}

BackgroundFlusher::BackgroundFlusher() {
    try {
        worker_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        // No thread to be had: add() flushes on the caller's thread instead.
    }
}

BackgroundFlusher::~BackgroundFlusher() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void BackgroundFlusher::add(std::wstring path) {
    if (!worker_.joinable()) {
        const bool flushed = flushFile(path);
        std::lock_guard<std::mutex> lock(mutex_);
        if (!flushed) failed_ = true;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(path));
    }
    changed_.notify_all();
}

bool BackgroundFlusher::finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return (queue_.empty() && !busy_) || failed_; });
    return !failed_;
}

void BackgroundFlusher::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (closing_) return;
        std::wstring path = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        const bool flushed = flushFile(path);
        lock.lock();
        busy_ = false;
        if (!flushed) failed_ = true;
        changed_.notify_all();
    }
}
