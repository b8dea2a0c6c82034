#pragma once
// Progress of the running download: speed measurement and the status line,
// published to the shared launcher state at most every 150 ms.

#include <cstdint>
#include <string>

struct DownloadStats {
    std::uint64_t lastSampleTick = 0;  // ms of the download clock at the last accepted sample
    std::int64_t lastSampleBytes = 0;  // bytes received at that sample
    double speedMBps = 0.0;            // smoothed, 1 MB = 1048576 bytes
};

// The one record of the running download; worker thread only, so no lock.
extern DownloadStats downloadStats;

// Milliseconds, GetTickCount64 unless a test installs its own clock.
using DownloadClock = std::uint64_t (*)();
DownloadClock setDownloadClock(DownloadClock clock);  // returns the previous clock

// Starts the measurement of a new download at the clock's current time.
void resetDownloadStats();

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

// The ProgressCallback of downloads: samples downloadStats and publishes the line.
void onDownloadProgress(std::int64_t received, std::int64_t total);
