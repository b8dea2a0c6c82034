#include "base/text.h"

namespace {

const char kLowerHexDigits[] = "0123456789abcdef";
const char kUpperHexDigits[] = "0123456789ABCDEF";

template <typename Char>
bool equalsIgnoringAsciiCaseOf(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

}  // namespace

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

wchar_t asciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

std::string asciiLowered(std::string text) {
    for (char& c : text) c = asciiLower(c);
    return text;
}

std::string asciiUppered(std::string text) {
    for (char& c : text) c = asciiUpper(c);
    return text;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) { return equalsIgnoringAsciiCaseOf(a, b); }

bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) { return equalsIgnoringAsciiCaseOf(a, b); }

char lowerHexDigit(unsigned value) { return kLowerHexDigits[value & 0x0F]; }

char upperHexDigit(unsigned value) { return kUpperHexDigits[value & 0x0F]; }

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isHexDigits(std::string_view text, std::size_t length) {
    if (text.size() != length) return false;
    for (char c : text)
        if (hexDigitValue(c) < 0) return false;
    return true;
}

std::string lowerHex(const unsigned char* bytes, std::size_t size) {
    std::string text;
    text.reserve(2 * size);
    for (std::size_t i = 0; i < size; ++i) {
        text.push_back(lowerHexDigit(bytes[i] >> 4));
        text.push_back(lowerHexDigit(bytes[i]));
    }
    return text;
}

std::string lowerHex64(std::uint64_t value) {
    std::string text;
    text.reserve(16);
    for (int shift = 60; shift >= 0; shift -= 4) text.push_back(lowerHexDigit(static_cast<unsigned>(value >> shift)));
    return text;
}

bool decodeHex(std::string_view text, unsigned char* bytes, std::size_t size) {
    if (!isHexDigits(text, 2 * size)) return false;
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(hexDigitValue(text[2 * i]) * 16 + hexDigitValue(text[2 * i + 1]));
    return true;
}

bool readDecimal(std::string_view text, std::size_t& at, std::uint64_t& value) {
    const std::size_t start = at;
    value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (at - start >= kMaxDecimalDigits) return false;
        value = value * 10 + static_cast<std::uint64_t>(text[at] - '0');
        ++at;
    }
    return at > start;
}

bool parseDecimal(std::string_view text, std::uint64_t& value) {
    std::size_t at = 0;
    std::uint64_t read = 0;
    if (!readDecimal(text, at, read) || at != text.size()) return false;
    value = read;
    return true;
}
