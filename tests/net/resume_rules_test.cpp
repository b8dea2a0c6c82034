#include <gtest/gtest.h>

#include <string>

#include "net/resume_rules.h"

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
        {"part of another length: no range", 399, kTag, kDigest, response(200, "", 1000, kTag), 0,
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

TEST(ResumeRules, OnlyAStrongTagElseTheDateIsKept) {
    ResponseHeaders headers = response(200, "", 10, "W/\"weak\"");
    headers.lastModified = "Wed, 09 Dec 2026 10:00:00 GMT";
    EXPECT_EQ(strongValidator(headers), headers.lastModified);
    headers.etag = kTag;
    EXPECT_EQ(strongValidator(headers), kTag);
}

}  // namespace
