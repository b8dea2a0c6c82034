#pragma once
// Bytes handed to a consumer that runs on a thread of its own, so the thread that
// receives them never waits for the work done on them (hashing, inflating, writing).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class BytesBeside {
public:
    // `consume` runs on the thread, in order; once it returns false, the bytes after are dropped.
    explicit BytesBeside(std::function<bool(const unsigned char*, std::size_t)> consume);
    ~BytesBeside();
    BytesBeside(const BytesBeside&) = delete;
    BytesBeside& operator=(const BytesBeside&) = delete;

    // Takes a copy; waits only while several mebibytes are still unconsumed. False once
    // the consumer failed or after finish. From one thread at a time.
    bool add(const unsigned char* data, std::size_t size);
    // Hands over the rest and waits until the consumer has had everything: true when it took it all.
    bool finish();

private:
    bool handOver();
    void consumeQueued();

    std::function<bool(const unsigned char*, std::size_t)> consume_;
    std::vector<unsigned char> gathered_;  // the adding thread's, not yet handed over
    std::chrono::steady_clock::time_point gatheredSince_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::vector<unsigned char>> queued_;
    std::vector<std::vector<unsigned char>> spare_;  // consumed pieces, kept for their memory
    std::size_t queuedBytes_ = 0;
    std::atomic<bool> failed_{false};  // set under the lock, read without it by add
    bool closing_ = false;               // set by the adding thread only
    std::thread thread_;
};
