#include <gtest/gtest.h>

#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/http_client.h"
#include "servers/test_servers.h"

namespace {

std::vector<unsigned char> patternBytes(std::size_t count) {
    std::vector<unsigned char> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(i % 251);
    return bytes;
}

void writeDocrootFile(const std::wstring& relative, const std::vector<unsigned char>& bytes) {
    const std::wstring path = test_servers::docroot() + L"\\" + relative;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

// The error WinHTTP gives for the same request made by hand.
DWORD rawHttpsError(const std::wstring& path) {
    const INTERNET_PORT port = static_cast<INTERNET_PORT>(std::stoi(test_servers::environment("MORVANTA_TEST_HTTPS_PORT")));
    HINTERNET session = WinHttpOpen(L"Morvanta/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    HINTERNET connection = WinHttpConnect(session, L"127.0.0.1", port, 0);
    HINTERNET request = WinHttpOpenRequest(connection, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE);
    DWORD error = 0;
    if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
        error = GetLastError();
    WinHttpCloseHandle(request);
    WinHttpCloseHandle(connection);
    WinHttpCloseHandle(session);
    return error;
}

bool expectUntrusted() { return !test_servers::environment("MORVANTA_EXPECT_UNTRUSTED").empty(); }

class HttpsTrust : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test_servers::available()) GTEST_SKIP() << "needs the test servers";
        writeDocrootFile(L"trust.bin", patternBytes(1000));
    }
};

// The same request either way: whether it succeeds depends only on the test CA being trusted.
TEST_F(HttpsTrust, HttpsSucceedsExactlyWhenTheTestCaIsTrusted) {
    std::vector<unsigned char> plain;
    ASSERT_TRUE(httpGet(test_servers::httpUrl("/trust.bin"), &plain, nullptr, nullptr)) << "nginx is not up";

    std::vector<unsigned char> body;
    const bool ok = httpGet(test_servers::httpsUrl("/trust.bin"), &body, nullptr, nullptr);
    if (expectUntrusted()) {
        EXPECT_FALSE(ok);
        EXPECT_TRUE(body.empty());
        // A TLS failure, not a refused connection: Windows says so with SECURE_FAILURE, Wine with
        // SECURE_CHANNEL_ERROR.
        const DWORD error = rawHttpsError(L"/trust.bin");
        EXPECT_TRUE(error == ERROR_WINHTTP_SECURE_FAILURE || error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR) << error;
    } else {
        EXPECT_TRUE(ok);
        EXPECT_EQ(body, patternBytes(1000));
    }
}

struct ProgressCall {
    std::int64_t received;
    std::int64_t total;
};
std::vector<ProgressCall> progressCalls;
void recordProgress(std::int64_t received, std::int64_t total) { progressCalls.push_back({received, total}); }

class HttpGet : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test_servers::available()) GTEST_SKIP() << "needs the test servers";
        progressCalls.clear();
    }
};

const std::vector<unsigned char> kUntouched = {'k', 'e', 'e', 'p'};

TEST_F(HttpGet, WholeBodyWithLengthOverHttpAndHttps) {
    const std::vector<unsigned char> content = patternBytes(3 * 1024 * 1024 + 17);
    writeDocrootFile(L"three-mib.bin", content);
    for (const std::string& url : {test_servers::httpUrl("/three-mib.bin"), test_servers::httpsUrl("/three-mib.bin")}) {
        progressCalls.clear();
        std::vector<unsigned char> body;
        ASSERT_TRUE(httpGet(url, &body, nullptr, recordProgress)) << url;
        EXPECT_EQ(body, content) << url;
        // One call per chunk, strictly growing, the last one complete.
        ASSERT_GE(progressCalls.size(), 2u) << url;
        for (std::size_t i = 0; i < progressCalls.size(); ++i) {
            EXPECT_EQ(progressCalls[i].total, static_cast<std::int64_t>(content.size()));
            if (i > 0) {
                EXPECT_GT(progressCalls[i].received, progressCalls[i - 1].received);
            }
        }
        EXPECT_EQ(progressCalls.back().received, static_cast<std::int64_t>(content.size()));
    }
}

TEST_F(HttpGet, BodyWithoutLengthReportsZeroTotal) {
    std::vector<unsigned char> body;
    ASSERT_TRUE(httpGet(test_servers::faultUrl("/nolength/300000"), &body, nullptr, recordProgress));
    EXPECT_EQ(body, patternBytes(300000));
    ASSERT_FALSE(progressCalls.empty());
    for (const ProgressCall& call : progressCalls) EXPECT_EQ(call.total, 0);
    EXPECT_EQ(progressCalls.back().received, 300000);
}

TEST_F(HttpGet, SlowPiecesArriveAsGrowingProgress) {
    std::vector<unsigned char> body;
    ASSERT_TRUE(httpGet(test_servers::faultUrl("/slow/40000/4/50"), &body, nullptr, recordProgress));
    EXPECT_EQ(body, patternBytes(40000));
    ASSERT_GE(progressCalls.size(), 4u);
    for (std::size_t i = 1; i < progressCalls.size(); ++i)
        EXPECT_GT(progressCalls[i].received, progressCalls[i - 1].received);
    EXPECT_EQ(progressCalls.back().received, 40000);
}

TEST_F(HttpGet, EmptyBodySucceedsWithoutProgress) {
    writeDocrootFile(L"empty.bin", {});
    std::vector<unsigned char> body;
    ASSERT_TRUE(httpGet(test_servers::httpUrl("/empty.bin"), &body, nullptr, recordProgress));
    EXPECT_TRUE(body.empty());
    EXPECT_TRUE(progressCalls.empty());
}

TEST_F(HttpGet, StatusOtherThan200FailsAndLeavesTheSinkAlone) {
    for (const std::string& url : {test_servers::httpUrl("/no-such-file.bin"), test_servers::faultUrl("/status/500"),
                                   test_servers::faultUrl("/status/204"), test_servers::faultUrl("/status/206")}) {
        std::vector<unsigned char> body = kUntouched;
        EXPECT_FALSE(httpGet(url, &body, nullptr, recordProgress)) << url;
        EXPECT_EQ(body, kUntouched) << url;
    }
    EXPECT_TRUE(progressCalls.empty());
}

// Mended: a connection cut before the announced length is no complete body.
TEST_F(HttpGet, BodyCutShortOfItsLengthFails) {
    std::vector<unsigned char> body;
    EXPECT_FALSE(httpGet(test_servers::faultUrl("/cut/100000/5000"), &body, nullptr, recordProgress));
    EXPECT_LE(body.size(), 5000u);
    EXPECT_EQ(body, patternBytes(body.size()));  // what arrived stays
}

TEST_F(HttpGet, FileSinkWinsOverMemorySink) {
    const std::vector<unsigned char> content = patternBytes(70000);
    writeDocrootFile(L"to-file.bin", content);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"morvanta-http-sink.bin";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::vector<unsigned char> body = kUntouched;
    EXPECT_TRUE(httpGet(test_servers::httpUrl("/to-file.bin"), &body, file, nullptr));
    EXPECT_EQ(body, kUntouched);
    EXPECT_EQ(GetFileSize(file, nullptr), content.size());
    CloseHandle(file);
    EXPECT_EQ(test_servers::readTextFile(path), std::string(content.begin(), content.end()));
    DeleteFileW(path.c_str());
}

TEST_F(HttpGet, RedirectsFollowThePlatformDefault) {
    writeDocrootFile(L"redirected.bin", patternBytes(1234));
    for (const char* code : {"301", "302"}) {
        std::vector<unsigned char> body;
        EXPECT_TRUE(httpGet(test_servers::faultUrl(std::string("/redirect/") + code + "?to=" +
                                                   test_servers::httpUrl("/redirected.bin")),
                            &body, nullptr, nullptr))
            << code;
        EXPECT_EQ(body, patternBytes(1234)) << code;
    }
}

TEST_F(HttpGet, UnusableUrlOrNoListenerFails) {
    std::vector<unsigned char> body;
    EXPECT_FALSE(httpGet("not a url", &body, nullptr, nullptr));
    EXPECT_FALSE(httpGet("http://127.0.0.1:70000/x", &body, nullptr, nullptr));
    EXPECT_FALSE(httpGet("http://127.0.0.1:18099/nothing-listens", &body, nullptr, nullptr));
    EXPECT_TRUE(body.empty());
}

TEST_F(HttpGet, ByteOrderMarkAloneIsABodyOfThreeBytes) {
    std::vector<unsigned char> body;
    ASSERT_TRUE(fetchManifestBody(test_servers::faultUrl("/bom"), body));
    EXPECT_EQ(body, (std::vector<unsigned char>{0xEF, 0xBB, 0xBF}));
}

// Mended: one oversized answer must not exhaust memory; the fetch stops past 1 MiB.
TEST_F(HttpGet, ManifestFetchStopsPastOneMebibyte) {
    std::vector<unsigned char> body;
    EXPECT_TRUE(fetchManifestBody(test_servers::faultUrl("/manifest/1048576"), body));
    EXPECT_EQ(body.size(), kManifestSizeLimit);
    for (const char* path : {"/manifest/1048577", "/manifest-nolength/2000000", "/endless"}) {
        body.clear();
        EXPECT_FALSE(fetchManifestBody(test_servers::faultUrl(path), body)) << path;
        EXPECT_LE(body.size(), kManifestSizeLimit) << path;
    }
    // Files have no such limit.
    body.clear();
    EXPECT_TRUE(httpGet(test_servers::faultUrl("/manifest/2000000"), &body, nullptr, nullptr));
    EXPECT_EQ(body.size(), 2000000u);
}

}  // namespace
