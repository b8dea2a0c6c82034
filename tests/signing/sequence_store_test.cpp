// The stored highest sequence on a real (Wine) file system.

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/unique_handle.h"
#include "bootstrap/sequence_store.h"

namespace fs = std::filesystem;

namespace {

class SequenceStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("sequence-store-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        path = (folder / "manifest.sequence").wstring();
    }
    void TearDown() override { fs::remove_all(folder); }

    void writeRaw(const std::string& bytes) { std::ofstream(fs::path(path), std::ios::binary | std::ios::trunc) << bytes; }

    fs::path folder;
    std::wstring path;
};

TEST_F(SequenceStoreTest, OnlyAMissingFileIsNoRecord) {
    EXPECT_EQ(readAcceptedSequence(path).record, SequenceRecord::None);
    for (const char* bytes : {"", "x\n", "-4\n", "12345678901234567890\n", "9223372036854775808\n", " 7\n"}) {
        writeRaw(bytes);
        EXPECT_EQ(readAcceptedSequence(path).record, SequenceRecord::Unreadable) << bytes;
    }
    writeRaw(std::string(100, '1'));
    EXPECT_EQ(readAcceptedSequence(path).record, SequenceRecord::Unreadable);
    fs::remove(path);
    fs::create_directory(path);  // a folder in its place
    EXPECT_EQ(readAcceptedSequence(path).record, SequenceRecord::Unreadable);
    EXPECT_FALSE(storeAcceptedSequence(path, 3));
}

TEST_F(SequenceStoreTest, AFileHeldWithoutSharingIsUnreadableAndNeverReplaced) {
    ASSERT_TRUE(storeAcceptedSequence(path, 8));
    UniqueFileHandle held(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    const ULONGLONG before = GetTickCount64();
    EXPECT_EQ(readAcceptedSequence(path).record, SequenceRecord::Unreadable);
    EXPECT_GE(GetTickCount64() - before, 1900u) << "given up without waiting for the holder";
    EXPECT_FALSE(storeAcceptedSequence(path, 9));
    held.reset();
    EXPECT_EQ(readAcceptedSequence(path).value, 8u);
}

TEST_F(SequenceStoreTest, TheLargerOfTheStoredAndTheNewNumberIsKept) {
    ASSERT_TRUE(storeAcceptedSequence(path, 12));
    EXPECT_TRUE(storeAcceptedSequence(path, 10));
    EXPECT_EQ(readAcceptedSequence(path).value, 12u);
}

TEST_F(SequenceStoreTest, StoredValuesReadBackAndReplaceEachOther) {
    ASSERT_TRUE(storeAcceptedSequence(path, 41));
    EXPECT_EQ(readAcceptedSequence(path).value, 41u);
    ASSERT_TRUE(storeAcceptedSequence(path, 9223372036854775807u));
    EXPECT_EQ(readAcceptedSequence(path).value, 9223372036854775807u);
    EXPECT_FALSE(fs::exists(path + L".new")) << "the temporary file is left behind";
    writeRaw("5");  // without a line end, as an administrator might write it by hand
    EXPECT_EQ(readAcceptedSequence(path).value, 5u);
}

TEST_F(SequenceStoreTest, AFailedStoreKeepsTheOldValue) {
    ASSERT_TRUE(storeAcceptedSequence(path, 8));
    fs::create_directory(path + L".new");  // the temporary file cannot be made
    EXPECT_FALSE(storeAcceptedSequence(path, 9));
    EXPECT_EQ(readAcceptedSequence(path).value, 8u);
}

}  // namespace
