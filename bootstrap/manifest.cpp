#include "bootstrap/manifest.h"

// Placeholder until the manifest reader lands: no body yields pairs.
std::vector<ManifestPair> readManifestPairs(const std::vector<unsigned char>&) {
    return {};
}

ManifestSelection selectManifestEntries(const std::vector<ManifestPair>&) {
    return {};
}
