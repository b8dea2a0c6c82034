#pragma once
// The manifest: quoted strings of the body paired in order; the two entries the starter needs.
// Plain C++ with no platform headers, so it also builds natively.

#include <string>
#include <vector>

struct ManifestPair {
    std::string key;
    std::string value;
};

struct ManifestSelection {
    std::string launcherJarUrl;
    std::string launcherJarSha256;
    std::string javaZipUrl;
    std::string javaZipSha256;
};

std::vector<ManifestPair> readManifestPairs(const std::vector<unsigned char>& body);
ManifestSelection selectManifestEntries(const std::vector<ManifestPair>& pairs);
