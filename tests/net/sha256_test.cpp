#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "base/unique_handle.h"
#include "net/sha256.h"

namespace {

class FileDigest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"morvanta-sha256-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
    }
    void TearDown() override {
        for (const std::wstring& path : created_) DeleteFileW(path.c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    std::wstring write(const std::wstring& name, const std::vector<unsigned char>& bytes) {
        const std::wstring path = folder_ + L"\\" + name;
        UniqueFileHandle file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(file);
        DWORD written = 0;
        if (!bytes.empty()) WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        EXPECT_EQ(written, bytes.size());
        created_.push_back(path);
        return path;
    }
    std::wstring folder_;
    std::vector<std::wstring> created_;
};

std::vector<unsigned char> pattern(std::size_t count) {
    std::vector<unsigned char> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(i % 251);
    return bytes;
}

std::vector<unsigned char> text(const std::string& s) { return {s.begin(), s.end()}; }

// FIPS 180-4 examples.
TEST_F(FileDigest, MatchesStandardTestVectors) {
    EXPECT_EQ(computeFileSha256(write(L"empty", {})),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(computeFileSha256(write(L"abc", text("abc"))),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(computeFileSha256(write(L"two-blocks", text("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"))),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(computeFileSha256(write(L"million-a", std::vector<unsigned char>(1000000, 'a'))),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// One read buffer exactly, and one byte more: the chunk edge must not lose or repeat a byte.
TEST_F(FileDigest, ChunkEdgeSizesMatchOneShotDigests) {
    EXPECT_EQ(computeFileSha256(write(L"65536", pattern(65536))),
              "4b640d85ab3ba30fd02c9fc9db4a8928f416322ad27022ea58a65aaee68a4df2");
    EXPECT_EQ(computeFileSha256(write(L"65537", pattern(65537))),
              "237356e18b503616912abb8ffaed3a72591e397d4ac294c4637917d48a3f529d");
}

TEST_F(FileDigest, IsLowerCaseHex) {
    const std::string digest = computeFileSha256(write(L"abc", text("abc")));
    ASSERT_EQ(digest.size(), 64u);
    for (char c : digest) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << c;
}

TEST_F(FileDigest, MissingPathOrDirectoryGivesEmpty) {
    EXPECT_EQ(computeFileSha256(folder_ + L"\\no-such-file"), "");
    EXPECT_EQ(computeFileSha256(folder_), "");
}

TEST_F(FileDigest, FileOpenForWritingElsewhereGivesEmpty) {
    const std::wstring path = write(L"busy", pattern(100));
    UniqueFileHandle writer(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_EQ(computeFileSha256(path), "");
}

// A read that fails in the middle must not yield a digest of the bytes before it.
// A pipe whose writer goes away after some bytes makes the next read fail.
TEST_F(FileDigest, ReadErrorMidStreamGivesEmpty) {
    const std::wstring name = L"\\\\.\\pipe\\morvanta-sha256-" + std::to_wstring(GetCurrentProcessId());
    UniqueFileHandle pipe(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536,
                                           65536, 0, nullptr));
    ASSERT_TRUE(pipe);
    std::thread writer([&pipe] {
        ConnectNamedPipe(pipe.get(), nullptr);
        const std::vector<unsigned char> bytes = pattern(100000);
        DWORD written = 0;
        WriteFile(pipe.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        FlushFileBuffers(pipe.get());
        pipe.reset();
    });
    const std::string digest = computeFileSha256(name);
    writer.join();
    EXPECT_EQ(digest, "");
}

}  // namespace
