#include <gtest/gtest.h>

#include <string>

#include "base/text.h"

namespace {

TEST(Utf8Text, ConvertsBothWays) {
    struct Case {
        std::wstring wide;
        std::string utf8;
    };
    const Case cases[] = {
        {L"", ""},
        {L"C:\\.Morvanta\\loader", "C:\\.Morvanta\\loader"},
        {L"\u041F\u043E\u0438\u0441\u043A", "\xD0\x9F\xD0\xBE\xD0\xB8\xD1\x81\xD0\xBA"},
        {L"\u00E4\u20AC", "\xC3\xA4\xE2\x82\xAC"},
        {L"\U0001F600", "\xF0\x9F\x98\x80"},  // a surrogate pair, four bytes
        {std::wstring(L"a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toUtf8(c.wide), c.utf8);
        EXPECT_EQ(fromUtf8(c.utf8), c.wide) << c.utf8;
    }
}

TEST(Utf8Text, BytesThatAreNoUtf8BecomeTheReplacementCharacter) {
    EXPECT_EQ(fromUtf8("a\xFF" "b"), L"a\uFFFD" L"b");
    EXPECT_EQ(fromUtf8("\xC3"), L"\uFFFD");
}

TEST(OrdinalCase, FoldsAsTheFileSystemDoesUnlikeTheAsciiRule) {
    struct Case {
        std::wstring a, b;
        bool equal;
    };
    const Case cases[] = {
        {L"", L"", true},
        {L"a", L"", false},
        {L"", L"a", false},
        {L"C:\\Morvanta\\Java", L"c:\\morvanta\\JAVA", true},
        {L"ab", L"a", false},
        {L"\u00C4", L"\u00E4", true},
        {L"\u0416", L"\u0436", true},
    };
    for (const Case& c : cases) EXPECT_EQ(equalsOrdinalIgnoringCase(c.a, c.b), c.equal);
    EXPECT_FALSE(equalsIgnoringAsciiCase(std::wstring(L"\u00C4"), std::wstring(L"\u00E4")));
}

}  // namespace
