#pragma once
// PEM files of ECDSA P-256 keys in the fixed DER layouts OpenSSL writes, for
// the Windows build of the tool (CNG reads no PEM). Plain C++.

#include <array>
#include <string>

#include "bootstrap/manifest_signature.h"

using P256PrivateScalar = std::array<unsigned char, 32>;

// "PUBLIC KEY" (SubjectPublicKeyInfo).
bool decodePublicKeyPem(const std::string& pem, ManifestPublicKey& key);
std::string encodePublicKeyPem(const ManifestPublicKey& key);

// "PRIVATE KEY" (PKCS#8) or "EC PRIVATE KEY" (SEC1), each with its public key.
bool decodePrivateKeyPem(const std::string& pem, P256PrivateScalar& d, ManifestPublicKey& key);
std::string encodePrivateKeyPem(const P256PrivateScalar& d, const ManifestPublicKey& key);  // PKCS#8
