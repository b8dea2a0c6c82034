#include "net/http_client.h"

#include <memory>

#include "base/support_log.h"
#include "base/text.h"
#include "net/system_proxy.h"
#include "net/url.h"
#include "base/winhttp_handle.h"
#include "net/user_agent.h"

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

    // Never much more than is available: on a link that slowed to a trickle, each byte
    // restarts the per-read time-out, so one read asking for more may wait for minutes.
    DWORD wanted(DWORD available) const {
        const double target = bytesPerMicrosecond_ * kTargetReadMicroseconds;
        const double most = static_cast<double>(available) + static_cast<double>(kStallBytes / 4);
        double size = target > available ? target : available;
        if (size > most) size = most;
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

std::string queryText(HINTERNET request, DWORD info) {
    wchar_t text[512] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    if (!WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, text, &size, WINHTTP_NO_HEADER_INDEX))
        return std::string();
    std::string narrow;
    for (const wchar_t* c = text; *c; ++c) narrow.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
    return narrow;
}

// Content-Length read as text, so lengths past 4 GiB survive; absent when not a number.
bool announcedLength(HINTERNET request, std::uint64_t& value) {
    const std::string text = queryText(request, WINHTTP_QUERY_CONTENT_LENGTH);
    value = 0;
    return parseDecimal(text, value);
}

ResponseHeaders readHeaders(HINTERNET request) {
    ResponseHeaders headers;
    DWORD status = 0;
    DWORD statusSize = sizeof status;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                        &status, &statusSize, WINHTTP_NO_HEADER_INDEX);
    headers.status = status;
    headers.hasLength = announcedLength(request, headers.length);
    headers.contentRange = queryText(request, WINHTTP_QUERY_CONTENT_RANGE);
    headers.etag = queryText(request, WINHTTP_QUERY_ETAG);
    headers.lastModified = queryText(request, WINHTTP_QUERY_LAST_MODIFIED);
    return headers;
}

// Cuts a body once fewer than kStallBytes arrived since the last point at which they had.
class StallWatch {
public:
    explicit StallWatch(const std::function<std::uint64_t()>& clock) : clock_(clock), since_(clock()) {}
    bool stalled(std::uint64_t received) {
        const std::uint64_t now = clock_();
        if (received - sinceBytes_ >= kStallBytes) {
            since_ = now;
            sinceBytes_ = received;
            return false;
        }
        return now - since_ >= kStallMilliseconds;
    }

private:
    const std::function<std::uint64_t()>& clock_;
    std::uint64_t since_;
    std::uint64_t sinceBytes_ = 0;
};

HttpFailure readBody(HINTERNET request, const HttpStreamRequest& ask, const ResponseHeaders& headers,
                     std::uint64_t& received) {
    const std::uint64_t total = headers.hasLength ? headers.length : 0;
    if (total > ask.bodyLimit) return HttpFailure::Cut;

    std::unique_ptr<unsigned char[]> buffer;
    ReadSizer sizer;
    StallWatch watch(ask.clockMs);
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) return HttpFailure::Cut;
    while (available > 0) {
        if (!buffer) buffer.reset(new unsigned char[kChunkBufferSize]);
        DWORD read = 0;
        if (!WinHttpReadData(request, buffer.get(), sizer.wanted(available), &read) || read == 0)
            return HttpFailure::Cut;
        sizer.delivered(read);
        // Nothing past the announced length or the limit is handed on.
        if (received + read > ask.bodyLimit || (total > 0 && received + read > total)) return HttpFailure::Cut;
        if (!ask.onData(buffer.get(), read)) return HttpFailure::Sink;
        received += read;
        if (watch.stalled(received)) return HttpFailure::Cut;
        available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) return HttpFailure::Cut;
    }
    // A connection that ends early looks like an ordinary end of body to WinHTTP.
    return total == 0 || received >= total ? HttpFailure::None : HttpFailure::Cut;
}

const char* winHttpErrorName(DWORD error) {
    switch (error) {
        case ERROR_WINHTTP_TIMEOUT: return "ERROR_WINHTTP_TIMEOUT";
        case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "ERROR_WINHTTP_NAME_NOT_RESOLVED";
        case ERROR_WINHTTP_CANNOT_CONNECT: return "ERROR_WINHTTP_CANNOT_CONNECT";
        case ERROR_WINHTTP_CONNECTION_ERROR: return "ERROR_WINHTTP_CONNECTION_ERROR";
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return "ERROR_WINHTTP_INVALID_SERVER_RESPONSE";
        case ERROR_WINHTTP_SECURE_FAILURE: return "ERROR_WINHTTP_SECURE_FAILURE";
        case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED: return "ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED";
        case ERROR_WINHTTP_INVALID_URL: return "ERROR_WINHTTP_INVALID_URL";
        case ERROR_WINHTTP_REDIRECT_FAILED: return "ERROR_WINHTTP_REDIRECT_FAILED";
        default: return "";
    }
}

HttpOutcome connectionFailure(DWORD error) {
    HttpOutcome outcome;
    // Certificates and URLs do not get better by asking again.
    outcome.failure = error == ERROR_WINHTTP_SECURE_FAILURE || error == ERROR_WINHTTP_INVALID_URL
                          ? HttpFailure::Unusable
                          : HttpFailure::Connection;
    return outcome;
}

// Failures that the same URL without the proxy may get past.
bool isConnectionError(DWORD error) {
    return error == ERROR_WINHTTP_CANNOT_CONNECT || error == ERROR_WINHTTP_NAME_NOT_RESOLVED ||
           error == ERROR_WINHTTP_TIMEOUT || error == ERROR_WINHTTP_CONNECTION_ERROR;
}

// `proxy` empty: the machine's WinHTTP setting, as before; else this named proxy.
HttpOutcome stream(const HttpStreamRequest& ask, const std::wstring& proxy, const std::wstring& bypass,
                   DWORD& error) {
    UrlParts parts;
    if (!parseUrl(ask.url, parts)) return HttpOutcome();

    UniqueInternetHandle session(
        proxy.empty() ? WinHttpOpen(kUserAgentWide, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0)
                      : WinHttpOpen(kUserAgentWide, WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.c_str(),
                                    bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : bypass.c_str(), 0));
    if (!session) return HttpOutcome();
    // Resolve and connect get 10 s each; a read may wait as long as a stall may last.
    WinHttpSetTimeouts(session.get(), 10000, 10000, static_cast<int>(kStallMilliseconds),
                       static_cast<int>(kStallMilliseconds));
    UniqueInternetHandle connection(WinHttpConnect(session.get(), parts.host.c_str(), parts.port, 0));
    if (!connection) return HttpOutcome();
    UniqueInternetHandle request(WinHttpOpenRequest(connection.get(), L"GET", parts.path.c_str(), nullptr,
                                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                    parts.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return HttpOutcome();

    std::wstring extra;
    if (ask.range.from > 0) {
        extra = L"Range: bytes=" + std::to_wstring(ask.range.from) + L"-\r\nIf-Range: ";
        for (char c : ask.range.ifRange) extra.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        extra += L"\r\n";
    }
    if (!WinHttpSendRequest(request.get(), extra.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : extra.c_str(),
                            extra.empty() ? 0 : static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr)) {
        error = GetLastError();
        return connectionFailure(error);
    }

    const ResponseHeaders headers = readHeaders(request.get());
    HttpOutcome outcome;
    outcome.status = headers.status;
    if (!ask.onHeaders(headers)) {
        outcome.failure = HttpFailure::Status;
        return outcome;
    }
    outcome.failure = readBody(request.get(), ask, headers, outcome.received);
    if (outcome.failure == HttpFailure::Cut) error = GetLastError();
    return outcome;
}

bool get(const std::string& url, std::vector<unsigned char>* body, HANDLE file, const ProgressCallback& onProgress,
         std::uint64_t bodyLimit) {
    std::int64_t total = 0;
    std::int64_t received = 0;
    HttpStreamRequest ask;
    ask.url = url;
    ask.bodyLimit = bodyLimit;
    ask.clockMs = [] { return static_cast<std::uint64_t>(GetTickCount64()); };
    ask.onHeaders = [&total](const ResponseHeaders& headers) {
        total = headers.hasLength ? static_cast<std::int64_t>(headers.length) : 0;
        return headers.status == 200;
    };
    ask.onData = [&](const unsigned char* data, DWORD count) {
        if (file) {
            DWORD written = 0;
            if (!WriteFile(file, data, count, &written, nullptr) || written != count) return false;
        } else {
            body->insert(body->end(), data, data + count);
        }
        received += count;
        if (onProgress) onProgress(received, total);
        return true;
    };
    return httpStream(ask).failure == HttpFailure::None;
}

}  // namespace

HttpOutcome httpStream(const HttpStreamRequest& request) {
    const ULONGLONG started = GetTickCount64();
    DWORD error = 0;
    // The proxy of the user's Internet settings: the default access type reads only the machine's.
    std::wstring bypass;
    const std::wstring wideUrl(request.url.begin(), request.url.end());  // parsed URLs are ASCII
    const std::wstring proxy = systemProxyFor(wideUrl, bypass);
    HttpOutcome outcome = stream(request, proxy, bypass, error);
    if (!proxy.empty()) {
        logEvent("GET " + loggableUrl(request.url) + ": through the proxy " + toUtf8(proxy));
        if (outcome.status == 0 && isConnectionError(error)) {
            logEvent("GET " + loggableUrl(request.url) + ": the proxy could not be reached, trying directly");
            error = 0;
            outcome = stream(request, std::wstring(), std::wstring(), error);
        }
    }
    const std::string after = std::to_string(GetTickCount64() - started) + " ms";
    std::string line = "GET " + loggableUrl(request.url);
    if (request.range.from > 0) line += " from byte " + std::to_string(request.range.from);
    if (outcome.status == 0) {
        line += error ? ": WinHTTP error " + std::to_string(error) + " " + winHttpErrorName(error) + " after " + after
                      : ": not sent";
    } else {
        line += ": HTTP " + std::to_string(outcome.status) + ", " + std::to_string(outcome.received) + " bytes, " + after;
        if (outcome.failure == HttpFailure::Cut) line += ", body cut or stalled";
    }
    logEvent(line);
    return outcome;
}

bool httpGet(const std::string& url, std::vector<unsigned char>* body, HANDLE file,
             const ProgressCallback& onProgress) {
    if (!file && !body) return false;
    return get(url, file ? nullptr : body, file, onProgress, UINT64_MAX);
}

bool fetchManifestBody(const std::string& url, std::vector<unsigned char>& body) {
    return get(url, &body, nullptr, nullptr, kManifestSizeLimit);
}
