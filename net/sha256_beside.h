#pragma once
// A SHA-256 computed on a thread of its own beside the receiving, so a download
// with its digest checked takes about as long as one without (on two cores).

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/sha256.h"

class Sha256Beside {
public:
    Sha256Beside();
    ~Sha256Beside();
    Sha256Beside(const Sha256Beside&) = delete;
    Sha256Beside& operator=(const Sha256Beside&) = delete;

    // Queues a copy of the bytes; waits only while several mebibytes are still unhashed.
    bool update(const void* data, std::size_t size);
    // Waits until everything queued is hashed: 64 lower-case hex digits, or empty after a failure. Once only.
    std::string finish();

private:
    void hashQueued();
    void stop();

    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::vector<unsigned char>> queued_;
    std::size_t queuedBytes_ = 0;
    bool closing_ = false;
    bool failed_ = false;
    Sha256Stream digest_;  // only the hashing thread touches it until it has ended
    std::thread thread_;
};
