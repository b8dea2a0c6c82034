#include <gtest/gtest.h>

#include <string>

#include "net/resume_rules.h"
#include "net/retry_rules.h"

namespace {

const std::string kDigest(64, 'a');
const std::string kTag = "\"v1\"";

ResponseHeaders response(unsigned status, const std::string& range, std::uint64_t length, const std::string& etag) {
    ResponseHeaders headers;
    headers.status = status;
    headers.contentRange = range;
    headers.hasLength = length > 0;
    headers.length = length;
    headers.etag = etag;
    return headers;
}

ResponseHeaders encoded(ResponseHeaders headers, const std::string& encoding) {
    headers.contentEncoding = encoding;
    return headers;
}

// Every row: a record of 400 kept bytes of a 1000-byte file, the partial file's
// length, the digest wanted now, and the server's answer.
struct Row {
    const char* what;
    std::uint64_t partLength;
    std::string recordValidator;
    std::string wantedDigest;
    ResponseHeaders answer;
    std::uint64_t expectedFrom;
    BodyVerdict expected;
};

TEST(ResumeRules, RecordRequestAndAnswerDecideWhatTheBodyIs) {
    const Row rows[] = {
        {"resumed range", 400, kTag, kDigest, response(206, "bytes 400-999/1000", 600, kTag), 400, BodyVerdict::Append},
        {"unknown total", 400, kTag, kDigest, response(206, "bytes 400-999/*", 0, kTag), 400, BodyVerdict::Append},
        {"changed file: whole body", 400, kTag, kDigest, response(200, "", 1000, "\"v2\""), 400,
         BodyVerdict::WriteFromStart},
        {"range past the end", 400, kTag, kDigest, response(416, "bytes */300", 0, kTag), 400, BodyVerdict::StartAfresh},
        {"other start", 400, kTag, kDigest, response(206, "bytes 0-999/1000", 1000, kTag), 400,
         BodyVerdict::StartAfresh},
        {"total beyond the range", 400, kTag, kDigest, response(206, "bytes 400-999/5000", 600, kTag), 400,
         BodyVerdict::StartAfresh},
        {"length other than the range", 400, kTag, kDigest, response(206, "bytes 400-999/1000", 700, kTag), 400,
         BodyVerdict::StartAfresh},
        {"206 of another version", 400, kTag, kDigest, response(206, "bytes 400-999/1000", 600, "\"v2\""), 400,
         BodyVerdict::StartAfresh},
        {"weak tag in the answer", 400, kTag, kDigest, response(206, "bytes 400-999/1000", 600, "W/\"v1\""), 400,
         BodyVerdict::StartAfresh},
        {"no range unit", 400, kTag, kDigest, response(206, "400-999/1000", 600, kTag), 400, BodyVerdict::StartAfresh},
        {"server error", 400, kTag, kDigest, response(503, "", 0, ""), 400, BodyVerdict::Refuse},
        {"part shorter than its record: no range", 399, kTag, kDigest, response(200, "", 1000, kTag), 0,
         BodyVerdict::WriteFromStart},
        {"part longer than its record: cut back", 650, kTag, kDigest,
         response(206, "bytes 400-999/1000", 600, kTag), 400, BodyVerdict::Append},
        {"compressed whole body", 400, kTag, kDigest, encoded(response(200, "", 900, kTag), "gzip"), 400,
         BodyVerdict::Refuse},
        {"identity encoding", 400, kTag, kDigest, encoded(response(200, "", 1000, kTag), "Identity"), 400,
         BodyVerdict::WriteFromStart},
        {"another digest: no range", 400, kTag, std::string(64, 'b'), response(206, "bytes 400-999/1000", 600, kTag),
         0, BodyVerdict::Refuse},
        {"no validator: no range", 400, "", kDigest, response(416, "", 0, ""), 0, BodyVerdict::Refuse},
        {"no digest wanted: no range", 400, kTag, "", response(200, "", 1000, kTag), 0, BodyVerdict::WriteFromStart},
    };
    for (const Row& row : rows) {
        ResumeRecord record;
        record.digest = kDigest;
        record.length = 400;
        record.validator = row.recordValidator;
        const ResumeRequest request = planResumeRequest(record, row.partLength, row.wantedDigest);
        EXPECT_EQ(request.from, row.expectedFrom) << row.what;
        if (request.from > 0) {
            EXPECT_EQ(request.ifRange, row.recordValidator) << row.what;
        }
        EXPECT_EQ(judgeResponse(request, row.answer), row.expected) << row.what;
    }
}

TEST(ResumeRules, RecordSurvivesItsTextAndNothingElseParses) {
    ResumeRecord record;
    record.digest = kDigest;
    record.length = 123456789012ULL;
    record.validator = "Wed, 09 Dec 2026 10:00:00 GMT";
    ResumeRecord read;
    ASSERT_TRUE(parseResumeRecord(formatResumeRecord(record), read));
    EXPECT_EQ(read.digest, record.digest);
    EXPECT_EQ(read.length, record.length);
    EXPECT_EQ(read.validator, record.validator);
    for (const std::string& bad : {std::string("sha256=a\nlength=12x\nvalidator=v\n"), std::string("sha256=a\nlength=\nvalidator=v\n"),
                                  std::string("sha256=a\nlength=1\nvalidator=v"), std::string("length=1\nsha256=a\nvalidator=v\n")})
        EXPECT_FALSE(parseResumeRecord(bad, read)) << bad;
}

TEST(ResumeRules, IfRangeCarriesAStrongTagOrAStrongDateOnly) {
    const std::string modified = "Wed, 09 Dec 2026 10:00:00 GMT";
    struct {
        const char* what;
        std::string etag, lastModified, date, expected;
    } rows[] = {
        {"strong tag", kTag, modified, "Wed, 09 Dec 2026 10:00:00 GMT", kTag},
        {"weak tag: no date either", "W/\"weak\"", modified, "Thu, 10 Dec 2026 10:00:00 GMT", ""},
        {"date a second before the answer", "", modified, "Wed, 09 Dec 2026 10:00:01 GMT", modified},
        {"date of the answer's own second", "", modified, "Wed, 09 Dec 2026 10:00:00 GMT", ""},
        {"answer without a date", "", modified, "", ""},
        {"date in an obsolete form", "", "Wednesday, 09-Dec-26 10:00:00 GMT", "Thu, 10 Dec 2026 10:00:00 GMT", ""},
    };
    for (const auto& row : rows) {
        ResponseHeaders headers = response(200, "", 10, row.etag);
        headers.lastModified = row.lastModified;
        headers.date = row.date;
        EXPECT_EQ(strongValidator(headers), row.expected) << row.what;
    }
    std::uint64_t seconds = 0;
    ASSERT_TRUE(parseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT", seconds));
    EXPECT_EQ(seconds, 784111777u);
    ASSERT_TRUE(parseHttpDate("Wed, 01 Mar 2028 00:00:00 GMT", seconds));
    EXPECT_EQ(seconds, 1835481600u);
}

TEST(ResumeRules, BodyEndsWhereItsLengthOrRangeSays) {
    struct {
        const char* what;
        ResponseHeaders answer;
        bool promised;
        std::uint64_t length;
    } rows[] = {
        {"length", response(200, "", 1000, kTag), true, 1000},
        {"range without length", response(206, "bytes 400-999/1000", 0, kTag), true, 600},
        {"range on a 200 means nothing", response(200, "bytes 400-999/1000", 0, kTag), false, 0},
        {"close-delimited", response(200, "", 0, kTag), false, 0},
    };
    for (const auto& row : rows) {
        std::uint64_t length = 0;
        EXPECT_EQ(promisedBodyLength(row.answer, length), row.promised) << row.what;
        if (row.promised) {
            EXPECT_EQ(length, row.length) << row.what;
        }
    }
}

TEST(RetryRules, StatusesThatMayPassAreAskedAgainAfterAPoliteJitteredPause) {
    for (unsigned status : {408u, 429u, 500u, 503u, 599u}) EXPECT_TRUE(isRetriedStatus(status)) << status;
    for (unsigned status : {200u, 404u, 407u, 416u, 600u}) EXPECT_FALSE(isRetriedStatus(status)) << status;
    struct {
        const char* what;
        int retry;
        double jitter;
        std::string retryAfter, date;
        std::uint32_t expected;
    } rows[] = {
        {"longest jitter up", 0, 1.0, "", "", 1200},
        {"longest jitter down", 1, -1.0, "", "", 1600},
        {"last pause", 2, 0.5, "", "", 4400},
        {"Retry-After in seconds", 0, 0.0, "5", "", 5000},
        {"Retry-After past the limit", 0, 0.0, "120", "", 10000},
        {"Retry-After shorter than the pause", 2, 0.0, "3", "", 4000},
        {"Retry-After as a date", 0, 0.0, "Wed, 09 Dec 2026 10:00:07 GMT", "Wed, 09 Dec 2026 10:00:00 GMT", 7000},
        {"Retry-After as a date already past", 0, 0.0, "Wed, 09 Dec 2026 09:00:00 GMT", "Wed, 09 Dec 2026 10:00:00 GMT",
         1000},
        {"Retry-After unreadable: the first pause", 0, 0.0, "soon", "", 1000},
    };
    for (const auto& row : rows) {
        ResponseHeaders answer = response(503, "", 0, "");
        answer.retryAfter = row.retryAfter;
        answer.date = row.date;
        EXPECT_EQ(retryPauseMs(row.retry, row.jitter, answer), row.expected) << row.what;
    }
}

}  // namespace
