#pragma once
// A SHA-256 computed on a thread of its own beside the receiving, so a download
// with its digest checked takes about as long as one without (on two cores).

#include <cstddef>
#include <string>

#include "base/bytes_beside.h"
#include "net/sha256.h"

class Sha256Beside {
public:
    Sha256Beside();
    Sha256Beside(const Sha256Beside&) = delete;
    Sha256Beside& operator=(const Sha256Beside&) = delete;

    // Queues a copy of the bytes; waits only while several mebibytes are still unhashed.
    bool update(const void* data, std::size_t size);
    // Waits until everything queued is hashed: 64 lower-case hex digits, or empty after a failure. Once only.
    std::string finish();

private:
    Sha256Stream digest_;  // only the hashing thread touches it until it has ended
    BytesBeside hashing_;  // after the digest: ends before it
};
