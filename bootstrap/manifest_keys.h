#pragma once
// The manifest signing keys of this program build, from its CMake key list.
// None (a null pointer and a count of 0) in a build that takes unsigned manifests.

#include <cstddef>

#include "bootstrap/manifest_signature.h"

extern const ManifestPublicKey* const kManifestPublicKeys;
extern const std::size_t kManifestPublicKeyCount;
