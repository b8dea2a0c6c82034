#include "bootstrap/signature_verify.h"

#include <cstring>

#include "base/bcrypt_handle.h"

namespace {

constexpr ULONG kDigestSize = 32;

}  // namespace

bool sha256OfMessage(const std::string& message, unsigned char (&digest)[kDigestSize]) {
    UniqueBcryptAlgorithm provider = openBcryptAlgorithm(BCRYPT_SHA256_ALGORITHM);
    if (!provider) return false;
    UniqueBcryptHash hash;
    if (BCryptCreateHash(provider.get(), hash.put(), nullptr, 0, nullptr, 0, 0) != 0) return false;
    return BCryptHashData(hash.get(), reinterpret_cast<PUCHAR>(const_cast<char*>(message.data())),
                          static_cast<ULONG>(message.size()), 0) == 0 &&
           BCryptFinishHash(hash.get(), digest, kDigestSize, 0) == 0;
}

namespace {

UniqueBcryptKey importPublicKey(BCRYPT_ALG_HANDLE provider, const ManifestPublicKey& key) {
    unsigned char blob[sizeof(BCRYPT_ECCKEY_BLOB) + 64];
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::memcpy(blob, &header, sizeof(header));
    std::memcpy(blob + sizeof(header), key.x.data(), 32);
    std::memcpy(blob + sizeof(header) + 32, key.y.data(), 32);
    UniqueBcryptKey imported;
    if (BCryptImportKeyPair(provider, nullptr, BCRYPT_ECCPUBLIC_BLOB, imported.put(), blob, sizeof(blob), 0) != 0)
        imported.reset();
    return imported;
}

}  // namespace

bool verifyManifestSignature(const std::vector<ManifestPublicKey>& keys, const std::string& message,
                             const ManifestSignature& signature) {
    unsigned char digest[kDigestSize];
    if (keys.empty() || !sha256OfMessage(message, digest)) return false;
    UniqueBcryptAlgorithm provider = openBcryptAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!provider) return false;
    ManifestSignature copy = signature;  // the API takes a non-const buffer
    for (const ManifestPublicKey& key : keys) {
        UniqueBcryptKey handle = importPublicKey(provider.get(), key);
        if (handle && BCryptVerifySignature(handle.get(), nullptr, digest, kDigestSize, copy.data(),
                                            static_cast<ULONG>(copy.size()), 0) == 0)
            return true;
    }
    return false;
}
