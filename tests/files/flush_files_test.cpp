// The flushing itself cannot be seen without cutting the power; this checks
// that a file that cannot be flushed fails the pass.

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/flush_files.h"

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

}  // namespace
