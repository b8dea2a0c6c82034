#pragma once
// Writing launcher.json for an update, and the checks that keep a manifest the
// starter could not use from ever being published. Plain C++.

#include <string>
#include <vector>

struct ManifestEntry {
    std::string url;
    std::string sha256;  // 64 lower-case hex digits
};

// Why the starter could not use these URLs, or empty when it can.
std::string checkManifestUrls(const std::string& launcherJarUrl, const std::string& javaZipUrl);

// launcher.json with the two entries, jar first, as the starter's reader expects.
std::string writeManifestJson(const ManifestEntry& launcherJar, const ManifestEntry& javaZip);

// Reads `json` back through the starter's own reader and selection; empty when
// it selects exactly the given entries, else what differs.
std::string verifyManifestRoundTrip(const std::string& json, const ManifestEntry& launcherJar,
                                    const ManifestEntry& javaZip);
