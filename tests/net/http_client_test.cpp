#include <gtest/gtest.h>

#include <windows.h>
#include <winhttp.h>

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

}  // namespace
