#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"

namespace {

TEST(AsciiCase, OnlyTheTwentySixLettersChange) {
    struct Case {
        std::string text, lowered, uppered;
    };
    const Case cases[] = {
        {"", "", ""},
        {"JavaW.EXE", "javaw.exe", "JAVAW.EXE"},
        {"AZaz", "azaz", "AZAZ"},
        {"@[`{", "@[`{", "@[`{"},  // the neighbours of the letters
        {"\xC3\x84\xC3\xA4", "\xC3\x84\xC3\xA4", "\xC3\x84\xC3\xA4"},  // UTF-8 passes through
        {std::string("a\0B", 3), std::string("a\0b", 3), std::string("A\0B", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(asciiLowered(c.text), c.lowered) << c.text;
        EXPECT_EQ(asciiUppered(c.text), c.uppered) << c.text;
    }
    EXPECT_EQ(asciiLower(L'Q'), L'q');
    EXPECT_EQ(asciiLower(L'\u00C4'), L'\u00C4');
    EXPECT_EQ(asciiLower(L'\u0130'), L'\u0130');
}

TEST(AsciiCase, ComparisonFoldsLettersAndNothingElse) {
    struct Case {
        std::string a, b;
        bool equal;
    };
    const Case cases[] = {
        {"", "", true},
        {"a", "", false},
        {"ABCDEF0123", "abcdef0123", true},
        {"abc", "abd", false},
        {"abc", "abcd", false},
        {"@", "`", false},  // 0x40 and 0x60 differ by the case bit but are no letters
        {"[", "{", false},
        {"\xC3\x84", "\xC3\xA4", false},
    };
    for (const Case& c : cases) EXPECT_EQ(equalsIgnoringAsciiCase(c.a, c.b), c.equal) << c.a << " / " << c.b;

    struct WideCase {
        std::wstring a, b;
        bool equal;
    };
    const WideCase wide[] = {
        {L"", L"", true},
        {L"JAVAW.EXE", L"javaw.exe", true},
        {L"bin", L"bi", false},
        {L"\u00C4", L"\u00E4", false},
        {L"b\u0130n", L"bin", false},  // no locale's folding
    };
    for (const WideCase& c : wide) EXPECT_EQ(equalsIgnoringAsciiCase(c.a, c.b), c.equal);
}

TEST(HexText, DigitsAndTheirValues) {
    const std::pair<char, int> cases[] = {{'0', 0},  {'9', 9},  {'a', 10}, {'f', 15}, {'A', 10}, {'F', 15},
                                          {'g', -1}, {'G', -1}, {'/', -1}, {':', -1}, {'@', -1}, {'`', -1},
                                          {' ', -1}, {'\0', -1}};
    for (const auto& [digit, value] : cases) EXPECT_EQ(hexDigitValue(digit), value) << digit;
    for (unsigned value = 0; value < 16; ++value) {
        EXPECT_EQ(hexDigitValue(lowerHexDigit(value)), static_cast<int>(value));
        EXPECT_EQ(hexDigitValue(upperHexDigit(value)), static_cast<int>(value));
    }
    EXPECT_EQ(lowerHexDigit(11), 'b');
    EXPECT_EQ(upperHexDigit(11), 'B');
}

TEST(HexText, EncodesLowerCaseWithLeadingZeros) {
    const unsigned char bytes[] = {0x00, 0x0f, 0xf0, 0xff, 0x5a};
    EXPECT_EQ(lowerHex(bytes, sizeof bytes), "000ff0ff5a");
    EXPECT_EQ(lowerHex(bytes, 0), "");

    const std::pair<std::uint64_t, const char*> values[] = {
        {0, "0000000000000000"},
        {1, "0000000000000001"},
        {0x0123456789abcdefULL, "0123456789abcdef"},
        {0xF000000000000000ULL, "f000000000000000"},
        {~0ULL, "ffffffffffffffff"},
    };
    for (const auto& [value, text] : values) EXPECT_EQ(lowerHex64(value), text);
}

TEST(HexText, DecodesExactlyTwoDigitsAByteOfEitherCase) {
    struct Case {
        std::string text;
        std::size_t size;
        bool ok;
        std::vector<unsigned char> bytes;
    };
    const Case cases[] = {
        {"00fF5a", 3, true, {0x00, 0xff, 0x5a}},
        {"", 0, true, {}},
        {"0", 1, false, {}},
        {"000", 1, false, {}},
        {"0g", 1, false, {}},
        {"0 ", 1, false, {}},
        {"00ff", 1, false, {}},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> bytes(c.size, 0xAA);
        EXPECT_EQ(decodeHex(c.text, bytes.data(), c.size), c.ok) << c.text;
        EXPECT_EQ(bytes, c.ok ? c.bytes : std::vector<unsigned char>(c.size, 0xAA)) << c.text;
        EXPECT_EQ(isHexDigits(c.text, 2 * c.size), c.ok) << c.text;
    }
}

TEST(DecimalText, ReadsUpTo19DigitsFromWhereItIsAsked) {
    struct Case {
        std::string text;
        std::size_t at;
        bool ok;
        std::uint64_t value;
        std::size_t end;
    };
    const Case cases[] = {
        {"123", 0, true, 123, 3},
        {"12-34", 0, true, 12, 2},
        {"12-34", 3, true, 34, 5},
        {"0", 0, true, 0, 1},
        {"9999999999999999999", 0, true, 9999999999999999999ULL, 19},
        {"x9999999999999999999/", 1, true, 9999999999999999999ULL, 20},
        {"", 0, false, 0, 0},
        {"-1", 0, false, 0, 0},
        {"+1", 0, false, 0, 0},
        {" 1", 0, false, 0, 0},
        {"12", 2, false, 0, 2},
        {"10000000000000000000", 0, false, 0, 0},  // 20 digits, even where they would fit
        {"00000000000000000001", 0, false, 0, 0},
    };
    for (const Case& c : cases) {
        std::size_t at = c.at;
        std::uint64_t value = 7;
        EXPECT_EQ(readDecimal(c.text, at, value), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(at, c.end) << c.text;
    }
}

TEST(DecimalText, ParsesOnlyAWholeNumber) {
    struct Case {
        std::string text;
        bool ok;
        std::uint64_t value;
    };
    const Case cases[] = {
        {"0", true, 0},
        {"007", true, 7},
        {"18446744073709551", true, 18446744073709551ULL},
        {"9999999999999999999", true, 9999999999999999999ULL},
        {"99999999999999999999", false, 0},
        {"18446744073709551616", false, 0},
        {"", false, 0},
        {"1 ", false, 0},
        {"1\n", false, 0},
        {"12a", false, 0},
        {std::string("1\0", 2), false, 0},
    };
    for (const Case& c : cases) {
        std::uint64_t value = 42;
        EXPECT_EQ(parseDecimal(c.text, value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : 42u) << c.text;  // untouched on failure
    }
}

}  // namespace
