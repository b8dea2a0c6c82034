#include "base/bytes_beside.h"

#include <utility>

namespace {

// Enough to ride out a slow moment of the consumer (a file's creation, a busy disk)
// without holding much memory.
constexpr std::size_t kMostQueuedBytes = 8 * 1024 * 1024;
// Bytes are handed over in pieces of this size: a link that delivers 8 KiB per read
// would otherwise cost two thread switches per read. A slow link's bytes go over
// after a short while, so the work keeps pace with what arrived.
constexpr std::size_t kHandOverBytes = 1024 * 1024;
constexpr std::chrono::milliseconds kHandOverAfter(100);
// Room for the last read that crosses the hand-over size without growing the piece.
constexpr std::size_t kPieceCapacity = kHandOverBytes + 256 * 1024;

}  // namespace

BytesBeside::BytesBeside(std::function<bool(const unsigned char*, std::size_t)> consume)
    : consume_(std::move(consume)), thread_([this] { consumeQueued(); }) {}

BytesBeside::~BytesBeside() { finish(); }

bool BytesBeside::add(const unsigned char* data, std::size_t size) {
    if (gathered_.capacity() == 0) gathered_.reserve(kPieceCapacity);
    const auto now = std::chrono::steady_clock::now();
    if (gathered_.empty()) gatheredSince_ = now;
    gathered_.insert(gathered_.end(), data, data + size);
    // Below the hand-over size no lock is taken: only the consumer's failure can change.
    if (gathered_.size() < kHandOverBytes && now - gatheredSince_ < kHandOverAfter) return !failed_ && !closing_;
    return handOver();
}

bool BytesBeside::handOver() {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return queuedBytes_ < kMostQueuedBytes || failed_ || closing_; });
    if (failed_ || closing_) {
        gathered_.clear();  // dropped, as the consumer would drop them
        return false;
    }
    queuedBytes_ += gathered_.size();
    queued_.push_back(std::move(gathered_));
    // Fresh memory costs a page fault per page: pieces are used again.
    gathered_.clear();
    if (!spare_.empty()) {
        gathered_.swap(spare_.back());
        spare_.pop_back();
    }
    changed_.notify_all();
    guard.unlock();
    gathered_.reserve(kPieceCapacity);
    return true;
}

bool BytesBeside::finish() {
    if (thread_.joinable()) {
        if (!gathered_.empty()) handOver();
        {
            std::lock_guard<std::mutex> guard(lock_);
            closing_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    return !failed_;
}

void BytesBeside::consumeQueued() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        changed_.wait(guard, [this] { return !queued_.empty() || closing_; });
        if (queued_.empty()) return;  // closing, and everything is consumed
        std::vector<unsigned char> piece = std::move(queued_.front());
        queued_.pop_front();
        const bool skip = failed_;
        guard.unlock();
        const bool consumed = skip || consume_(piece.data(), piece.size());
        guard.lock();
        queuedBytes_ -= piece.size();
        piece.clear();
        spare_.push_back(std::move(piece));
        if (!consumed) failed_ = true;
        changed_.notify_all();
    }
}
