#include "bootstrap/manifest.h"

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
        } else if (pair.key.find(kStarterName) != std::string::npos) {
            selection.starterUrl = pair.key;
            selection.starterSha256 = pair.value;
        }
    }
    return selection;
}
