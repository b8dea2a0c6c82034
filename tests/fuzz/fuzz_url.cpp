// The URL parser never crashes, and what it accepts is safe to hand to the
// HTTP library: a printable ASCII host, a port in 1..65535, a printable path.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/url.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool printableAscii(const std::wstring& text) {
    for (wchar_t c : text) {
        if (c < 0x21 || c > 0x7E) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    UrlParts parts;
    if (!parseUrl(url, parts)) return 0;
    check(!parts.host.empty());
    check(printableAscii(parts.host));
    check(parts.port >= 1);  // an unsigned 16-bit port is at most 65535 by type
    check(!parts.path.empty() && parts.path[0] == L'/');
    check(printableAscii(parts.path));
    check(parts.secure == (url.compare(0, 8, "https://") == 0));
    return 0;
}
