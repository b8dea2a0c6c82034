#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <thread>
#include <vector>

#include "app/launcher_state.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "net/download.h"
#include "net/sha256.h"
#include "servers/test_servers.h"

namespace {

std::string pattern(std::size_t count) {
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

// SHA-256 of pattern(65537), computed independently.
const std::string kServedDigest = "237356e18b503616912abb8ffaed3a72591e397d4ac294c4637917d48a3f529d";
const std::string kOldContent = "the launcher that works";

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void writeFile(const std::wstring& path, const std::string& bytes) {
    UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    if (!bytes.empty()) WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ASSERT_EQ(written, bytes.size());
}

class DownloadFile : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test_servers::available()) GTEST_SKIP() << "needs the test servers";
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"morvanta-download-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        target_ = folder_ + L"\\launcher.jar";
        partial_ = target_ + L".part";
        CreateDirectoryW((test_servers::docroot() + L"\\dl").c_str(), nullptr);
        writeFile(test_servers::docroot() + L"\\dl\\Morvanta.jar", pattern(65537));
    }
    void TearDown() override {
        // SHFileOperation wants a double-null-terminated list.
        std::wstring from = folder_;
        from.push_back(L'\0');
        SHFILEOPSTRUCTW operation = {};
        operation.wFunc = FO_DELETE;
        operation.pFrom = from.c_str();
        operation.fFlags = FOF_NO_UI;
        SHFileOperationW(&operation);
    }
    std::string url() const { return test_servers::httpUrl("/dl/Morvanta.jar"); }
    static int requests() { return test_servers::nginxRequestCount("/dl/Morvanta.jar"); }
    std::string targetContent() const { return test_servers::readTextFile(target_); }

    // Each reading of the clock is 200 ms after the last, so every chunk is shown.
    bool fetch(const std::string& from, const std::wstring& to, const std::string& digest) {
        return downloadFile(
            from, {to, to + L".part", to + L".part.resume"}, digest,
            [this](const std::wstring& text, double progress) { shown_.push_back({text, progress}); },
            [this] { return clockReads_++ * 200; }, [this](std::uint32_t ms) { pauses_.push_back(ms); });
    }
    std::vector<std::uint32_t> pauses_;
    struct Shown {
        std::wstring text;
        double progress;
    };
    std::vector<Shown> shown_;
    std::uint64_t clockReads_ = 0;

    std::wstring folder_, target_, partial_;
};

TEST_F(DownloadFile, IntactTargetIsKeptWithoutAnyRequest) {
    writeFile(target_, pattern(65537));
    const int before = requests();
    EXPECT_TRUE(fetch(url(), target_, asciiUppered(kServedDigest)));
    EXPECT_EQ(requests(), before);
    EXPECT_FALSE(exists(partial_));
}

TEST_F(DownloadFile, MissingTargetIsFetchedVerifiedAndPlaced) {
    const int before = requests();
    ASSERT_TRUE(fetch(url(), target_, kServedDigest));
    EXPECT_EQ(requests(), before + 1);
    EXPECT_EQ(targetContent(), pattern(65537));
    EXPECT_FALSE(exists(partial_));
}

TEST_F(DownloadFile, EmptyDigestAlwaysDownloadsAndAcceptsTheBody) {
    writeFile(target_, pattern(65537));
    const int before = requests();
    ASSERT_TRUE(fetch(url(), target_, ""));
    EXPECT_EQ(requests(), before + 1);
    EXPECT_EQ(targetContent(), pattern(65537));
}

TEST_F(DownloadFile, WrongDigestRemovesThePartialFileAndKeepsTheOldTarget) {
    writeFile(target_, kOldContent);
    EXPECT_FALSE(fetch(url(), target_, std::string(64, '0')));
    EXPECT_FALSE(exists(partial_));
    EXPECT_EQ(targetContent(), kOldContent);
}

TEST_F(DownloadFile, FailedTransferRemovesThePartialFileAndKeepsTheOldTarget) {
    writeFile(target_, kOldContent);
    for (const std::string& bad : {test_servers::httpUrl("/dl/missing.jar"), test_servers::faultUrl("/cut/65537/1000"),
                                   test_servers::faultUrl("/status/500")}) {
        EXPECT_FALSE(fetch(bad, target_, "")) << bad;
        EXPECT_FALSE(exists(partial_)) << bad;
        EXPECT_EQ(targetContent(), kOldContent) << bad;
    }
}

TEST_F(DownloadFile, StalePartialFileIsOverwrittenFromItsStart) {
    writeFile(partial_, std::string(200000, 'x'));
    ASSERT_TRUE(fetch(url(), target_, kServedDigest));
    EXPECT_EQ(targetContent(), pattern(65537));
    EXPECT_FALSE(exists(partial_));
}

// Mended: the old file is replaced in one step, so a failed replace leaves it in place.
TEST_F(DownloadFile, FailedReplaceKeepsTheOldTarget) {
    writeFile(target_, kOldContent);
    // A reader (a virus scanner, say) that lets the file be deleted but not replaced while it is open:
    // deleting first and renaming after would lose the old file here.
    UniqueFileHandle reader(CreateFileW(target_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_FALSE(fetch(url(), target_, kServedDigest));
    reader.reset();
    EXPECT_EQ(targetContent(), kOldContent);
    EXPECT_TRUE(exists(partial_));  // verified, kept for inspection; the next run truncates it
}

TEST_F(DownloadFile, TargetThatIsAFolderFailsAndLeavesThePartialFile) {
    CreateDirectoryW(target_.c_str(), nullptr);
    EXPECT_FALSE(fetch(url(), target_, kServedDigest));
    EXPECT_TRUE(exists(partial_));
    EXPECT_TRUE(GetFileAttributesW(target_.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(DownloadFile, PartialFileThatCannotBeCreatedFailsWithoutTouchingAnything) {
    writeFile(target_, kOldContent);
    CreateDirectoryW(partial_.c_str(), nullptr);
    const int before = requests();
    EXPECT_FALSE(fetch(url(), target_, kServedDigest));
    EXPECT_EQ(requests(), before);
    EXPECT_EQ(targetContent(), kOldContent);
    EXPECT_TRUE(GetFileAttributesW(partial_.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(DownloadFile, MissingFoldersAreCreated) {
    const std::wstring nested = folder_ + L"\\a\\b\\c\\launcher.jar";
    ASSERT_TRUE(fetch(url(), nested, kServedDigest));
    EXPECT_EQ(test_servers::readTextFile(nested), pattern(65537));
}

TEST_F(DownloadFile, HttpsDownloadShowsItsLinesToTheCallerOnly) {
    const std::string big = pattern(3 * 1048576);
    writeFile(test_servers::docroot() + L"\\dl\\three.zip", big);
    publishStatus(L"untouched", 0.5);
    ASSERT_TRUE(fetch(test_servers::httpsUrl("/dl/three.zip"), target_, ""));
    EXPECT_EQ(targetContent().size(), big.size());
    ASSERT_GE(shown_.size(), 2u);
    for (std::size_t i = 1; i < shown_.size(); ++i) EXPECT_GE(shown_[i].progress, shown_[i - 1].progress);
    const Shown& last = shown_.back();
    EXPECT_EQ(last.text.substr(0, 19), L"3.00 MB / 3.00 MB  ");
    EXPECT_EQ(last.text.substr(last.text.size() - 5), L" MB/s");
    EXPECT_DOUBLE_EQ(last.progress, 1.0);
    // The window's state is the bootstrap's business, not the network layer's.
    EXPECT_EQ(readLauncherState().statusText, L"untouched");
}

TEST_F(DownloadFile, IntactTargetShowsNothing) {
    writeFile(target_, pattern(65537));
    ASSERT_TRUE(fetch(url(), target_, kServedDigest));
    EXPECT_TRUE(shown_.empty());
}

std::string digestOf(const std::string& bytes) {
    Sha256Stream digest;
    digest.update(bytes.data(), bytes.size());
    return digest.finish();
}

// What the fault server logged for one path: each request, with " range=<from>" when it asked for one.
std::vector<std::string> requestsFor(const std::string& path) {
    const std::string log = test_servers::readTextFile(test_servers::windowsPath(test_servers::environment("MORVANTA_TEST_FAULT_LOG")));
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = log.find('\n', at)) != std::string::npos; at = end + 1)
        if (log.compare(at, path.size(), path) == 0 && (at + path.size() == end || log[at + path.size()] == ' '))
            lines.push_back(log.substr(at + path.size(), end - at - path.size()));
    return lines;
}

TEST_F(DownloadFile, AttemptsResumeRetryOrStartAfreshAsTheServerBehaves) {
    const std::string wanted = digestOf(pattern(200000));
    struct Row {
        std::string query;
        std::string digest;
        bool fetched;
        std::vector<std::uint32_t> pauses;
        std::vector<std::string> requests;
    };
    const Row rows[] = {
        {"cut=100000", wanted, true, {1000}, {"", " range=100000"}},
        {"status=503", wanted, true, {1000}, {"", ""}},
        {"cut=100000&ranges=wrong", wanted, true, {1000}, {"", " range=100000", ""}},
        {"cut=100000&ranges=ignore", wanted, true, {1000}, {"", " range=100000"}},
        {"cut=100000&etag=changing", wanted, true, {1000}, {"", " range=100000"}},
        // A resumed file that fails its digest gets one attempt from byte 0 at once.
        {"cut=100000", std::string(64, '0'), false, {1000}, {"", " range=100000", ""}},
        // The 503 keeps the part and its validator for the next range.
        {"cut=100000&status2=503", wanted, true, {1000, 2000}, {"", " range=100000", " range=100000"}},
        {"status=429&after=3", wanted, true, {3000}, {"", ""}},
        // An attempt that gets no answer pauses by the rule, not by the earlier answer's Retry-After.
        {"status=503&after=3&status2=0", wanted, true, {3000, 2000}, {"", "", ""}},
        {"status=408", wanted, true, {1000}, {"", ""}},
        {"encoding=gzip", wanted, false, {}, {""}},
        // A range without a length that runs on: nothing past its end is written.
        {"cut=100000&ranges=overrun", wanted, true, {1000}, {"", " range=100000"}},
        // A body without a length that ends early looks whole: its digest tells, and the rest is asked.
        {"cut=100000&length=none", wanted, true, {1000}, {"", " range=100000"}},
        {"status=404", wanted, false, {}, {""}},
        {"/status/503?", wanted, false, {1000, 2000, 4000}, {"", "", "", ""}},
    };
    int n = 0;
    for (const Row& row : rows) {
        // A path of its own per row: the server misbehaves on a path's first request only.
        const std::string path = (row.query[0] == '/' ? row.query : "/ranged/200000?" + row.query) + "&row=" + std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(n++);
        pauses_.clear();
        EXPECT_EQ(fetch(test_servers::faultUrl(path), target_, row.digest), row.fetched) << row.query;
        // Each pause within its jitter of 1, 2 and 4 s.
        ASSERT_EQ(pauses_.size(), row.pauses.size()) << row.query;
        for (std::size_t i = 0; i < pauses_.size(); ++i) {
            EXPECT_GE(pauses_[i], row.pauses[i] * 8 / 10) << row.query;
            EXPECT_LE(pauses_[i], row.pauses[i] * 12 / 10) << row.query;
        }
        EXPECT_EQ(requestsFor(path), row.requests) << row.query;
        if (row.fetched) {
            EXPECT_EQ(targetContent(), pattern(200000)) << row.query;
        }
        EXPECT_FALSE(exists(partial_)) << row.query;
        EXPECT_FALSE(exists(partial_ + L".resume")) << row.query;
        DeleteFileW(target_.c_str());
    }
}

TEST_F(DownloadFile, TricklingBodyIsCutAndTheRestAsked) {
    const std::string path = "/ranged/200000?stall=100000&every=20&t=" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(fetch(test_servers::faultUrl(path), target_, digestOf(pattern(200000))));
    const std::vector<std::string> requests = requestsFor(path);
    ASSERT_EQ(requests.size(), 2u);
    // Cut on the download clock, well before the server's minute of trickle (about 3000 bytes) ends.
    EXPECT_LT(std::stoul(requests[1].substr(7)), 102048u);
    EXPECT_EQ(targetContent(), pattern(200000));
}

TEST_F(DownloadFile, KeptPartOfALaterStartIsContinued) {
    const std::string path = "/ranged/200000?t=" + std::to_string(GetCurrentProcessId());
    const std::string bytes = pattern(200000);
    // Bytes past the record (written after its last refresh) are cut off first.
    writeFile(partial_, bytes.substr(0, 150000) + std::string(60000, 'g'));
    writeFile(partial_ + L".resume", "sha256=" + digestOf(bytes) + "\nlength=150000\nvalidator=\"v1\"\n");
    ASSERT_TRUE(fetch(test_servers::faultUrl(path), target_, digestOf(bytes)));
    EXPECT_EQ(requestsFor(path), std::vector<std::string>{" range=150000"});
    EXPECT_EQ(targetContent(), bytes);
    // The bar goes on from the kept bytes, never back.
    ASSERT_FALSE(shown_.empty());
    EXPECT_GE(shown_.front().progress, 0.75);
}

TEST_F(DownloadFile, KeptPartHeldByAScannerIsWaitedForNotDeleted) {
    const std::string path = "/ranged/200000?held=" + std::to_string(GetCurrentProcessId());
    const std::string bytes = pattern(200000);
    writeFile(partial_, bytes.substr(0, 150000));
    writeFile(partial_ + L".resume", "sha256=" + digestOf(bytes) + "\nlength=150000\nvalidator=\"v1\"\n");
    HANDLE scanner = CreateFileW(partial_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    // Held past the busy retry's 3 s: the first attempt leaves part and record alone.
    std::thread release([scanner] {
        Sleep(4000);
        CloseHandle(scanner);
    });
    const bool fetched = fetch(test_servers::faultUrl(path), target_, digestOf(bytes));
    release.join();
    ASSERT_TRUE(fetched);
    EXPECT_EQ(requestsFor(path), std::vector<std::string>{" range=150000"});
    EXPECT_EQ(targetContent(), bytes);
}

TEST(DigestComparison, IgnoresCaseAndNeverMatchesEmpty) {
    EXPECT_TRUE(sameDigest("abcdef0123", "ABCDEF0123"));
    EXPECT_FALSE(sameDigest("abcdef0123", "abcdef012"));
    EXPECT_FALSE(sameDigest("", ""));
    EXPECT_FALSE(sameDigest("abc", ""));
    EXPECT_FALSE(sameDigest("ab", "a\xC2"));
}

}  // namespace
