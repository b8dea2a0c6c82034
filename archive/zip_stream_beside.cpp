#include "archive/zip_stream_beside.h"

#include <utility>

ZipStreamBeside::ZipStreamBeside(UnpackPlaces places)
    : stream_(std::move(places)), unpacking_([this](const unsigned char* data, std::size_t size) {
          stream_.feed(data, size);
          return true;
      }) {}

ZipStreamBeside::~ZipStreamBeside() {
    finish();
}

void ZipStreamBeside::partBytes(std::uint64_t offset, const unsigned char* data, std::size_t size) {
    if (givenUp_ || finished_ || offset + size <= taken_) return;
    if (offset > taken_) {
        givenUp_ = true;  // a gap: bytes the unpack never saw
        return;
    }
    const std::size_t skip = static_cast<std::size_t>(taken_ - offset);
    taken_ += size - skip;
    unpacking_.add(data + skip, size - skip);
}

void ZipStreamBeside::partEmptied() {
    if (taken_ > 0) givenUp_ = true;
}

ZipStreamVerdict ZipStreamBeside::finish() {
    finished_ = true;
    unpacking_.finish();
    const ZipStreamVerdict verdict = stream_.finish();
    // What was unpacked or judged may not be the partial file's bytes any more.
    return givenUp_ ? ZipStreamVerdict::cannotFollow : verdict;
}
