// The embedded font has a glyph for every character the program can draw.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>

#include "app/constants.h"
#include "app/failure_notice.h"
#include "app/launcher_state.h"
#include "app/splash_assets.h"
#include "base/ui_texts.h"

namespace {

struct FontBytes {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

FontBytes embeddedFont() {
    FontBytes font;
    HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(kUiFontResourceId), MAKEINTRESOURCEW(10));
    if (info == nullptr) return font;
    HGLOBAL loaded = LoadResource(nullptr, info);
    font.data = static_cast<const std::uint8_t*>(LockResource(loaded));
    font.size = SizeofResource(nullptr, info);
    return font;
}

std::uint32_t readU16(const FontBytes& font, std::size_t at) {
    if (at + 2 > font.size) return 0;
    return (static_cast<std::uint32_t>(font.data[at]) << 8) | font.data[at + 1];
}

std::uint32_t readU32(const FontBytes& font, std::size_t at) {
    return (readU16(font, at) << 16) | readU16(font, at + 2);
}

// Characters mapped to a real glyph by the font's Windows Unicode (3, 1) format-4 cmap.
std::set<char32_t> mappedCharacters(const FontBytes& font) {
    std::set<char32_t> mapped;
    const std::uint32_t tableCount = readU16(font, 4);
    std::size_t cmap = 0;
    for (std::uint32_t i = 0; i < tableCount; ++i) {
        const std::size_t record = 12 + 16 * i;
        if (readU32(font, record) == 0x636D6170) cmap = readU32(font, record + 8);  // 'cmap'
    }
    if (cmap == 0) return mapped;
    std::size_t subtable = 0;
    for (std::uint32_t i = 0; i < readU16(font, cmap + 2); ++i) {
        const std::size_t record = cmap + 4 + 8 * i;
        if (readU16(font, record) == 3 && readU16(font, record + 2) == 1) {
            subtable = cmap + readU32(font, record + 4);
        }
    }
    if (subtable == 0 || readU16(font, subtable) != 4) return mapped;
    const std::uint32_t segments = readU16(font, subtable + 6) / 2;
    const std::size_t ends = subtable + 14;
    const std::size_t starts = ends + 2 * segments + 2;
    const std::size_t deltas = starts + 2 * segments;
    const std::size_t offsets = deltas + 2 * segments;
    for (std::uint32_t s = 0; s < segments; ++s) {
        const std::uint32_t end = readU16(font, ends + 2 * s);
        const std::uint32_t start = readU16(font, starts + 2 * s);
        const std::uint32_t delta = readU16(font, deltas + 2 * s);
        const std::uint32_t rangeOffset = readU16(font, offsets + 2 * s);
        for (std::uint32_t c = start; c <= end && c != 0xFFFF; ++c) {
            std::uint32_t glyph;
            if (rangeOffset == 0) {
                glyph = (c + delta) & 0xFFFF;
            } else {
                const std::size_t at = offsets + 2 * s + rangeOffset + 2 * (c - start);
                glyph = readU16(font, at);
                if (glyph != 0) glyph = (glyph + delta) & 0xFFFF;
            }
            if (glyph != 0) mapped.insert(c);
        }
    }
    return mapped;
}

std::string missingFrom(const std::set<char32_t>& mapped, const std::wstring& text) {
    std::string missing;
    for (wchar_t c : text) {
        if (c == L'\n') continue;  // a line break is layout, not a glyph
        if (mapped.count(static_cast<char32_t>(c)) == 0) {
            char hex[16];
            wsprintfA(hex, " U+%04X", static_cast<unsigned>(c));
            missing += hex;
        }
    }
    return missing;
}

TEST(FontCoverage, EveryTextTheWindowDrawsHasItsGlyphs) {
    const FontBytes font = embeddedFont();
    ASSERT_NE(font.data, nullptr);
    const std::set<char32_t> mapped = mappedCharacters(font);
    ASSERT_FALSE(mapped.empty());

    const std::wstring texts[] = {
        kWindowTitle, kPleaseWaitText, kComponentsText, kFilesLabelText, kInitialStatusText,
        kNoServerMessage, kIncompleteManifestMessage, kLauncherDownloadFailedMessage,
        kJavaDownloadFailedMessage, kJavaUnpackFailedMessage, kJavaNotFoundMessage,
        kJavaStartFailedMessage, kCheckingFilesText, kLaunchingText, kFailureBalloonTitle,
        // The download line and the percentage: digits, point, units and signs.
        L"0123456789.%/ MB MB/s",
    };
    for (const std::wstring& text : texts) {
        EXPECT_EQ(missingFrom(mapped, text), "") << "in the text of length " << text.size();
    }
}

TEST(FontCoverage, TheWholePromisedRepertoire) {
    const std::set<char32_t> mapped = mappedCharacters(embeddedFont());
    std::wstring repertoire;
    for (wchar_t c = 0x20; c <= 0x7E; ++c) repertoire += c;
    for (wchar_t c = 0x410; c <= 0x44F; ++c) repertoire += c;
    repertoire += L"\u0400\u0401\u0451\u20A0\u20AC\u00AB\u00BB\u00B0\u00A9";
    EXPECT_EQ(missingFrom(mapped, repertoire), "");
}

TEST(FontCoverage, IsTrueTypeAtTwoThousandFortyEightUnitsPerEm) {
    const FontBytes font = embeddedFont();
    ASSERT_NE(font.data, nullptr);
    EXPECT_EQ(readU32(font, 0), 0x00010000u);  // TrueType outlines, not CFF
    std::size_t head = 0;
    for (std::uint32_t i = 0; i < readU16(font, 4); ++i) {
        if (readU32(font, 12 + 16 * i) == 0x68656164) head = readU32(font, 12 + 16 * i + 8);
    }
    ASSERT_NE(head, 0u);
    EXPECT_EQ(readU16(font, head + 18), 2048u);
}

}  // namespace
