#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/download_progress.h"

namespace {

constexpr std::int64_t kMiB = 1048576;

// A reporter with a clock the test moves by hand and a publisher that only records.
class DownloadProgress : public ::testing::Test {
protected:
    struct Shown {
        std::wstring text;
        double progress;
    };

    void at(std::uint64_t msAfterStart, std::int64_t received, std::int64_t total) {
        now_ = kStart + msAfterStart;
        reporter_.onChunk(received, total);
    }
    std::wstring shownText() const { return shown_.empty() ? L"before" : shown_.back().text; }
    double shownProgress() const { return shown_.empty() ? 0.25 : shown_.back().progress; }
    const DownloadStats& stats() const { return reporter_.stats(); }

    static constexpr std::uint64_t kStart = 1000000;
    std::uint64_t now_ = kStart;
    std::vector<Shown> shown_;
    DownloadProgressReporter reporter_{[this](const std::wstring& text, double progress) {
                                           shown_.push_back({text, progress});
                                       },
                                       [this] { return now_; }};
};

TEST(DownloadStatusLine, HasTheFixedShapeWithDecimalPoints) {
    EXPECT_EQ(formatDownloadStatus(12939428, 59538145, 1.25), L"12.34 MB / 56.78 MB  1.25 MB/s");
    EXPECT_EQ(formatDownloadStatus(0, 0, 0.0), L"0.00 MB / 0.00 MB  0.00 MB/s");
    EXPECT_EQ(formatDownloadStatus(5 * kMiB, 4 * kMiB, 123.456), L"5.00 MB / 4.00 MB  123.46 MB/s");
}

TEST(DownloadStatusLine, FitsTheLineBufferForHugeFigures) {
    const std::wstring line = formatDownloadStatus(INT64_MAX, INT64_MAX, 1e300);
    EXPECT_LT(line.size(), 128u);
    EXPECT_EQ(line.substr(0, 5), L"87960");
}

TEST_F(DownloadProgress, SamplesInsideTheIntervalChangeNothing) {
    at(100, kMiB, 10 * kMiB);
    at(149, 2 * kMiB, 10 * kMiB);
    EXPECT_EQ(shownText(), L"before");
    EXPECT_EQ(shownProgress(), 0.25);
    EXPECT_EQ(stats().lastSampleBytes, 0);
}

TEST_F(DownloadProgress, FirstAcceptedSampleWeighsSpeedAgainstZero) {
    at(1000, kMiB, 4 * kMiB);  // 1 MB/s measured, shown as 0.4
    EXPECT_EQ(shownText(), L"1.00 MB / 4.00 MB  0.40 MB/s");
    EXPECT_DOUBLE_EQ(shownProgress(), 0.25);
    at(2000, 2 * kMiB, 4 * kMiB);  // 1 MB/s again: 0.4 + 0.6 * 0.4
    EXPECT_EQ(shownText(), L"2.00 MB / 4.00 MB  0.64 MB/s");
    EXPECT_DOUBLE_EQ(stats().speedMBps, 0.64);
    EXPECT_EQ(stats().lastSampleTick, 1000000u + 2000);
    EXPECT_EQ(stats().lastSampleBytes, 2 * kMiB);
}

TEST_F(DownloadProgress, FinalSampleShowsEvenInTheSameMillisecond) {
    at(500, kMiB, 2 * kMiB);
    const double speed = stats().speedMBps;
    at(500, 2 * kMiB, 2 * kMiB);  // no time passed: speed is kept
    EXPECT_EQ(stats().speedMBps, speed);
    EXPECT_DOUBLE_EQ(shownProgress(), 1.0);
    EXPECT_EQ(shownText().substr(0, 17), L"2.00 MB / 2.00 MB");
}

TEST_F(DownloadProgress, UnknownLengthShowsZeroTotalOnTheRhythmOnly) {
    at(100, kMiB, 0);
    EXPECT_EQ(shownText(), L"before");
    at(150, kMiB, 0);
    EXPECT_EQ(shownText().substr(0, 17), L"1.00 MB / 0.00 MB");
    EXPECT_EQ(shownProgress(), 0.0);
    at(299, 2 * kMiB, 0);
    EXPECT_EQ(shownText().substr(0, 17), L"1.00 MB / 0.00 MB");
    at(300, 2 * kMiB, 0);
    EXPECT_EQ(shownText().substr(0, 17), L"2.00 MB / 0.00 MB");
}

TEST_F(DownloadProgress, MoreThanAnnouncedIsNotClamped) {
    at(200, 3 * kMiB, 2 * kMiB);
    EXPECT_DOUBLE_EQ(shownProgress(), 1.5);
}

TEST_F(DownloadProgress, MeasuresFromItsOwnStartAndPublishesOnlyTakenSamples) {
    EXPECT_EQ(stats().lastSampleTick, kStart);
    at(149, kMiB, 10 * kMiB);
    at(150, kMiB, 10 * kMiB);
    at(200, 2 * kMiB, 10 * kMiB);
    at(300, 3 * kMiB, 10 * kMiB);
    ASSERT_EQ(shown_.size(), 2u);
    EXPECT_EQ(shown_[0].text.substr(0, 18), L"1.00 MB / 10.00 MB");
    EXPECT_EQ(shown_[1].text.substr(0, 18), L"3.00 MB / 10.00 MB");
}

TEST(DownloadProgressReporter, WorksWithoutAPublisher) {
    std::uint64_t now = 7;
    DownloadProgressReporter reporter(nullptr, [&now] { return now; });
    now = 1007;
    reporter.onChunk(kMiB, 0);
    EXPECT_EQ(reporter.stats().lastSampleTick, 1007u);
    EXPECT_EQ(reporter.stats().lastSampleBytes, kMiB);
}

TEST_F(DownloadProgress, ANewReporterStartsTheClockAndSpeedAgain) {
    at(1000, kMiB, 4 * kMiB);
    now_ = 5000000;
    const DownloadProgressReporter next(nullptr, [this] { return now_; });
    EXPECT_EQ(next.stats().lastSampleTick, 5000000u);
    EXPECT_EQ(next.stats().lastSampleBytes, 0);
    EXPECT_EQ(next.stats().speedMBps, 0.0);
}

}  // namespace

namespace {

// A sample below the last one (a stream that started over) makes the smoothed
// speed negative; the line never shows a negative speed.
TEST(DownloadSample, NegativeSpeedShowsAsZero) {
    DownloadStats stats;
    stats.lastSampleTick = 0;
    stats.lastSampleBytes = 4 * kMiB;
    stats.speedMBps = 0.0;
    DownloadProgressLine line;
    ASSERT_TRUE(takeDownloadSample(stats, kMiB, 8 * kMiB, 1000, line));
    EXPECT_LT(stats.speedMBps, 0.0);
    EXPECT_EQ(line.text, L"1.00 MB / 8.00 MB  0.00 MB/s");
}

}  // namespace
