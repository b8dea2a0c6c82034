// The flushing itself cannot be seen without cutting the power; these check
// that every queued file is waited for and that a failure is not lost.

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/flush_files.h"

namespace fs = std::filesystem;

namespace {

class FlushFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = fs::path(temp) / "morvanta-flush-tests" /
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::wstring makeFile(int number) {
        const fs::path path = folder / ("file" + std::to_string(number) + ".bin");
        std::ofstream(path, std::ios::binary) << std::string(4096, static_cast<char>(number));
        return path.wstring();
    }
    fs::path folder;
};

TEST_F(FlushFilesTest, OnePassFlushesExistingFilesAndFailsOnAMissingOne) {
    std::vector<std::wstring> paths{makeFile(1), makeFile(2)};
    EXPECT_TRUE(flushFilesToDisk(paths));
    EXPECT_TRUE(flushFilesToDisk({}));
    paths.push_back((folder / "gone.bin").wstring());
    EXPECT_FALSE(flushFilesToDisk(paths));
}

TEST_F(FlushFilesTest, BackgroundFlusherWaitsForEveryQueuedFile) {
    BackgroundFlusher flusher;
    for (int number = 0; number < 200; ++number) flusher.add(makeFile(number));
    EXPECT_TRUE(flusher.finish());
    // It stays usable after a wait: the unpack goes on queuing.
    flusher.add(makeFile(500));
    EXPECT_TRUE(flusher.finish());
}

TEST_F(FlushFilesTest, BackgroundFlusherReportsAFileItCouldNotFlush) {
    BackgroundFlusher flusher;
    flusher.add(makeFile(1));
    flusher.add((folder / "gone.bin").wstring());
    flusher.add(makeFile(2));
    EXPECT_FALSE(flusher.finish());
    EXPECT_FALSE(flusher.finish());
}

TEST_F(FlushFilesTest, AbandoningAFullQueueDoesNotHang) {
    {
        BackgroundFlusher flusher;
        for (int number = 0; number < 500; ++number) flusher.add(makeFile(number));
    }
    BackgroundFlusher unused;
    SUCCEED();
}

}  // namespace
