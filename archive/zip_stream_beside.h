#pragma once
// A ZipStream on a thread of its own, fed with the bytes of a partial file as a
// download writes them, so the receiving never waits for inflating or writing.

#include <cstddef>
#include <cstdint>

#include "archive/zip_stream.h"
#include "base/bytes_beside.h"

class ZipStreamBeside {
public:
    explicit ZipStreamBeside(UnpackPlaces places);
    ~ZipStreamBeside();
    ZipStreamBeside(const ZipStreamBeside&) = delete;
    ZipStreamBeside& operator=(const ZipStreamBeside&) = delete;

    // `size` bytes of the partial file at `offset`. Bytes already taken are skipped,
    // so a resumed attempt may feed its kept bytes again from 0; queues a copy and
    // waits only while several mebibytes are still unread. These three calls come
    // from one thread at a time.
    void partBytes(std::uint64_t offset, const unsigned char* data, std::size_t size);
    // The partial file starts again from nothing: once bytes were taken, the unpack is
    // left to the whole file.
    void partEmptied();
    // No more bytes: waits for the unpack to take everything queued and for every file
    // to be closed. Once only.
    ZipStreamVerdict finish();
    const ZipStream& stream() const { return stream_; }
    // Bytes of the partial file taken so far (after finish: in all).
    std::uint64_t taken() const { return taken_; }

private:
    ZipStream stream_;  // only the unpacking thread touches it until it has ended
    BytesBeside unpacking_;  // after the stream: ends before it
    std::uint64_t taken_ = 0;  // bytes of the partial file queued so far
    bool givenUp_ = false;     // a gap or a restart: the stream cannot go on
    bool finished_ = false;
};
