#include "net/url.h"

#include "base/text.h"

namespace {

// An empty port keeps the scheme's default; anything but 1 to 5 digits worth
// 1..65535 is refused rather than wrapped into some other port.
bool parsePort(const std::string& text, std::uint16_t& port) {
    if (text.empty()) return true;
    if (text.size() > 5) return false;
    std::uint64_t value = 0;
    if (!parseDecimal(text, value) || value < 1 || value > 65535) return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

// Host names are plain ASCII; a byte outside 0x21..0x7E cannot name a host.
bool widenHost(const std::string& text, std::wstring& host) {
    host.clear();
    host.reserve(text.size());
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7F) return false;
        host.push_back(static_cast<wchar_t>(c));
    }
    return true;
}

// Bytes the request line cannot carry as they are become %XX; the rest stays byte for byte.
std::wstring widenPath(const std::string& text) {
    std::wstring path;
    path.reserve(text.size());
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7F) {
            path.push_back(L'%');
            path.push_back(static_cast<wchar_t>(upperHexDigit(c >> 4)));
            path.push_back(static_cast<wchar_t>(upperHexDigit(c & 0x0F)));
        } else {
            path.push_back(static_cast<wchar_t>(c));
        }
    }
    return path;
}

}  // namespace

bool parseUrl(const std::string& url, UrlParts& parts) {
    if (url.size() < 3) return false;
    const std::size_t separator = url.find("://");
    if (separator == std::string::npos) return false;

    parts.secure = url.compare(0, separator, "https") == 0;
    parts.port = parts.secure ? 443 : 80;

    const std::size_t start = separator + 3;
    const std::size_t slash = start < url.size() ? url.find('/', start) : std::string::npos;
    const std::string authority =
        url.substr(start < url.size() ? start : url.size(),
                   slash == std::string::npos ? std::string::npos : slash - start);
    const std::string pathText = slash == std::string::npos ? std::string("/") : url.substr(slash);

    std::string hostText = authority;
    const std::size_t colon = authority.find(':');
    if (colon != std::string::npos) {
        hostText = authority.substr(0, colon);
        if (!parsePort(authority.substr(colon + 1), parts.port)) return false;
    }
    if (hostText.empty() || !widenHost(hostText, parts.host)) return false;
    parts.path = widenPath(pathText);
    return true;
}
