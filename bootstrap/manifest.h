#pragma once
// The manifest: quoted strings of the body paired in order; the two entries the starter needs.
// Plain C++ with no platform headers, so it also builds natively.

#include <string>
#include <vector>

// A key containing one of these (exact bytes, case-sensitive) names that file's entry.
inline constexpr const char* kLauncherJarName = "Morvanta.jar";
inline constexpr const char* kJavaZipName = "java-x64.zip";
inline constexpr const char* kStarterName = "MorvantaStarter.exe";

struct ManifestPair {
    std::string key;
    std::string value;
};

struct ManifestSelection {
    std::string launcherJarUrl;
    std::string launcherJarSha256;
    std::string javaZipUrl;
    std::string javaZipSha256;
    std::string starterUrl;  // optional: a newer starter program
    std::string starterSha256;
};

// Pairs the body's double-quoted strings in order (1st with 2nd, 3rd with 4th, ...);
// every byte outside a string is skipped. Never fails.
std::vector<ManifestPair> readManifestPairs(const std::vector<unsigned char>& body);

// The last pair whose key holds kLauncherJarName, the last other pair whose key
// holds kJavaZipName, and the last pair holding neither but kStarterName; fields
// stay empty without a match.
ManifestSelection selectManifestEntries(const std::vector<ManifestPair>& pairs);
