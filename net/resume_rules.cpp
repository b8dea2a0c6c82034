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
        record.length == 0 || record.length > partLength)
        return request;
    request.from = record.length;
    request.ifRange = record.validator;
    return request;
}

bool parseHttpDate(const std::string& text, std::uint64_t& seconds) {
    static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // "Sun, 06 Nov 1994 08:49:37 GMT": fixed positions.
    if (text.size() != 29 || text.compare(3, 2, ", ") != 0 || text[7] != ' ' || text[11] != ' ' ||
        text[16] != ' ' || text[19] != ':' || text[22] != ':' || text.compare(25, 4, " GMT") != 0)
        return false;
    bool knownDay = false;
    for (const char* day : kDays) knownDay = knownDay || text.compare(0, 3, day) == 0;
    int month = -1;
    for (int m = 0; m < 12; ++m)
        if (text.compare(8, 3, kMonths[m]) == 0) month = m;
    auto number = [&text](std::size_t at, std::size_t digits, std::uint64_t& value) {
        value = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        }
        return true;
    };
    std::uint64_t day = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (!knownDay || month < 0 || !number(5, 2, day) || !number(12, 4, year) || !number(17, 2, hour) ||
        !number(20, 2, minute) || !number(23, 2, second) || year < 1970 || day < 1 || day > 31 || hour > 23 ||
        minute > 59 || second > 60)
        return false;
    // Days from the civil date (proleptic Gregorian), months counted from March.
    const std::uint64_t y = year - (month < 2 ? 1 : 0);
    const std::uint64_t shifted = static_cast<std::uint64_t>(month < 2 ? month + 10 : month - 2);
    const std::uint64_t era = y / 400, yearOfEra = y - era * 400;
    const std::uint64_t dayOfYear = (153 * shifted + 2) / 5 + day - 1;
    const std::uint64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::uint64_t days = era * 146097 + dayOfEra - 719468;
    seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

std::string strongValidator(const ResponseHeaders& headers) {
    if (headers.etag.size() >= 2 && headers.etag.front() == '"' && headers.etag.back() == '"') return headers.etag;
    // With any entity tag, even a weak one, a date may not stand in for it.
    if (!headers.etag.empty()) return std::string();
    std::uint64_t modified = 0, date = 0;
    if (!parseHttpDate(headers.lastModified, modified) || !parseHttpDate(headers.date, date) || date < modified + 1)
        return std::string();
    return headers.lastModified;
}

bool promisedBodyLength(const ResponseHeaders& headers, std::uint64_t& length) {
    if (headers.hasLength) {
        length = headers.length;
        return true;
    }
    std::uint64_t first = 0, last = 0;
    std::size_t at = 6;
    if (headers.status != 206 || headers.contentRange.compare(0, 6, "bytes ") != 0 ||
        !readDecimal(headers.contentRange, at, first) || at >= headers.contentRange.size() ||
        headers.contentRange[at++] != '-' || !readDecimal(headers.contentRange, at, last) || last < first)
        return false;
    length = last - first + 1;
    return true;
}

BodyVerdict judgeResponse(const ResumeRequest& request, const ResponseHeaders& headers) {
    // A compressed body is not the file the digest names, whatever it inflates to.
    if (!headers.contentEncoding.empty() && asciiLowered(headers.contentEncoding) != "identity")
        return BodyVerdict::Refuse;
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
