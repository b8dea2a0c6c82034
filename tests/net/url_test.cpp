#include <gtest/gtest.h>

#include <string>

#include "net/url.h"

namespace {

UrlParts parsed(const std::string& url) {
    UrlParts parts;
    EXPECT_TRUE(parseUrl(url, parts)) << url;
    return parts;
}

bool rejects(const std::string& url) {
    UrlParts parts;
    return !parseUrl(url, parts);
}

TEST(ParseUrl, HttpsHostWithoutPathGetsDefaultPortAndRootPath) {
    const UrlParts parts = parsed("https://update1.morvanta.net");
    EXPECT_TRUE(parts.secure);
    EXPECT_EQ(parts.host, L"update1.morvanta.net");
    EXPECT_EQ(parts.port, 443);
    EXPECT_EQ(parts.path, L"/");
}

TEST(ParseUrl, ExplicitPortAndPathWithQuery) {
    const UrlParts parts = parsed("http://files.example:8080/dl/Morvanta.jar?v=2&x=%20#top");
    EXPECT_FALSE(parts.secure);
    EXPECT_EQ(parts.host, L"files.example");
    EXPECT_EQ(parts.port, 8080);
    EXPECT_EQ(parts.path, L"/dl/Morvanta.jar?v=2&x=%20#top");
}

TEST(ParseUrl, OnlyExactLowerCaseHttpsIsSecure) {
    for (const char* url : {"HTTPS://h/x", "Https://h/x", "ftp://h/x", "://h/x", "http://h/x"}) {
        const UrlParts parts = parsed(url);
        EXPECT_FALSE(parts.secure) << url;
        EXPECT_EQ(parts.port, 80) << url;
    }
}

TEST(ParseUrl, FirstSeparatorAndFirstSlashCount) {
    const UrlParts parts = parsed("https://h/redirect?to=http://other/x");
    EXPECT_EQ(parts.host, L"h");
    EXPECT_EQ(parts.path, L"/redirect?to=http://other/x");
    EXPECT_EQ(parsed("https://h?q=1").host, L"h?q=1");
}

TEST(ParseUrl, RejectsWhatHasNoHost) {
    for (const char* url : {"", "h", "ab", "no separator here", "https://", "https:///path", "https://:8080/x",
                            "http://:"})
        EXPECT_TRUE(rejects(url)) << url;
}

TEST(ParseUrl, EmptyPortKeepsTheSchemeDefault) {
    EXPECT_EQ(parsed("https://h:/x").port, 443);
    EXPECT_EQ(parsed("http://h:").port, 80);
    EXPECT_EQ(parsed("http://h:").host, L"h");
}

TEST(ParseUrl, PortMustBeOneToFiveDigitsUpTo65535) {
    EXPECT_EQ(parsed("http://h:1/").port, 1);
    EXPECT_EQ(parsed("http://h:65535/").port, 65535);
    EXPECT_EQ(parsed("http://h:00443/").port, 443);
    for (const char* url : {"http://h:0/", "http://h:65536/", "http://h:70000/", "http://h:-1/", "http://h:+80/",
                            "http://h:abc/", "http://h:80abc/", "http://h: 80/", "http://h:000443/",
                            "http://h:4294967376/", "http://h:8080:9090/"})
        EXPECT_TRUE(rejects(url)) << url;
}

TEST(ParseUrl, HostWithBytesOutsidePrintableAsciiIsRejected) {
    for (const char* url : {"https://h\xC3\xA9te.example/x", "https://h\x80/", "https://h\xFF", "https://a b/x",
                            "https://a\tb/x", "https://a\x7F/x"})
        EXPECT_TRUE(rejects(url)) << url;
    EXPECT_TRUE(rejects(std::string("https://a\0b/x", 13)));
}

TEST(ParseUrl, PathBytesThatCannotTravelArePercentEncoded) {
    EXPECT_EQ(parsed("https://h/caf\xC3\xA9 menu\x01\x7F/x").path, L"/caf%C3%A9%20menu%01%7F/x");
    EXPECT_EQ(parsed("https://h/\xFF\x80").path, L"/%FF%80");
    EXPECT_EQ(parsed(std::string("https://h/a\0b", 13)).path, L"/a%00b");
}

TEST(ParseUrl, PrintablePathBytesStayAsTheyAre) {
    std::string printable;
    for (char c = 0x21; c < 0x7F; ++c) printable.push_back(c);
    const UrlParts parts = parsed("http://h/" + printable);
    EXPECT_EQ(parts.path, L"/" + std::wstring(printable.begin(), printable.end()));
}

}  // namespace
