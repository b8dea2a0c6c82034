#include "net/digest_text.h"

namespace {

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool sameDigest(const std::string& computed, const std::string& expected) {
    if (computed.empty() || computed.size() != expected.size()) return false;
    for (std::size_t i = 0; i < computed.size(); ++i)
        if (asciiLower(computed[i]) != asciiLower(expected[i])) return false;
    return true;
}
