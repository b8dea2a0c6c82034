#include "net/sha256_beside.h"

#include <cstring>

namespace {

// Enough to ride out a slow moment of the hashing thread without holding much memory.
constexpr std::size_t kMostQueuedBytes = 8 * 1024 * 1024;

}  // namespace

Sha256Beside::Sha256Beside() : thread_([this] { hashQueued(); }) {}

Sha256Beside::~Sha256Beside() { stop(); }

bool Sha256Beside::update(const void* data, std::size_t size) {
    std::vector<unsigned char> copy(static_cast<const unsigned char*>(data),
                                    static_cast<const unsigned char*>(data) + size);
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return queuedBytes_ < kMostQueuedBytes || failed_; });
    if (failed_ || closing_) return false;
    queuedBytes_ += copy.size();
    queued_.push_back(std::move(copy));
    changed_.notify_all();
    return true;
}

std::string Sha256Beside::finish() {
    stop();
    return failed_ ? std::string() : digest_.finish();
}

void Sha256Beside::hashQueued() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        changed_.wait(guard, [this] { return !queued_.empty() || closing_; });
        if (queued_.empty()) return;  // closing, and everything is hashed
        std::vector<unsigned char> piece = std::move(queued_.front());
        queued_.pop_front();
        guard.unlock();
        const bool hashed = digest_.update(piece.data(), piece.size());
        guard.lock();
        queuedBytes_ -= piece.size();
        if (!hashed) failed_ = true;
        changed_.notify_all();
    }
}

void Sha256Beside::stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}
