#include "net/download_progress.h"

#include <cstdio>
#include <utility>

namespace {

constexpr double kBytesPerMB = 1048576.0;
constexpr double kNewSampleWeight = 0.4;

}  // namespace

std::wstring formatDownloadStatus(std::int64_t received, std::int64_t total, double speedMBps) {
    // The program never changes the C locale, so %f writes a point.
    char text[128];
    std::snprintf(text, sizeof text, "%.2f MB / %.2f MB  %.2f MB/s", static_cast<double>(received) / kBytesPerMB,
                  static_cast<double>(total) / kBytesPerMB, speedMBps);
    std::wstring line;
    for (const char* c = text; *c; ++c) line.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    return line;
}

bool takeDownloadSample(DownloadStats& stats, std::int64_t received, std::int64_t total, std::uint64_t now,
                        DownloadProgressLine& line) {
    const std::uint64_t elapsed = now - stats.lastSampleTick;
    // The final call of an announced length always shows, so the line ends complete.
    if (elapsed < kProgressIntervalMs && received != total) return false;

    const double seconds = static_cast<double>(elapsed) / 1000.0;
    if (seconds > 0.0) {
        const double instantaneous = static_cast<double>(received - stats.lastSampleBytes) / kBytesPerMB / seconds;
        stats.speedMBps = instantaneous * kNewSampleWeight + stats.speedMBps * (1.0 - kNewSampleWeight);
    }
    stats.lastSampleTick = now;
    stats.lastSampleBytes = received;

    const double shownSpeed = stats.speedMBps < 0.0 ? 0.0 : stats.speedMBps;
    line.text = formatDownloadStatus(received, total, shownSpeed);
    line.fraction = total > 0 ? static_cast<double>(received) / static_cast<double>(total) : 0.0;
    return true;
}

DownloadProgressReporter::DownloadProgressReporter(StatusPublisher publish, DownloadClock clock)
    : publish_(std::move(publish)), clock_(std::move(clock)) {
    stats_.lastSampleTick = clock_();
}

void DownloadProgressReporter::onChunk(std::int64_t received, std::int64_t total) {
    DownloadProgressLine line;
    if (takeDownloadSample(stats_, received, total, clock_(), line) && publish_) publish_(line.text, line.fraction);
}
