#pragma once
// The whole work of a run, on the worker thread: manifest, launcher jar, Java
// runtime, launch. Each failure ends it with one fixed message.

#include <string>
#include <vector>

#include "bootstrap/operations.h"

struct BootstrapConfig {
    std::wstring gameDirectory;
    std::vector<std::string> updateServers;  // base URLs, tried in order
    std::vector<ManifestPublicKey> manifestKeys;  // empty: manifests need no signature
};

void runBootstrapSequence(const BootstrapConfig& config, const BootstrapOperations& ops);
