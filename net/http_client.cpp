#include "net/http_client.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "base/support_log.h"
#include "base/text.h"
#include "net/system_proxy.h"
#include "net/url.h"
#include "base/winhttp_handle.h"
#include "net/user_agent.h"

namespace {

// One reused buffer per request: the upper size of one read.
constexpr DWORD kChunkBufferSize = 256 * 1024;
// WinHTTP's own bound on resolving a name; the watchdog's connect time starts after it.
constexpr int kResolveMilliseconds = 10000;
// After the watchdog closed a request, how long the caller waits for the thread that
// made it before leaving it behind (Wine's reads do not end when their handle closes).
constexpr DWORD kAbandonGraceMilliseconds = 1000;
// Rounds of signing in to a proxy with the player's logon: NTLM takes two.
constexpr int kProxySignInRounds = 3;

std::uint64_t tickMs() { return GetTickCount64(); }

// One request, made on a thread of its own while the caller watches its deadline.
// Once the deadline passes, the caller closes the request if a call is blocked on it
// and goes on; the thread then never touches the caller's callbacks or the handle again.
class Exchange {
public:
    explicit Exchange(const HttpStreamRequest& ask)
        : ask(ask), deadline_(tickMs() + kResolveMilliseconds + kConnectMilliseconds) {}

    const HttpStreamRequest ask;

    void holdRequest(HINTERNET request) {
        std::lock_guard<std::mutex> hold(lock_);
        request_ = request;
    }
    // Runs one WinHTTP call on the request; false without running it once given up.
    template <class Call>
    bool onRequest(Call call) {
        HINTERNET request = nullptr;
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (abandoned_ || !request_) {
                SetLastError(ERROR_WINHTTP_OPERATION_CANCELLED);
                return false;
            }
            inCall_ = true;
            request = request_;
        }
        const bool ok = call(request);
        const DWORD error = GetLastError();
        std::lock_guard<std::mutex> hold(lock_);
        inCall_ = false;
        SetLastError(abandoned_ ? ERROR_WINHTTP_OPERATION_CANCELLED : error);
        return ok && !abandoned_;
    }
    // Runs the caller's code only while the caller still waits for this request.
    template <class Code>
    bool forCaller(Code code) {
        std::lock_guard<std::mutex> hold(lock_);
        return !abandoned_ && code();
    }
    void setDeadline(std::uint64_t at) {
        std::lock_guard<std::mutex> hold(lock_);
        // A later deadline is found when the watcher wakes at the earlier one: waking it
        // for every piece of a body would cost a thread switch each.
        const bool sooner = at < deadline_;
        deadline_ = at;
        if (sooner) changed_.notify_all();
    }
    void noteHeaders(unsigned status) {
        std::lock_guard<std::mutex> hold(lock_);
        status_ = status;
    }
    void noteReceived(std::uint64_t received) {
        std::lock_guard<std::mutex> hold(lock_);
        received_ = received;
    }
    void finish(const HttpOutcome& outcome, DWORD error) {
        HINTERNET request = nullptr;
        {
            std::lock_guard<std::mutex> hold(lock_);
            request = request_;
            request_ = nullptr;
            outcome_ = outcome;
            error_ = error;
            done_ = true;
            changed_.notify_all();
        }
        if (request) WinHttpCloseHandle(request);
    }

    // On the caller's thread: the outcome, at the latest when the deadline passes.
    // False when the thread is still busy and must be left behind.
    bool watch(HttpOutcome& outcome, DWORD& error) {
        std::unique_lock<std::mutex> hold(lock_);
        for (;;) {
            if (done_) {
                outcome = outcome_;
                error = error_;
                return true;
            }
            const std::uint64_t now = tickMs();
            if (now >= deadline_) break;
            changed_.wait_for(hold, std::chrono::milliseconds(deadline_ - now));
        }
        abandoned_ = true;
        HINTERNET blocked = nullptr;
        if (inCall_) std::swap(blocked, request_);
        outcome = HttpOutcome();
        outcome.failure = status_ == 0 ? HttpFailure::Connection : HttpFailure::Cut;
        outcome.status = status_;
        outcome.received = received_;
        error = ERROR_WINHTTP_TIMEOUT;
        hold.unlock();
        // Closing cancels the blocked call on Windows.
        if (blocked) WinHttpCloseHandle(blocked);
        hold.lock();
        return changed_.wait_for(hold, std::chrono::milliseconds(kAbandonGraceMilliseconds), [this] { return done_; });
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::uint64_t deadline_;
    HINTERNET request_ = nullptr;
    bool inCall_ = false;
    bool abandoned_ = false;
    bool done_ = false;
    unsigned status_ = 0;
    std::uint64_t received_ = 0;
    HttpOutcome outcome_;
    DWORD error_ = 0;
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
    headers.date = queryText(request, WINHTTP_QUERY_DATE);
    headers.contentEncoding = queryText(request, WINHTTP_QUERY_CONTENT_ENCODING);
    headers.retryAfter = queryText(request, WINHTTP_QUERY_RETRY_AFTER);
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

HttpFailure readBody(Exchange& exchange, const ResponseHeaders& headers, HttpOutcome& outcome) {
    const HttpStreamRequest& ask = exchange.ask;
    std::uint64_t promised = 0;
    outcome.lengthPromised = promisedBodyLength(headers, promised);
    // Nothing past the promised length, or past the limit of a body that promised none.
    std::uint64_t limit = outcome.lengthPromised ? promised : kUnannouncedBodyLimit;
    if (outcome.lengthPromised && promised > ask.bodyLimit) return HttpFailure::Cut;
    if (limit > ask.bodyLimit) limit = ask.bodyLimit;

    std::uint64_t& received = outcome.received;
    const std::uint64_t bodyStart = tickMs();
    std::uint64_t pointAt = bodyStart, pointBytes = 0;
    exchange.setDeadline(bodyStart + (ask.bodyWithinMs ? ask.bodyWithinMs : kStallMilliseconds));
    std::unique_ptr<unsigned char[]> buffer;
    std::unique_ptr<StallWatch> watch;
    if (!exchange.forCaller([&] {
            watch.reset(new StallWatch(ask.clockMs));
            return true;
        }))
        return HttpFailure::Cut;
    DWORD available = 0;
    if (!exchange.onRequest([&](HINTERNET request) { return WinHttpQueryDataAvailable(request, &available); }))
        return HttpFailure::Cut;
    while (available > 0) {
        if (!buffer) buffer.reset(new unsigned char[kChunkBufferSize]);
        // Never more than is available: a synchronous read may wait until it has all it asked for.
        const DWORD wanted = available < kChunkBufferSize ? available : kChunkBufferSize;
        DWORD read = 0;
        if (!exchange.onRequest([&](HINTERNET request) {
                return WinHttpReadData(request, buffer.get(), wanted, &read);
            }) ||
            read == 0)
            return HttpFailure::Cut;
        // Bytes past a promised length are none of the file's; past a limit, the answer is refused.
        bool overrun = false;
        if (received + read > limit) {
            if (!outcome.lengthPromised || limit != promised) return HttpFailure::Cut;
            read = static_cast<DWORD>(limit - received);
            overrun = true;
        }
        bool stalled = false;
        if (!exchange.forCaller([&] {
                if (!ask.onData(buffer.get(), read)) return false;
                stalled = watch->stalled(received + read);
                return true;
            }))
            return HttpFailure::Sink;
        received += read;
        exchange.noteReceived(received);
        if (stalled) return HttpFailure::Cut;
        if (overrun) return HttpFailure::None;
        if (!ask.bodyWithinMs && received - pointBytes >= kStallBytes) {
            pointAt = tickMs();
            pointBytes = received;
            exchange.setDeadline(pointAt + kStallMilliseconds);
        }
        available = 0;
        if (!exchange.onRequest([&](HINTERNET request) { return WinHttpQueryDataAvailable(request, &available); }))
            return HttpFailure::Cut;
    }
    // A connection that ends early looks like an ordinary end of body to WinHTTP.
    return !outcome.lengthPromised || received >= promised ? HttpFailure::None : HttpFailure::Cut;
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

// Sends the request and waits for its answer, signing in to a proxy that asks for
// NTLM or Negotiate with the player's own logon (never to a server).
bool sendAndReceive(Exchange& exchange, const std::wstring& extra, const std::wstring& proxy) {
    for (int round = 0;; ++round) {
        exchange.setDeadline(tickMs() + kResolveMilliseconds + kConnectMilliseconds);
        if (!exchange.onRequest([&](HINTERNET request) {
                return WinHttpSendRequest(request, extra.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : extra.c_str(),
                                          extra.empty() ? 0 : static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0, 0,
                                          0);
            }))
            return false;
        exchange.setDeadline(tickMs() + kHeadersMilliseconds);
        if (!exchange.onRequest([](HINTERNET request) { return WinHttpReceiveResponse(request, nullptr); }))
            return false;
        DWORD status = 0, statusSize = sizeof status, supported = 0, first = 0, target = 0;
        bool signIn = false;
        exchange.onRequest([&](HINTERNET request) {
            WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX);
            if (status != 407 || proxy.empty() || round + 1 >= kProxySignInRounds ||
                !WinHttpQueryAuthSchemes(request, &supported, &first, &target) || target != WINHTTP_AUTH_TARGET_PROXY)
                return true;
            const DWORD scheme = (supported & WINHTTP_AUTH_SCHEME_NEGOTIATE) ? WINHTTP_AUTH_SCHEME_NEGOTIATE
                                 : (supported & WINHTTP_AUTH_SCHEME_NTLM)    ? WINHTTP_AUTH_SCHEME_NTLM
                                                                             : 0;
            // No name and no password: the logon of the account the starter runs as.
            signIn = scheme != 0 &&
                     WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_PROXY, scheme, nullptr, nullptr, nullptr);
            return true;
        });
        if (!signIn) return true;
    }
}

// `proxy` empty: the machine's WinHTTP setting, as before; else this named proxy.
// Runs on the exchange's own thread.
HttpOutcome stream(Exchange& exchange, const std::wstring& proxy, const std::wstring& bypass, DWORD& error) {
    const HttpStreamRequest& ask = exchange.ask;
    UrlParts parts;
    if (!parseUrl(ask.url, parts)) return HttpOutcome();

    UniqueInternetHandle session(
        proxy.empty() ? WinHttpOpen(kUserAgentWide, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0)
                      : WinHttpOpen(kUserAgentWide, WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.c_str(),
                                    bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : bypass.c_str(), 0));
    if (!session) return HttpOutcome();
    // Per call: the watchdog bounds the request as a whole.
    WinHttpSetTimeouts(session.get(), kResolveMilliseconds, static_cast<int>(kConnectMilliseconds),
                       static_cast<int>(kStallMilliseconds), static_cast<int>(kStallMilliseconds));
    UniqueInternetHandle connection(WinHttpConnect(session.get(), parts.host.c_str(), parts.port, 0));
    if (!connection) return HttpOutcome();
    HINTERNET request = WinHttpOpenRequest(connection.get(), L"GET", parts.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, parts.secure ? WINHTTP_FLAG_SECURE : 0);
    if (!request) return HttpOutcome();
    // Never the player's logon to a server on its own; a proxy gets it only when it asks.
    DWORD policy = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
    WinHttpSetOption(request, WINHTTP_OPTION_AUTOLOGON_POLICY, &policy, sizeof policy);
    exchange.holdRequest(request);

    std::wstring extra;
    if (ask.range.from > 0) {
        extra = L"Range: bytes=" + std::to_wstring(ask.range.from) + L"-\r\nIf-Range: ";
        for (char c : ask.range.ifRange) extra.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        extra += L"\r\n";
    }
    if (!sendAndReceive(exchange, extra, proxy)) {
        error = GetLastError();
        return connectionFailure(error);
    }

    ResponseHeaders headers;
    exchange.onRequest([&headers](HINTERNET request) {
        headers = readHeaders(request);
        return true;
    });
    exchange.noteHeaders(headers.status);
    HttpOutcome outcome;
    outcome.status = headers.status;
    outcome.failure = HttpFailure::Status;
    // A proxy's refusal is not the server's answer.
    if (headers.status == 407 && !proxy.empty()) return outcome;
    if (!exchange.forCaller([&] { return ask.onHeaders(headers); })) return outcome;
    outcome.failure = readBody(exchange, headers, outcome);
    if (outcome.failure == HttpFailure::Cut) error = GetLastError();
    return outcome;
}

// The request on a thread of its own, given up when its deadline passes.
HttpOutcome watchedStream(const HttpStreamRequest& ask, const std::wstring& proxy, const std::wstring& bypass,
                          DWORD& error) {
    std::shared_ptr<Exchange> exchange = std::make_shared<Exchange>(ask);
    std::thread worker([exchange, proxy, bypass] {
        DWORD failed = 0;
        const HttpOutcome outcome = stream(*exchange, proxy, bypass, failed);
        exchange->finish(outcome, failed);
    });
    HttpOutcome outcome;
    if (exchange->watch(outcome, error))
        worker.join();
    else
        worker.detach();
    return outcome;
}

bool get(const std::string& url, std::vector<unsigned char>* body, HANDLE file, const ProgressCallback& onProgress,
         std::uint64_t bodyLimit, std::uint64_t bodyWithinMs) {
    std::int64_t total = 0;
    std::int64_t received = 0;
    HttpStreamRequest ask;
    ask.url = url;
    ask.bodyLimit = bodyLimit;
    ask.bodyWithinMs = bodyWithinMs;
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
    HttpOutcome outcome = watchedStream(request, proxy, bypass, error);
    if (!proxy.empty()) {
        logEvent("GET " + loggableUrl(request.url) + ": through the proxy " + toUtf8(proxy));
        const bool refused = outcome.status == 407;
        if ((outcome.status == 0 && isConnectionError(error)) || refused) {
            logEvent("GET " + loggableUrl(request.url) +
                     (refused ? ": the proxy asks for a password, trying directly"
                              : ": the proxy could not be reached, trying directly"));
            error = 0;
            outcome = watchedStream(request, std::wstring(), std::wstring(), error);
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
    return get(url, file ? nullptr : body, file, onProgress, UINT64_MAX, 0);
}

bool fetchManifestBody(const std::string& url, std::vector<unsigned char>& body) {
    return get(url, &body, nullptr, nullptr, kManifestSizeLimit, kManifestBodyMilliseconds);
}
