#include "archive/flush_files.h"

#include <windows.h>

#include <system_error>
#include <utility>

#include "app/unique_handle.h"

namespace {

bool flushFile(const std::wstring& path) {
    // FlushFileBuffers needs write access; opening for it leaves the modification time alone.
    // Sharing everything: the unpacking may be writing a later entry of the same name.
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

BackgroundFlusher::BackgroundFlusher(unsigned threads) {
    try {
        for (unsigned count = 0; count < threads; ++count) workers_.emplace_back([this] { run(); });
    } catch (const std::system_error&) {
        // Fewer threads, or none: with none, add() flushes on the caller's thread.
    }
}

BackgroundFlusher::~BackgroundFlusher() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void BackgroundFlusher::add(std::wstring path) {
    if (workers_.empty()) {
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
    changed_.wait(lock, [this] { return (queue_.empty() && busy_ == 0) || failed_; });
    return !failed_;
}

void BackgroundFlusher::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (closing_) return;
        std::wstring path = std::move(queue_.front());
        queue_.pop_front();
        ++busy_;
        lock.unlock();
        const bool flushed = flushFile(path);
        lock.lock();
        --busy_;
        if (!flushed) failed_ = true;
        changed_.notify_all();
    }
}
