#pragma once
// Writing launcher.json for an update, and the checks that keep a manifest the
// starter could not use from ever being published. Plain C++.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "bootstrap/manifest_signature.h"

struct ManifestEntry {
    std::string url;
    std::string sha256;  // 64 lower-case hex digits
};

// Why the starter could not use these URLs, or empty when it can. An empty
// `starterUrl` means the manifest names no starter.
std::string checkManifestUrls(const std::string& launcherJarUrl, const std::string& javaZipUrl,
                              const std::string& starterUrl = std::string());

// Why the file starting with `head` (its first bytes) is no 64-bit Windows
// program, or empty when it is one.
std::string checkStarterProgram(const std::string& head);

// The members of a signed manifest: its sequence and, for every form it is
// signed in, that form's member and signature in hex.
struct ManifestSignatureMembers {
    std::string sequence;
    std::vector<std::pair<std::string, std::string>> signatures;
};

// launcher.json with the two entries, jar first, as the starter's reader
// expects; then the starter's entry, the runtime deltas and the signature
// members, when given.
std::string writeManifestJson(const ManifestEntry& launcherJar, const ManifestEntry& javaZip,
                              const ManifestSignatureMembers* members = nullptr,
                              const ManifestEntry* starter = nullptr,
                              const std::vector<ManifestEntry>& runtimeDeltas = {});

// Why the starter would not take `url` as a runtime delta from `fromSha256`, or empty.
std::string checkRuntimeDeltaUrl(const std::string& url, const std::string& fromSha256);

// The sequence of a new release: `explicitSequence` when given, else one more
// than the sequence in the previous manifest's text. Empty `error` on success.
std::uint64_t nextManifestSequence(const std::string* explicitSequence, const std::string* previousManifest,
                                   std::string& error);

std::string toHex(const ManifestSignature& signature);  // 128 lower-case digits

// Reads `json` back through the starter's own reader and selection; empty when
// it selects exactly the given entries, else what differs.
std::string verifyManifestRoundTrip(const std::string& json, const ManifestEntry& launcherJar,
                                    const ManifestEntry& javaZip, const ManifestEntry* starter = nullptr,
                                    const std::vector<ManifestEntry>& runtimeDeltas = {});
