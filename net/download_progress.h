#pragma once
// Progress of one download: speed measurement and the status line, handed to
// the caller's publisher at most every 150 ms.

#include <cstdint>
#include <functional>
#include <string>

struct DownloadStats {
    std::uint64_t lastSampleTick = 0;  // ms of the download clock at the last accepted sample
    std::int64_t lastSampleBytes = 0;  // bytes received at that sample
    double speedMBps = 0.0;            // smoothed, 1 MB = 1048576 bytes
};

// Milliseconds of a clock that never goes back.
using DownloadClock = std::function<std::uint64_t()>;
// Receives the status line and the bar's fraction together.
using StatusPublisher = std::function<void(const std::wstring& text, double progress)>;

inline constexpr std::uint64_t kProgressIntervalMs = 150;

struct DownloadProgressLine {
    std::wstring text;
    double fraction = 0.0;  // received / total, not clamped; 0 when no total is known
};

// Takes one sample into `stats`. False when it falls inside the throttle interval
// (and is not the final one of an announced length): then nothing changes.
bool takeDownloadSample(DownloadStats& stats, std::int64_t received, std::int64_t total, std::uint64_t now,
                        DownloadProgressLine& line);

// "12.34 MB / 56.78 MB  1.25 MB/s", always with a decimal point.
std::wstring formatDownloadStatus(std::int64_t received, std::int64_t total, double speedMBps);

// The measurement of one download, started at the clock's time of construction.
// Worker thread only: one reporter per download, so no lock.
class DownloadProgressReporter {
public:
    DownloadProgressReporter(StatusPublisher publish, DownloadClock clock);

    // Called after every chunk; publishes when the sample is taken.
    void onChunk(std::int64_t received, std::int64_t total);
    // Bytes kept from an earlier attempt count as received before the next sample, not as speed.
    void resumeAt(std::int64_t received) { stats_.lastSampleBytes = received; }

    const DownloadStats& stats() const { return stats_; }

private:
    StatusPublisher publish_;
    DownloadClock clock_;
    DownloadStats stats_;
};
