// The rollback record, the stored highest sequence, on a real (Wine) file system.

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/unique_handle.h"
#include "bootstrap/rollback_record.h"

namespace fs = std::filesystem;

namespace {

class RollbackRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("rollback-record-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        path = (folder / "manifest.sequence").wstring();
        replacement = path + L".new";
    }
    void TearDown() override { fs::remove_all(folder); }

    void writeRaw(const std::string& bytes) { std::ofstream(fs::path(path), std::ios::binary | std::ios::trunc) << bytes; }

    fs::path folder;
    std::wstring path;
    std::wstring replacement;
};

TEST_F(RollbackRecordTest, OnlyAMissingFileIsNoRecord) {
    EXPECT_EQ(readRollbackRecord(path).record, SequenceRecord::None);
    for (const char* bytes : {"", "x\n", "-4\n", "12345678901234567890\n", "9223372036854775808\n", " 7\n"}) {
        writeRaw(bytes);
        EXPECT_EQ(readRollbackRecord(path).record, SequenceRecord::Unreadable) << bytes;
    }
    writeRaw(std::string(100, '1'));
    EXPECT_EQ(readRollbackRecord(path).record, SequenceRecord::Unreadable);
    fs::remove(path);
    fs::create_directory(path);  // a folder in its place
    EXPECT_EQ(readRollbackRecord(path).record, SequenceRecord::Unreadable);
    EXPECT_FALSE(storeRollbackRecord(path, replacement, 3));
}

TEST_F(RollbackRecordTest, AFileHeldWithoutSharingIsUnreadableAndNeverReplaced) {
    ASSERT_TRUE(storeRollbackRecord(path, replacement, 8));
    UniqueFileHandle held(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    const ULONGLONG before = GetTickCount64();
    EXPECT_EQ(readRollbackRecord(path).record, SequenceRecord::Unreadable);
    EXPECT_GE(GetTickCount64() - before, 1900u) << "given up without waiting for the holder";
    EXPECT_FALSE(storeRollbackRecord(path, replacement, 9));
    held.reset();
    EXPECT_EQ(readRollbackRecord(path).value, 8u);
}

TEST_F(RollbackRecordTest, TheLargerOfTheStoredAndTheNewNumberIsKept) {
    ASSERT_TRUE(storeRollbackRecord(path, replacement, 12));
    EXPECT_TRUE(storeRollbackRecord(path, replacement, 10));
    EXPECT_EQ(readRollbackRecord(path).value, 12u);
}

TEST_F(RollbackRecordTest, StoredValuesReadBackAndReplaceEachOther) {
    ASSERT_TRUE(storeRollbackRecord(path, replacement, 41));
    EXPECT_EQ(readRollbackRecord(path).value, 41u);
    ASSERT_TRUE(storeRollbackRecord(path, replacement, 9223372036854775807u));
    EXPECT_EQ(readRollbackRecord(path).value, 9223372036854775807u);
    EXPECT_FALSE(fs::exists(replacement)) << "the temporary file is left behind";
    writeRaw("5");  // without a line end, as an administrator might write it by hand
    EXPECT_EQ(readRollbackRecord(path).value, 5u);
}

TEST_F(RollbackRecordTest, AFailedStoreKeepsTheOldValue) {
    ASSERT_TRUE(storeRollbackRecord(path, replacement, 8));
    fs::create_directory(replacement);  // the temporary file cannot be made
    EXPECT_FALSE(storeRollbackRecord(path, replacement, 9));
    EXPECT_EQ(readRollbackRecord(path).value, 8u);
}

}  // namespace
