#pragma once
// Small text helpers shared by every layer: ASCII letter case, hex digits,
// bounded decimal numbers and, on Windows, UTF-8 and UTF-16. Only the Windows
// part uses the platform; the rest builds anywhere.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Only A-Z and a-z change: UTF-8 bytes and every other character stay as they
// are, whatever the locale, so names and digests compare the same everywhere.
char asciiLower(char c);
char asciiUpper(char c);
wchar_t asciiLower(wchar_t c);
std::string asciiLowered(std::string text);
std::string asciiUppered(std::string text);

// Same length and the same characters but for A-Z against a-z; two empty texts are equal.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b);

// The digit for 0..15.
char lowerHexDigit(unsigned value);
char upperHexDigit(unsigned value);
// 0..15 for 0-9, a-f and A-F; -1 for anything else.
int hexDigitValue(char c);
// Exactly `length` hex digits of either case.
bool isHexDigits(std::string_view text, std::size_t length);
// Two lower-case digits a byte.
std::string lowerHex(const unsigned char* bytes, std::size_t size);
// The 16 lower-case digits of `value`, leading zeros kept.
std::string lowerHex64(std::uint64_t value);
// Exactly 2 * `size` digits of either case into `bytes`; false, with `bytes` untouched, otherwise.
bool decodeHex(std::string_view text, unsigned char* bytes, std::size_t size);

// A decimal number has at most this many digits here: 19 digits never wrap 64 bits.
inline constexpr std::size_t kMaxDecimalDigits = 19;
// The decimal digits of `text` from `at` on, stopping at the first other character:
// at least one and at most 19, no sign, no space. `at` moves past what was read;
// after a failure `at` and `value` hold nothing of use.
bool readDecimal(std::string_view text, std::size_t& at, std::uint64_t& value);
// The whole text as 1 to 19 decimal digits and nothing else; `value` untouched on failure.
bool parseDecimal(std::string_view text, std::uint64_t& value);

#ifdef _WIN32
// The text as UTF-8 (for log lines and file names handed to libraries); empty when it cannot be converted.
std::string toUtf8(const std::wstring& text);
// UTF-8 as UTF-16: bytes that are no UTF-8 become U+FFFD; empty when it cannot be converted.
std::wstring fromUtf8(const std::string& text);
// The file system's rule for names: ordinal, letter case folded by the system's table (all
// of Unicode, not only ASCII), as CompareStringOrdinal does it.
bool equalsOrdinalIgnoringCase(std::wstring_view a, std::wstring_view b);
#endif
