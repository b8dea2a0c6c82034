#include "net/resume_rules.h"

#include <cstdlib>

#include "base/text.h"

namespace {

bool readLine(const std::string& text, std::size_t& at, const std::string& key, std::string& value) {
    if (text.compare(at, key.size(), key) != 0) return false;
    const std::size_t end = text.find('\n', at);
    if (end == std::string::npos) return false;
    value = text.substr(at + key.size(), end - at - key.size());
    at = end + 1;
    return true;
}

}  // namespace

std::string formatResumeRecord(const ResumeRecord& record) {
    return "sha256=" + record.digest + "\nlength=" + std::to_string(record.length) + "\nvalidator=" +
           record.validator + "\n";
}

bool parseResumeRecord(const std::string& text, ResumeRecord& record) {
    std::size_t at = 0;
    std::string length;
    ResumeRecord read;
    if (!readLine(text, at, "sha256=", read.digest) || !readLine(text, at, "length=", length) ||
        !readLine(text, at, "validator=", read.validator) || at != text.size())
        return false;
    if (!parseDecimal(length, read.length)) return false;
    record = read;
    return true;
}

ResumeRequest planResumeRequest(const ResumeRecord& record, std::uint64_t partLength, const std::string& expectedDigest) {
    ResumeRequest request;
    if (expectedDigest.empty() || record.digest != expectedDigest || record.validator.empty() ||
        record.length == 0 || record.length != partLength)
        return request;
    request.from = record.length;
    request.ifRange = record.validator;
    return request;
}

std::string strongValidator(const ResponseHeaders& headers) {
    // A weak ETag may not be used with If-Range.
    if (headers.etag.size() >= 2 && headers.etag.front() == '"' && headers.etag.back() == '"') return headers.etag;
    return headers.lastModified;
}

BodyVerdict judgeResponse(const ResumeRequest& request, const ResponseHeaders& headers) {
    if (headers.status == 200) return BodyVerdict::WriteFromStart;
    if (headers.status == 416) return request.from > 0 ? BodyVerdict::StartAfresh : BodyVerdict::Refuse;
    if (headers.status != 206) return BodyVerdict::Refuse;
    if (request.from == 0) return BodyVerdict::Refuse;
    // A 206 must be the same version we hold, for exactly the bytes from `from` on.
    if (strongValidator(headers) != request.ifRange) return BodyVerdict::StartAfresh;
    const std::string& range = headers.contentRange;
    const std::string unit = "bytes ";
    std::size_t at = unit.size();
    std::uint64_t first = 0, last = 0, total = 0;
    if (range.compare(0, unit.size(), unit) != 0 || !readDecimal(range, at, first) || at >= range.size() ||
        range[at++] != '-' || !readDecimal(range, at, last) || at >= range.size() || range[at++] != '/')
        return BodyVerdict::StartAfresh;
    if (first != request.from || last < first) return BodyVerdict::StartAfresh;
    if (range.compare(at, std::string::npos, "*") != 0) {
        if (!readDecimal(range, at, total) || at != range.size() || total != last + 1) return BodyVerdict::StartAfresh;
    }
    if (headers.hasLength && headers.length != last - first + 1) return BodyVerdict::StartAfresh;
    return BodyVerdict::Append;
}
