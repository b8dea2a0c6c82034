#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/launcher_state.h"
#include "net/download_progress.h"

namespace {

constexpr std::int64_t kMiB = 1048576;

std::uint64_t fakeNow = 0;
std::uint64_t fakeClock() { return fakeNow; }

// onDownloadProgress with a clock the test moves by hand.
class DownloadProgress : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = setDownloadClock(fakeClock);
        fakeNow = 1000000;
        resetDownloadStats();
        publishStatus(L"before", 0.25);
    }
    void TearDown() override { setDownloadClock(previous_); }

    static void at(std::uint64_t msAfterStart, std::int64_t received, std::int64_t total) {
        fakeNow = 1000000 + msAfterStart;
        onDownloadProgress(received, total);
    }
    static std::wstring shownText() { return readLauncherState().statusText; }
    static double shownProgress() { return readLauncherState().progress; }

    DownloadClock previous_ = nullptr;
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
    EXPECT_EQ(downloadStats.lastSampleBytes, 0);
}

TEST_F(DownloadProgress, FirstAcceptedSampleWeighsSpeedAgainstZero) {
    at(1000, kMiB, 4 * kMiB);  // 1 MB/s measured, shown as 0.4
    EXPECT_EQ(shownText(), L"1.00 MB / 4.00 MB  0.40 MB/s");
    EXPECT_DOUBLE_EQ(shownProgress(), 0.25);
    at(2000, 2 * kMiB, 4 * kMiB);  // 1 MB/s again: 0.4 + 0.6 * 0.4
    EXPECT_EQ(shownText(), L"2.00 MB / 4.00 MB  0.64 MB/s");
    EXPECT_DOUBLE_EQ(downloadStats.speedMBps, 0.64);
    EXPECT_EQ(downloadStats.lastSampleTick, 1000000u + 2000);
    EXPECT_EQ(downloadStats.lastSampleBytes, 2 * kMiB);
}

TEST_F(DownloadProgress, FinalSampleShowsEvenInTheSameMillisecond) {
    at(500, kMiB, 2 * kMiB);
    const double speed = downloadStats.speedMBps;
    at(500, 2 * kMiB, 2 * kMiB);  // no time passed: speed is kept
    EXPECT_EQ(downloadStats.speedMBps, speed);
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

TEST_F(DownloadProgress, ResetStartsTheClockAndSpeedAgain) {
    at(1000, kMiB, 4 * kMiB);
    fakeNow = 5000000;
    resetDownloadStats();
    EXPECT_EQ(downloadStats.lastSampleTick, 5000000u);
    EXPECT_EQ(downloadStats.lastSampleBytes, 0);
    EXPECT_EQ(downloadStats.speedMBps, 0.0);
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
