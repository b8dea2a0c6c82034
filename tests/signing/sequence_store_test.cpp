// The stored highest sequence on a real (Wine) file system.

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

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

TEST_F(SequenceStoreTest, MissingOrUnreadableCountsAsZero) {
    EXPECT_EQ(readAcceptedSequence(path), 0u);
    for (const char* bytes : {"", "x\n", "-4\n", "12345678901234567890\n", "9223372036854775808\n", " 7\n"}) {
        writeRaw(bytes);
        EXPECT_EQ(readAcceptedSequence(path), 0u) << bytes;
    }
    writeRaw(std::string(100, '1'));
    EXPECT_EQ(readAcceptedSequence(path), 0u);
    fs::remove(path);
    fs::create_directory(path);  // a folder in its place
    EXPECT_EQ(readAcceptedSequence(path), 0u);
}

TEST_F(SequenceStoreTest, StoredValuesReadBackAndReplaceEachOther) {
    ASSERT_TRUE(storeAcceptedSequence(path, 41));
    EXPECT_EQ(readAcceptedSequence(path), 41u);
    ASSERT_TRUE(storeAcceptedSequence(path, 9223372036854775807u));
    EXPECT_EQ(readAcceptedSequence(path), 9223372036854775807u);
    EXPECT_FALSE(fs::exists(path + L".new")) << "the temporary file is left behind";
    writeRaw("5");  // without a line end, as an administrator might write it by hand
    EXPECT_EQ(readAcceptedSequence(path), 5u);
}

TEST_F(SequenceStoreTest, AFailedStoreKeepsTheOldValue) {
    ASSERT_TRUE(storeAcceptedSequence(path, 8));
    fs::create_directory(path + L".new");  // the temporary file cannot be made
    EXPECT_FALSE(storeAcceptedSequence(path, 9));
    EXPECT_EQ(readAcceptedSequence(path), 8u);
}

}  // namespace
