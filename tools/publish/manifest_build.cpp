#include "manifest_build.h"

#include "bootstrap/manifest.h"
#include "net/url.h"

namespace {

constexpr const char* kJarName = "Morvanta.jar";
constexpr const char* kZipName = "java-x64.zip";

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

std::string checkManifestUrls(const std::string& launcherJarUrl, const std::string& javaZipUrl) {
    if (!contains(launcherJarUrl, kJarName))
        return "launcher jar URL must contain \"Morvanta.jar\": " + launcherJarUrl;
    if (contains(launcherJarUrl, kZipName))
        return "launcher jar URL must not contain \"java-x64.zip\": " + launcherJarUrl;
    if (!contains(javaZipUrl, kZipName))
        return "runtime URL must contain \"java-x64.zip\": " + javaZipUrl;
    if (contains(javaZipUrl, kJarName))
        return "runtime URL must not contain \"Morvanta.jar\": " + javaZipUrl;
    std::string problem = checkOneUrl(launcherJarUrl, "launcher jar");
    if (problem.empty()) problem = checkOneUrl(javaZipUrl, "runtime");
    return problem;
}

std::string writeManifestJson(const ManifestEntry& launcherJar, const ManifestEntry& javaZip) {
    std::string json = "{\n  ";
    appendJsonString(json, launcherJar.url);
    json += ": ";
    appendJsonString(json, launcherJar.sha256);
    json += ",\n  ";
    appendJsonString(json, javaZip.url);
    json += ": ";
    appendJsonString(json, javaZip.sha256);
    json += "\n}\n";
    return json;
}

std::string verifyManifestRoundTrip(const std::string& json, const ManifestEntry& launcherJar,
                                    const ManifestEntry& javaZip) {
    const std::vector<unsigned char> body(json.begin(), json.end());
    const ManifestSelection selection = selectManifestEntries(readManifestPairs(body));
    if (selection.launcherJarUrl != launcherJar.url) return "the starter would read the jar URL as: " + selection.launcherJarUrl;
    if (selection.launcherJarSha256 != launcherJar.sha256) return "the starter would read the jar digest as: " + selection.launcherJarSha256;
    if (selection.javaZipUrl != javaZip.url) return "the starter would read the runtime URL as: " + selection.javaZipUrl;
    if (selection.javaZipSha256 != javaZip.sha256) return "the starter would read the runtime digest as: " + selection.javaZipSha256;
    return std::string();
}
