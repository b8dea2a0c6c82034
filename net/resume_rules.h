#pragma once
// When a kept partial download may be continued, and what a response to a range
// request may be appended. Pure: no platform calls.

#include <cstdint>
#include <string>

// Written beside `<file>.part` after an attempt fails, so a later attempt can continue it.
struct ResumeRecord {
    std::string digest;     // the digest the whole file must have
    std::uint64_t length = 0;  // bytes of the partial file on disk
    std::string validator;  // the server's strong ETag (quoted), else its Last-Modified
};

std::string formatResumeRecord(const ResumeRecord& record);
// False for anything but a record formatResumeRecord wrote.
bool parseResumeRecord(const std::string& text, ResumeRecord& record);

// The range request to send: from 0 (no range) unless the record is for this digest,
// names a validator and the partial file holds at least the recorded bytes (bytes
// written after the record's last refresh are cut off first: they may not be on disk).
struct ResumeRequest {
    std::uint64_t from = 0;
    std::string ifRange;  // sent as If-Range when from > 0
};
ResumeRequest planResumeRequest(const ResumeRecord& record, std::uint64_t partLength, const std::string& expectedDigest);

// The headers of a response that decide what its body is.
struct ResponseHeaders {
    unsigned status = 0;
    bool hasLength = false;
    std::uint64_t length = 0;  // Content-Length
    std::string contentRange;
    std::string etag;
    std::string lastModified;
    std::string date;             // the server's clock: tells whether Last-Modified is strong
    std::string contentEncoding;  // anything but identity is not the file's bytes
    std::string retryAfter;
};

// Seconds since 1970 of an IMF-fixdate ("Sun, 06 Nov 1994 08:49:37 GMT"); false for
// anything else, the obsolete forms included.
bool parseHttpDate(const std::string& text, std::uint64_t& seconds);

// The validator If-Range may carry: a strong ETag; without any ETag, a Last-Modified
// at least a second before the answer's Date (else the file may change within that
// second unseen); else none.
std::string strongValidator(const ResponseHeaders& headers);

// The body length the answer promises: its Content-Length, else a 206's range; false
// when it promises none (the body then ends when the connection closes).
bool promisedBodyLength(const ResponseHeaders& headers, std::uint64_t& length);

enum class BodyVerdict {
    Append,       // the body continues the partial file at request.from
    WriteFromStart,  // a whole body: the partial file is truncated first
    StartAfresh,  // other bytes than asked for: discard the partial file and ask again without a range
    Refuse,       // not a body to keep (any other status, or an encoded body)
};
BodyVerdict judgeResponse(const ResumeRequest& request, const ResponseHeaders& headers);
