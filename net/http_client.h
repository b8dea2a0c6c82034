#pragma once
// One HTTP or HTTPS GET at a time over WinHTTP, into memory, into an open file or
// to a caller that sees the headers first.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/resume_rules.h"

// Called after every chunk with the bytes delivered so far and the announced
// length (0 when none was announced).
using ProgressCallback = std::function<void(std::int64_t received, std::int64_t total)>;

// A manifest larger than this is refused: one bad answer must not exhaust memory.
inline constexpr std::uint64_t kManifestSizeLimit = 1024 * 1024;

// A body is cut when fewer than kStallBytes arrive within kStallMilliseconds: WinHTTP's
// own limit is per read, which a trickling server never reaches.
inline constexpr std::uint64_t kStallBytes = 1024;
inline constexpr std::uint64_t kStallMilliseconds = 30000;

// Each request is bounded as a whole by a watchdog that closes it: the name, the
// connection and TLS within kConnectMilliseconds (WinHTTP's own 10 s for the name
// comes first), all headers within kHeadersMilliseconds of the connection, and a body
// with bodyWithinMs (the manifest) whole within that time, any other under the stall rule.
inline constexpr std::uint64_t kConnectMilliseconds = 10000;
inline constexpr std::uint64_t kHeadersMilliseconds = 30000;
inline constexpr std::uint64_t kManifestBodyMilliseconds = 30000;

// A body without a promised length is refused past this: a bad answer must not fill the drive.
inline constexpr std::uint64_t kUnannouncedBodyLimit = 4ULL << 30;

enum class HttpFailure {
    None,
    Unusable,    // a URL that cannot be asked, or a TLS failure: asking again changes nothing
    Connection,  // no answer: resolve, connect, send or headers failed or timed out
    Status,      // an answer refused by onHeaders (its status is in HttpOutcome)
    Cut,         // the body ended early, stalled, ran too long, or past its length or limit
    Sink,        // the receiver refused a piece
};

struct HttpOutcome {
    HttpFailure failure = HttpFailure::Unusable;
    unsigned status = 0;
    std::uint64_t received = 0;  // body bytes handed to onData
    bool lengthPromised = false;  // false: the body ended when the connection closed
};

struct HttpStreamRequest {
    std::string url;
    ResumeRequest range;  // a range header only when range.from > 0
    // Sees the answer before any of its body; false: the body is not read.
    std::function<bool(const ResponseHeaders&)> onHeaders;
    std::function<bool(const unsigned char* data, DWORD count)> onData;
    std::function<std::uint64_t()> clockMs;  // measures stalls
    std::uint64_t bodyLimit = UINT64_MAX;
    std::uint64_t bodyWithinMs = 0;  // 0: only the stall rule bounds the body
};

HttpOutcome httpStream(const HttpStreamRequest& request);

// Exactly one sink is used: `file` when it is not null, else `body`. True only for
// status 200 with the whole body delivered; a body shorter than its announced
// length is a failure. What was delivered before a failure stays in the sink.
bool httpGet(const std::string& url, std::vector<unsigned char>* body, HANDLE file,
             const ProgressCallback& onProgress);

// The manifest fetch: a GET into memory that fails once the body passes kManifestSizeLimit.
bool fetchManifestBody(const std::string& url, std::vector<unsigned char>& body);

