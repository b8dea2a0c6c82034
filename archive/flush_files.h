#pragma once
// Forces unpacked files to disk before their folder is published.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Flushes each file's data and metadata to the disk; false when one cannot be
// opened or flushed.
bool flushFilesToDisk(const std::vector<std::wstring>& paths);

// Flushes files on a thread of its own while the caller writes the next ones,
// so the disk's wait overlaps the unpacking instead of following it. More
// threads were slower in measurements (bench/unzip_flush_bench.sh).
class BackgroundFlusher {
public:
    explicit BackgroundFlusher(unsigned threads = 1);
    BackgroundFlusher(const BackgroundFlusher&) = delete;
    BackgroundFlusher& operator=(const BackgroundFlusher&) = delete;
    // Abandons what is still queued: used when the unpack failed anyway.
    ~BackgroundFlusher();

    // Queues a file that is complete and closed.
    void add(std::wstring path);
    // Waits until every queued file is flushed; false when one could not be.
    bool finish();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::wstring> queue_;
    bool closing_ = false;
    bool failed_ = false;
    unsigned busy_ = 0;
    std::vector<std::thread> workers_;
};
