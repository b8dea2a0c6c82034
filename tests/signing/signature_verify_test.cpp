// CNG verification of manifest signatures made elsewhere: a signature made by
// OpenSSL on the host with test key A must verify with the keys CMake compiled
// in from their PEM files, and no changed byte may.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bootstrap/manifest_keys.h"
#include "bootstrap/manifest_signature.h"
#include "bootstrap/signature_verify.h"

namespace {

// `openssl dgst -sha256 -sign tests/signing/keys/test_key_a.pem` over the
// message of this manifest, its DER turned into r and s.
const std::string kOpensslManifest =
    "{\n"
    "  \"https:\\/\\/cdn.example\\/files\\/v2\\/Morvanta.jar\": "
    "\"0163F1EEA7894350060624D315234D40C508AB251BA121714E234503045FAADD\",\n"
    "  \"https:\\/\\/cdn.example\\/files\\/v2\\/java-x64.zip\": "
    "\"4a70fe9aa6436e02c2dea340fbd1e352e4ef2d8ce6ca52ad25d4b95471fc8bf2\",\n"
    "  \"sequence\": \"42\",\n"
    "  \"signature\": \"65b4036cddc240cd402cbef2b9deea8ea27a38cfbb59ccfba566429a6579663f"
    "AA9566A248A622641DE55C7D4797C362470C4F4CFB3C4CE88C3B1CA00C2510D0\"\n"
    "}\n";

std::vector<ManifestPublicKey> builtInKeys() {
    return std::vector<ManifestPublicKey>(kManifestPublicKeys, kManifestPublicKeys + kManifestPublicKeyCount);
}

SignedManifestClaim claimOf(const std::string& body) {
    const std::vector<ManifestPair> pairs =
        readManifestPairs(std::vector<unsigned char>(body.begin(), body.end()));
    return readSignedManifestClaim(pairs, selectManifestEntries(pairs));
}

bool verifies(const std::vector<ManifestPublicKey>& keys, const std::string& body) {
    const SignedManifestClaim claim = claimOf(body);
    return claim.wellFormed && verifyManifestSignature(keys, claim.message, claim.signature);
}

TEST(SignatureVerify, AnOpensslSignatureVerifiesWithTheCompiledInKeys) {
    ASSERT_EQ(kManifestPublicKeyCount, 2u);  // test keys B and A, in that order
    EXPECT_TRUE(verifies(builtInKeys(), kOpensslManifest));
    EXPECT_TRUE(verifies({kManifestPublicKeys[1]}, kOpensslManifest));
    EXPECT_FALSE(verifies({kManifestPublicKeys[0]}, kOpensslManifest)) << "key B did not sign it";
    EXPECT_FALSE(verifies({}, kOpensslManifest));
}

TEST(SignatureVerify, AFlippedBitInAnySignedFieldFails) {
    // One bit of each of the five fields: sequence, jar URL, jar digest, runtime URL, runtime digest.
    const std::vector<std::pair<std::string, std::string>> edits = {
        {"\"42\"", "\"43\""},
        {"v2\\/Morvanta.jar", "v3\\/Morvanta.jar"},
        {"0163F1EE", "0163F1EA"},
        {"v2\\/java-x64.zip", "v3\\/java-x64.zip"},
        {"4a70fe9a", "4a71fe9a"},
    };
    for (const auto& [from, to] : edits) {
        std::string body = kOpensslManifest;
        const std::size_t at = body.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        body.replace(at, from.size(), to);
        ASSERT_TRUE(claimOf(body).wellFormed) << to;
        EXPECT_FALSE(verifies(builtInKeys(), body)) << "changed " << from << " to " << to;
    }
}

TEST(SignatureVerify, AFlippedBitAnywhereInTheSignatureFails) {
    const SignedManifestClaim claim = claimOf(kOpensslManifest);
    ASSERT_TRUE(claim.wellFormed);
    for (std::size_t byte = 0; byte < claim.signature.size(); ++byte) {
        ManifestSignature changed = claim.signature;
        changed[byte] ^= static_cast<unsigned char>(1u << (byte % 8));
        EXPECT_FALSE(verifyManifestSignature(builtInKeys(), claim.message, changed)) << "byte " << byte;
    }
    ManifestSignature zero{};
    EXPECT_FALSE(verifyManifestSignature(builtInKeys(), claim.message, zero));
}

}  // namespace
