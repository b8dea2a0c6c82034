#include "manifest_build.h"

#include "base/text.h"
#include "bootstrap/manifest.h"
#include "net/url.h"

namespace {

std::string quoted(const char* name) { return std::string("\"") + name + "\""; }

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

std::string checkOneUrl(const std::string& url, const char* what) {
    UrlParts parts;
    if (!parseUrl(url, parts)) return std::string(what) + " URL is not one the starter can parse: " + url;
    for (unsigned char c : url) {
        // The URL becomes a JSON member name and a request path byte for byte.
        if (c < 0x21 || c > 0x7E) return std::string(what) + " URL must be printable ASCII without spaces: " + url;
    }
    return std::string();
}

void appendJsonString(std::string& out, const std::string& text) {
    out += '"';
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
}

}  // namespace

std::string checkManifestUrls(const std::string& launcherJarUrl, const std::string& javaZipUrl,
                              const std::string& starterUrl) {
    if (!contains(launcherJarUrl, kLauncherJarName))
        return "launcher jar URL must contain " + quoted(kLauncherJarName) + ": " + launcherJarUrl;
    if (contains(launcherJarUrl, kJavaZipName))
        return "launcher jar URL must not contain " + quoted(kJavaZipName) + ": " + launcherJarUrl;
    if (!contains(javaZipUrl, kJavaZipName))
        return "runtime URL must contain " + quoted(kJavaZipName) + ": " + javaZipUrl;
    if (contains(javaZipUrl, kLauncherJarName))
        return "runtime URL must not contain " + quoted(kLauncherJarName) + ": " + javaZipUrl;
    if (!starterUrl.empty()) {
        if (!contains(starterUrl, kStarterName))
            return "starter URL must contain " + quoted(kStarterName) + ": " + starterUrl;
        if (contains(starterUrl, kLauncherJarName) || contains(starterUrl, kJavaZipName))
            return "starter URL must not contain " + quoted(kLauncherJarName) + " or " + quoted(kJavaZipName) + ": " + starterUrl;
        if (contains(launcherJarUrl, kStarterName) || contains(javaZipUrl, kStarterName))
            return "only the starter URL may contain " + quoted(kStarterName);
    }
    std::string problem = checkOneUrl(launcherJarUrl, "launcher jar");
    if (problem.empty()) problem = checkOneUrl(javaZipUrl, "runtime");
    if (problem.empty() && !starterUrl.empty()) problem = checkOneUrl(starterUrl, "starter");
    return problem;
}

std::string checkStarterProgram(const std::string& head) {
    const auto byteAt = [&head](std::size_t at) { return static_cast<unsigned char>(head[at]); };
    if (head.size() < 0x40 || head[0] != 'M' || head[1] != 'Z') return "the starter file is not a Windows program";
    const std::size_t pe = byteAt(0x3C) | byteAt(0x3D) << 8 | byteAt(0x3E) << 16 | static_cast<std::size_t>(byteAt(0x3F)) << 24;
    if (pe + 6 > head.size() || head.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
        return "the starter file is not a Windows program";
    if ((byteAt(pe + 4) | byteAt(pe + 5) << 8) != 0x8664) return "the starter file is not a 64-bit (x64) Windows program";
    return std::string();
}

std::string checkRuntimeDeltaUrl(const std::string& url, const std::string& fromSha256) {
    if (runtimeDeltaBase(url) != asciiLowered(fromSha256))
        return "runtime delta URL must end in " + quoted((kJavaDeltaPrefix + asciiLowered(fromSha256) + kJavaDeltaSuffix).c_str()) + ": " + url;
    if (contains(url, kLauncherJarName) || contains(url, kJavaZipName) || contains(url, kStarterName))
        return "runtime delta URL must not contain another file's name: " + url;
    return checkOneUrl(url, "runtime delta");
}

std::string writeManifestJson(const ManifestEntry& launcherJar, const ManifestEntry& javaZip,
                              const ManifestSignatureMembers* members, const ManifestEntry* starter,
                              const std::vector<ManifestEntry>& runtimeDeltas) {
    std::string json = "{\n  ";
    appendJsonString(json, launcherJar.url);
    json += ": ";
    appendJsonString(json, launcherJar.sha256);
    json += ",\n  ";
    appendJsonString(json, javaZip.url);
    json += ": ";
    appendJsonString(json, javaZip.sha256);
    if (starter != nullptr) {
        json += ",\n  ";
        appendJsonString(json, starter->url);
        json += ": ";
        appendJsonString(json, starter->sha256);
    }
    for (const ManifestEntry& delta : runtimeDeltas) {
        json += ",\n  ";
        appendJsonString(json, delta.url);
        json += ": ";
        appendJsonString(json, delta.sha256);
    }
    if (members != nullptr) {
        json += ",\n  \"sequence\": ";
        appendJsonString(json, members->sequence);
        for (const auto& [member, signature] : members->signatures) {
            json += ",\n  ";
            appendJsonString(json, member);
            json += ": ";
            appendJsonString(json, signature);
        }
    }
    json += "\n}\n";
    return json;
}

std::string verifyManifestRoundTrip(const std::string& json, const ManifestEntry& launcherJar,
                                    const ManifestEntry& javaZip, const ManifestEntry* starter,
                                    const std::vector<ManifestEntry>& runtimeDeltas) {
    const std::vector<unsigned char> body(json.begin(), json.end());
    const ManifestSelection selection = selectManifestEntries(readManifestPairs(body));
    if (selection.launcherJarUrl != launcherJar.url) return "the starter would read the jar URL as: " + selection.launcherJarUrl;
    if (selection.launcherJarSha256 != launcherJar.sha256) return "the starter would read the jar digest as: " + selection.launcherJarSha256;
    if (selection.javaZipUrl != javaZip.url) return "the starter would read the runtime URL as: " + selection.javaZipUrl;
    if (selection.javaZipSha256 != javaZip.sha256) return "the starter would read the runtime digest as: " + selection.javaZipSha256;
    const ManifestEntry none;
    const ManifestEntry& wanted = starter != nullptr ? *starter : none;
    if (selection.starterUrl != wanted.url || selection.starterSha256 != wanted.sha256)
        return "the starter would read its own entry as: " + selection.starterUrl + " " + selection.starterSha256;
    if (selection.runtimeDeltas.size() != runtimeDeltas.size()) return "the starter would read another number of runtime deltas";
    for (std::size_t i = 0; i < runtimeDeltas.size(); ++i) {
        if (selection.runtimeDeltas[i].url != runtimeDeltas[i].url || selection.runtimeDeltas[i].sha256 != runtimeDeltas[i].sha256)
            return "the starter would read a runtime delta as: " + selection.runtimeDeltas[i].url;
    }
    return std::string();
}

std::uint64_t nextManifestSequence(const std::string* explicitSequence, const std::string* previousManifest,
                                   std::string& error) {
    std::uint64_t sequence = 0;
    if (explicitSequence != nullptr) {
        if (!parseManifestSequence(*explicitSequence, sequence))
            error = "--sequence must be 1 to 19 digits, at most 9223372036854775807: " + *explicitSequence;
        return sequence;
    }
    if (previousManifest == nullptr) {
        error = "a signed manifest needs --sequence N or --previous FILE";
        return 0;
    }
    const std::vector<unsigned char> body(previousManifest->begin(), previousManifest->end());
    const std::string* found = nullptr;
    const std::vector<ManifestPair> pairs = readManifestPairs(body);
    for (const ManifestPair& pair : pairs) {
        if (pair.key == kSequenceMember) found = &pair.value;
    }
    if (found == nullptr || !parseManifestSequence(*found, sequence)) {
        error = "the previous manifest holds no valid sequence";
        return 0;
    }
    if (sequence == 0x7FFFFFFFFFFFFFFFull) {
        error = "the previous manifest's sequence is the last there is";
        return 0;
    }
    return sequence + 1;
}

std::string toHex(const ManifestSignature& signature) { return lowerHex(signature.data(), signature.size()); }
