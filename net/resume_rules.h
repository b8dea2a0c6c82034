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
// names a validator and matches the partial file's length.
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
};

// The validator a record may keep: a strong ETag, else Last-Modified, else none.
std::string strongValidator(const ResponseHeaders& headers);

enum class BodyVerdict {
    Append,       // the body continues the partial file at request.from
    WriteFromStart,  // a whole body: the partial file is truncated first
    StartAfresh,  // other bytes than asked for: discard the partial file and ask again without a range
    Refuse,       // not a body to keep (any other status)
};
BodyVerdict judgeResponse(const ResumeRequest& request, const ResponseHeaders& headers);
