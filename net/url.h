#pragma once
// Splits an absolute URL into what one HTTP request needs.
// Plain C++ with no platform headers, so it also builds natively.

#include <cstdint>
#include <string>

struct UrlParts {
    bool secure = false;     // scheme exactly "https": TLS
    std::wstring host;       // printable ASCII only, widened byte by byte
    std::uint16_t port = 0;  // 443 or 80 unless the URL gives one
    std::wstring path;       // from the first slash after the host, query included; "/" when none
};

// False for a URL without "://", an empty or non-ASCII host, or a port that is not
// 1 to 5 digits from 1 to 65535. After false the fields must not be used.
bool parseUrl(const std::string& url, UrlParts& parts);
