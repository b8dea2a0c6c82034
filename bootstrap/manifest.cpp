#include "bootstrap/manifest.h"

#include <cstring>

#include "base/text.h"

namespace {

// The double-quoted strings of the body in order. A backslash makes the next byte
// literal; an unclosed string runs to the end of the body.
std::vector<std::string> collectQuotedStrings(const std::vector<unsigned char>& body) {
    std::vector<std::string> tokens;
    const std::size_t n = body.size();
    std::size_t i = 0;
    while (i < n) {
        if (body[i] != '"') {
            ++i;
            continue;
        }
        ++i;
        std::string token;
        while (i < n && body[i] != '"') {
            if (body[i] == '\\' && i + 1 < n) ++i;
            token.push_back(static_cast<char>(body[i]));
            ++i;
        }
        tokens.push_back(std::move(token));
        ++i;  // past the closing quote (or past the end)
    }
    return tokens;
}

}  // namespace

std::vector<ManifestPair> readManifestPairs(const std::vector<unsigned char>& body) {
    std::vector<std::string> tokens = collectQuotedStrings(body);
    std::vector<ManifestPair> pairs;
    pairs.reserve(tokens.size() / 2);
    for (std::size_t k = 0; k + 1 < tokens.size(); k += 2)
        pairs.push_back(ManifestPair{std::move(tokens[k]), std::move(tokens[k + 1])});
    return pairs;
}

ManifestSelection selectManifestEntries(const std::vector<ManifestPair>& pairs) {
    ManifestSelection selection;
    for (const ManifestPair& pair : pairs) {
        if (pair.key.find(kLauncherJarName) != std::string::npos) {
            selection.launcherJarUrl = pair.key;
            selection.launcherJarSha256 = pair.value;
        } else if (pair.key.find(kJavaZipName) != std::string::npos) {
            selection.javaZipUrl = pair.key;
            selection.javaZipSha256 = pair.value;
        } else if (std::string base = runtimeDeltaBase(pair.key); !base.empty()) {
            selection.runtimeDeltas.push_back(RuntimeDeltaOffer{pair.key, pair.value, std::move(base)});
        } else if (pair.key.find(kStarterName) != std::string::npos) {
            selection.starterUrl = pair.key;
            selection.starterSha256 = pair.value;
        }
    }
    return selection;
}

std::string runtimeDeltaBase(const std::string& url) {
    const std::size_t prefix = std::strlen(kJavaDeltaPrefix);
    const std::size_t suffix = std::strlen(kJavaDeltaSuffix);
    const std::size_t nameSize = prefix + 64 + suffix;
    if (url.size() < nameSize) return std::string();
    const std::size_t start = url.size() - nameSize;
    if (url.compare(start, prefix, kJavaDeltaPrefix) != 0 || url.compare(url.size() - suffix, suffix, kJavaDeltaSuffix) != 0)
        return std::string();
    const std::string digest = url.substr(start + prefix, 64);
    return isHexDigits(digest, 64) ? asciiLowered(digest) : std::string();
}
