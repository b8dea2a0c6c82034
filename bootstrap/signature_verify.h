#pragma once
// ECDSA P-256 / SHA-256 verification of a manifest's signature with CNG.

#include <string>
#include <vector>

#include "bootstrap/manifest_signature.h"

// True when any of `keys` verifies `signature` over `message`.
bool verifyManifestSignature(const std::vector<ManifestPublicKey>& keys, const std::string& message,
                             const ManifestSignature& signature);

// SHA-256 of a message held in memory.
bool sha256OfMessage(const std::string& message, unsigned char (&digest)[32]);
