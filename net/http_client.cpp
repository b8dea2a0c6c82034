#include "net/http_client.h"

#include <memory>

#include "net/url.h"
#include "net/winhttp_handle.h"

namespace {

// One reused buffer per request; WinHTTP rarely offers more than this at once.
constexpr DWORD kChunkBufferSize = 256 * 1024;

// Content-Length read as text, so lengths past 4 GiB survive; 0 when absent or not a number.
std::uint64_t announcedLength(HINTERNET request) {
    wchar_t text[32] = {};
    DWORD size = sizeof text;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text,
                             &size, WINHTTP_NO_HEADER_INDEX))
        return 0;
    std::uint64_t value = 0;
    int digits = 0;
    for (const wchar_t* c = text; *c; ++c) {
        if (*c < L'0' || *c > L'9' || ++digits > 19) return 0;
        value = value * 10 + static_cast<std::uint64_t>(*c - L'0');
    }
    return value;
}

bool deliver(const unsigned char* data, DWORD count, std::vector<unsigned char>* body, HANDLE file) {
    if (file) {
        DWORD written = 0;
        return WriteFile(file, data, count, &written, nullptr) && written == count;
    }
    body->insert(body->end(), data, data + count);
    return true;
}

bool readBody(HINTERNET request, std::vector<unsigned char>* body, HANDLE file, ProgressCallback onProgress,
              std::uint64_t bodyLimit) {
    const std::uint64_t total = announcedLength(request);
    if (total > bodyLimit) return false;

    std::unique_ptr<unsigned char[]> buffer;
    std::uint64_t received = 0;
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) return false;
    while (available > 0) {
        if (!buffer) buffer.reset(new unsigned char[kChunkBufferSize]);
        DWORD read = 0;
        const DWORD wanted = available < kChunkBufferSize ? available : kChunkBufferSize;
        if (!WinHttpReadData(request, buffer.get(), wanted, &read) || read == 0) return false;
        received += read;
        if (received > bodyLimit) return false;
        if (!deliver(buffer.get(), read, body, file)) return false;
        if (onProgress) onProgress(static_cast<std::int64_t>(received), static_cast<std::int64_t>(total));
        available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) return false;
    }
    // A connection that ends early looks like an ordinary end of body to WinHTTP.
    return total == 0 || received >= total;
}

bool get(const std::string& url, std::vector<unsigned char>* body, HANDLE file, ProgressCallback onProgress,
         std::uint64_t bodyLimit) {
    UrlParts parts;
    if (!parseUrl(url, parts)) return false;

    UniqueInternetHandle session(WinHttpOpen(L"Morvanta/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                             WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return false;
    UniqueInternetHandle connection(WinHttpConnect(session.get(), parts.host.c_str(), parts.port, 0));
    if (!connection) return false;
    UniqueInternetHandle request(WinHttpOpenRequest(connection.get(), L"GET", parts.path.c_str(), nullptr,
                                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                    parts.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return false;

    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
        return false;
    if (!WinHttpReceiveResponse(request.get(), nullptr)) return false;

    DWORD status = 0;
    DWORD statusSize = sizeof status;
    WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX);
    if (status != 200) return false;

    return readBody(request.get(), body, file, onProgress, bodyLimit);
}

}  // namespace

bool httpGet(const std::string& url, std::vector<unsigned char>* body, HANDLE file, ProgressCallback onProgress) {
    if (!file && !body) return false;
    return get(url, file ? nullptr : body, file, onProgress, UINT64_MAX);
}

bool fetchManifestBody(const std::string& url, std::vector<unsigned char>& body) {
    return get(url, &body, nullptr, nullptr, kManifestSizeLimit);
}
