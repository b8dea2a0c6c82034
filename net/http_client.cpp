#include "net/http_client.h"

#include <memory>

#include "net/url.h"
#include "net/winhttp_handle.h"

namespace {

// One reused buffer per request: the upper size of one read.
constexpr DWORD kChunkBufferSize = 256 * 1024;

// A synchronous read may wait until it has all it asked for (Wine's does), while
// asking only for what is available costs two calls per few kilobytes. So a read asks
// for what the link delivers in about 20 ms, measured over the last 100 ms or so, and
// never less than is available: fast links get large reads, slow links keep their
// progress steady.
class ReadSizer {
public:
    ReadSizer() : windowStart_(nowMicroseconds()) {}

    DWORD wanted(DWORD available) const {
        const double target = bytesPerMicrosecond_ * kTargetReadMicroseconds;
        const double size = target > available ? target : available;
        return size < kChunkBufferSize ? static_cast<DWORD>(size) : kChunkBufferSize;
    }

    void delivered(DWORD bytes) {
        windowBytes_ += bytes;
        const std::int64_t now = nowMicroseconds();
        const std::int64_t elapsed = now - windowStart_;
        if (elapsed < kShortestWindowMicroseconds) return;
        bytesPerMicrosecond_ = static_cast<double>(windowBytes_) / static_cast<double>(elapsed);
        if (elapsed >= kWindowMicroseconds) {
            windowStart_ = now;
            windowBytes_ = 0;
        }
    }

private:
    static std::int64_t nowMicroseconds() {
        LARGE_INTEGER frequency, counter;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&counter);
        return counter.QuadPart / frequency.QuadPart * 1000000 + counter.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
    }

    static constexpr double kTargetReadMicroseconds = 20000;
    static constexpr std::int64_t kShortestWindowMicroseconds = 10000;
    static constexpr std::int64_t kWindowMicroseconds = 100000;
    std::int64_t windowStart_;
    std::uint64_t windowBytes_ = 0;
    double bytesPerMicrosecond_ = 0.0;
};

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

bool readBody(HINTERNET request, std::vector<unsigned char>* body, HANDLE file,
              const ProgressCallback& onProgress, std::uint64_t bodyLimit) {
    const std::uint64_t total = announcedLength(request);
    if (total > bodyLimit) return false;

    std::unique_ptr<unsigned char[]> buffer;
    ReadSizer sizer;
    std::uint64_t received = 0;
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) return false;
    while (available > 0) {
        if (!buffer) buffer.reset(new unsigned char[kChunkBufferSize]);
        DWORD read = 0;
        if (!WinHttpReadData(request, buffer.get(), sizer.wanted(available), &read) || read == 0) return false;
        sizer.delivered(read);
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

bool get(const std::string& url, std::vector<unsigned char>* body, HANDLE file,
         const ProgressCallback& onProgress, std::uint64_t bodyLimit) {
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

bool httpGet(const std::string& url, std::vector<unsigned char>* body, HANDLE file,
             const ProgressCallback& onProgress) {
    if (!file && !body) return false;
    return get(url, file ? nullptr : body, file, onProgress, UINT64_MAX);
}

bool fetchManifestBody(const std::string& url, std::vector<unsigned char>& body) {
    return get(url, &body, nullptr, nullptr, kManifestSizeLimit);
}
