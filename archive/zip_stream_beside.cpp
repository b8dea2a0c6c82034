#include "archive/zip_stream_beside.h"

namespace {

// Enough to ride out a slow moment of the unpacking (a file's creation, a busy disk)
// without holding much memory.
constexpr std::size_t kMostQueuedBytes = 8 * 1024 * 1024;

}  // namespace

ZipStreamBeside::ZipStreamBeside(UnpackPlaces places)
    : stream_(std::move(places)), thread_([this] { unpackQueued(); }) {}

ZipStreamBeside::~ZipStreamBeside() {
    finish();
}

void ZipStreamBeside::partBytes(std::uint64_t offset, const unsigned char* data, std::size_t size) {
    std::unique_lock<std::mutex> guard(lock_);
    if (givenUp_ || closing_ || offset + size <= taken_) return;
    if (offset > taken_) {
        givenUp_ = true;  // a gap: bytes the unpack never saw
        return;
    }
    const std::size_t skip = static_cast<std::size_t>(taken_ - offset);
    std::vector<unsigned char> copy(data + skip, data + size);
    changed_.wait(guard, [this] { return queuedBytes_ < kMostQueuedBytes || closing_; });
    if (closing_) return;
    taken_ += copy.size();
    queuedBytes_ += copy.size();
    queued_.push_back(std::move(copy));
    changed_.notify_all();
}

void ZipStreamBeside::partEmptied() {
    std::lock_guard<std::mutex> guard(lock_);
    if (taken_ > 0) givenUp_ = true;
}

ZipStreamVerdict ZipStreamBeside::finish() {
    stopThread();
    const ZipStreamVerdict verdict = stream_.finish();
    // What was unpacked or judged may not be the partial file's bytes any more.
    return givenUp_ ? ZipStreamVerdict::cannotFollow : verdict;
}

void ZipStreamBeside::unpackQueued() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        changed_.wait(guard, [this] { return !queued_.empty() || closing_; });
        if (queued_.empty()) return;  // closing, and everything is taken
        std::vector<unsigned char> piece = std::move(queued_.front());
        queued_.pop_front();
        guard.unlock();
        stream_.feed(piece.data(), piece.size());
        guard.lock();
        queuedBytes_ -= piece.size();
        changed_.notify_all();
    }
}

void ZipStreamBeside::stopThread() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}
