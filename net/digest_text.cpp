#include "net/digest_text.h"

#include "base/text.h"

bool sameDigest(const std::string& computed, const std::string& expected) {
    return !computed.empty() && equalsIgnoringAsciiCase(computed, expected);
}
