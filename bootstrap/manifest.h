#pragma once
// The manifest: quoted strings of the body paired in order; the two entries the starter needs.
// Plain C++ with no platform headers, so it also builds natively.

#include <string>
#include <vector>

// A key containing one of these (exact bytes, case-sensitive) names that file's entry.
inline constexpr const char* kLauncherJarName = "Morvanta.jar";
inline constexpr const char* kJavaZipName = "java-x64.zip";
inline constexpr const char* kStarterName = "MorvantaStarter.exe";
// A runtime delta's URL ends in "java-x64.from-<old archive's sha256>.delta".
inline constexpr const char* kJavaDeltaPrefix = "java-x64.from-";
inline constexpr const char* kJavaDeltaSuffix = ".delta";

struct ManifestPair {
    std::string key;
    std::string value;
};

// A delta that builds the manifest's runtime from the one unpacked from `fromSha256`.
struct RuntimeDeltaOffer {
    std::string url;
    std::string sha256;
    std::string fromSha256;  // lower case, from the URL's file name
};

struct ManifestSelection {
    std::string launcherJarUrl;
    std::string launcherJarSha256;
    std::string javaZipUrl;
    std::string javaZipSha256;
    std::string starterUrl;  // optional: a newer starter program
    std::string starterSha256;
    std::vector<RuntimeDeltaOffer> runtimeDeltas;  // in the order of the text
};

// Pairs the body's double-quoted strings in order (1st with 2nd, 3rd with 4th, ...);
// every byte outside a string is skipped. Never fails.
std::vector<ManifestPair> readManifestPairs(const std::vector<unsigned char>& body);

// The last pair whose key holds kLauncherJarName, the last other pair whose key
// holds kJavaZipName, and the last pair holding neither but kStarterName; fields
// stay empty without a match. Every other pair whose key ends in a delta's file
// name is a delta offer.
ManifestSelection selectManifestEntries(const std::vector<ManifestPair>& pairs);

// The old archive's digest (lower case) when `url` ends in a delta's file name, else empty.
std::string runtimeDeltaBase(const std::string& url);
