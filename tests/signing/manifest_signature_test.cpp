// The signed manifest's pure rules: the message, the two members' syntax, and
// which claims are usable. No platform headers: also runs natively.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bootstrap/manifest.h"
#include "bootstrap/manifest_signature.h"

namespace {

const std::string kJarDigest = "0163F1EEA7894350060624D315234D40C508AB251BA121714E234503045FAADD";
const std::string kZipDigest = "4a70fe9aa6436e02c2dea340fbd1e352e4ef2d8ce6ca52ad25d4b95471fc8bf2";
const std::string kSignature = std::string(64, 'a') + std::string(64, 'F');

ManifestSelection selectionOf(const std::string& body) {
    return selectManifestEntries(readManifestPairs(std::vector<unsigned char>(body.begin(), body.end())));
}

std::vector<ManifestPair> pairsOf(const std::string& body) {
    return readManifestPairs(std::vector<unsigned char>(body.begin(), body.end()));
}

std::string signedBody(const std::string& sequence, const std::string& signature,
                       const std::string& jarDigest = kJarDigest) {
    return "{\"https://cdn.example/Morvanta.jar\": \"" + jarDigest +
           "\", \"https://cdn.example/java-x64.zip\": \"" + kZipDigest + "\", \"sequence\": \"" + sequence +
           "\", \"signature\": \"" + signature + "\"}";
}

TEST(ManifestSignedMessage, UsesUnescapedUrlsAndLowerCaseDigests) {
    const std::string body = "{\"https:\\/\\/cdn.example\\/v2\\/Morvanta.jar\": \"" + kJarDigest +
                             "\", \"https:\\/\\/cdn.example\\/v2\\/java-x64.zip\": \"" + kZipDigest + "\"}";
    EXPECT_EQ(manifestSignedMessage("42", selectionOf(body)),
              "morvanta-manifest-v1\n42\n"
              "https://cdn.example/v2/Morvanta.jar\n"
              "0163f1eea7894350060624d315234d40c508ab251ba121714e234503045faadd\n"
              "https://cdn.example/v2/java-x64.zip\n"
              "4a70fe9aa6436e02c2dea340fbd1e352e4ef2d8ce6ca52ad25d4b95471fc8bf2\n");
}

TEST(ManifestSignedMessage, AStarterEntryMakesItV2CoveringThatEntry) {
    const std::string body = signedBody("42", kSignature) + "\"https://cdn.example/MorvantaStarter.exe\": \"" +
                             kJarDigest + "\", \"signature-v2\": \"" + kSignature + "\"";
    EXPECT_EQ(manifestSignedMessage("42", selectionOf(body)),
              "morvanta-manifest-v2\n42\n"
              "https://cdn.example/Morvanta.jar\n"
              "0163f1eea7894350060624d315234d40c508ab251ba121714e234503045faadd\n"
              "https://cdn.example/java-x64.zip\n"
              "4a70fe9aa6436e02c2dea340fbd1e352e4ef2d8ce6ca52ad25d4b95471fc8bf2\n"
              "https://cdn.example/MorvantaStarter.exe\n"
              "0163f1eea7894350060624d315234d40c508ab251ba121714e234503045faadd\n");
    EXPECT_EQ(readSignedManifestClaim(pairsOf(body), selectionOf(body)).message,
              manifestSignedMessage("42", selectionOf(body)));
}

// A starter built before starter entries existed checks "signature" over the v1 message:
// the jar and the runtime only. This starter checks "signature-v2" over the v2 message.
TEST(ManifestSignedMessage, AManifestWithAnEntryKeepsTheV1FormForOlderStarters) {
    const std::string v2Signature = std::string(64, 'b') + std::string(64, 'c');
    const std::string body = signedBody("42", kSignature) + "\"https://cdn.example/MorvantaStarter.exe\": \"" +
                             kJarDigest + "\", \"signature-v2\": \"" + v2Signature + "\"";
    const std::vector<ManifestPair> pairs = pairsOf(body);
    const ManifestSelection selection = selectionOf(body);
    const SignedManifestClaim v1 = readSignatureClaim(SignatureForm::V1, pairs, selection);
    ASSERT_TRUE(v1.wellFormed);
    EXPECT_EQ(v1.message, "morvanta-manifest-v1\n42\n"
                          "https://cdn.example/Morvanta.jar\n"
                          "0163f1eea7894350060624d315234d40c508ab251ba121714e234503045faadd\n"
                          "https://cdn.example/java-x64.zip\n"
                          "4a70fe9aa6436e02c2dea340fbd1e352e4ef2d8ce6ca52ad25d4b95471fc8bf2\n");
    EXPECT_EQ(v1.signature[0], 0xAA);
    const SignedManifestClaim claim = readSignedManifestClaim(pairs, selection);
    ASSERT_TRUE(claim.wellFormed);
    EXPECT_EQ(claim.message, manifestSignedMessage(SignatureForm::V2, "42", selection));
    EXPECT_EQ(claim.signature[0], 0xBB);
    EXPECT_EQ(claim.signature[63], 0xCC);
}

TEST(ManifestSignedMessage, APublisherSignsEveryFormUpToTheOneTheEntriesNeed) {
    const std::string plain = signedBody("1", kSignature);
    const std::string withEntry = plain + "\"https://cdn.example/MorvantaStarter.exe\": \"" + kJarDigest + "\"";
    EXPECT_EQ(signatureFormsFor(selectionOf(plain)), std::vector<SignatureForm>{SignatureForm::V1});
    EXPECT_EQ(signatureFormsFor(selectionOf(withEntry)),
              (std::vector<SignatureForm>{SignatureForm::V1, SignatureForm::V2}));
}

TEST(ManifestSequence, AcceptsOneToNineteenDigitsUpToTheSignedLimit) {
    std::uint64_t value = 99;
    EXPECT_TRUE(parseManifestSequence("0", value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(parseManifestSequence("0000000000000000007", value));
    EXPECT_EQ(value, 7u);
    EXPECT_TRUE(parseManifestSequence("9223372036854775807", value));
    EXPECT_EQ(value, 9223372036854775807u);
}

TEST(ManifestSequence, RefusesEverythingElseAndKeepsTheOldValue) {
    for (const char* text : {"", "12345678901234567890", "-1", "+1", " 1", "1 ", "1\n", "9223372036854775808",
                             "9999999999999999999", "0x10", "1e3", "١"}) {
        std::uint64_t value = 5;
        EXPECT_FALSE(parseManifestSequence(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 5u) << text;
    }
}

TEST(ManifestSignatureText, TakesExactly128HexDigitsOfEitherCase) {
    ManifestSignature signature{};
    ASSERT_TRUE(parseManifestSignature(kSignature, signature));
    EXPECT_EQ(signature[0], 0xAA);
    EXPECT_EQ(signature[31], 0xAA);
    EXPECT_EQ(signature[32], 0xFF);
    EXPECT_EQ(signature[63], 0xFF);
    EXPECT_TRUE(parseManifestSignature("0123456789abcdefABCDEF" + std::string(106, '0'), signature));
    EXPECT_EQ(signature[0], 0x01);
    EXPECT_EQ(signature[10], 0xEF);

    EXPECT_FALSE(parseManifestSignature(std::string(127, 'a'), signature));
    EXPECT_FALSE(parseManifestSignature(std::string(129, 'a'), signature));
    EXPECT_FALSE(parseManifestSignature(std::string(127, 'a') + "g", signature));
    EXPECT_FALSE(parseManifestSignature(std::string(127, 'a') + " ", signature));
    EXPECT_FALSE(parseManifestSignature("", signature));
}

TEST(SignedManifestClaim, ReadsBothMembersAndBuildsTheMessage) {
    const std::string body = signedBody("17", kSignature);
    const SignedManifestClaim claim = readSignedManifestClaim(pairsOf(body), selectionOf(body));
    ASSERT_TRUE(claim.wellFormed);
    EXPECT_EQ(claim.sequence, 17u);
    EXPECT_EQ(claim.signature[40], 0xFF);
    EXPECT_EQ(claim.message, manifestSignedMessage("17", selectionOf(body)));
}

TEST(SignedManifestClaim, IsNotWellFormedWithoutMembersOrWithUncheckedDigests) {
    const std::string unsignedBody =
        "{\"https://cdn.example/Morvanta.jar\": \"" + kJarDigest + "\", \"https://cdn.example/java-x64.zip\": \"" +
        kZipDigest + "\"}";
    const std::vector<std::string> bodies = {
        unsignedBody,
        unsignedBody + "{\"sequence\": \"3\"}",
        unsignedBody + "{\"signature\": \"" + kSignature + "\"}",
        signedBody("", kSignature),
        signedBody("3", kSignature.substr(1)),
        signedBody("3", kSignature, ""),                  // an empty digest would check nothing
        signedBody("3", kSignature, kJarDigest + "0"),
        signedBody("3", kSignature, kJarDigest.substr(0, 63) + "z"),
        signedBody("3", kSignature) + "\"https://cdn.example/MorvantaStarter.exe\": \"\"",
        // An entry needs the v2 form: "signature" alone covers only the jar and the runtime.
        signedBody("3", kSignature) + "\"https://cdn.example/MorvantaStarter.exe\": \"" + kZipDigest + "\"",
        signedBody("3", kSignature) + "\"https://cdn.example/MorvantaStarter.exe\": \"" + kZipDigest +
            "0\", \"signature-v2\": \"" + kSignature + "\"",
    };
    for (const std::string& body : bodies)
        EXPECT_FALSE(readSignedManifestClaim(pairsOf(body), selectionOf(body)).wellFormed) << body;
}

TEST(SignedManifestClaim, TheLastMemberOfEachNameCounts) {
    const std::string body = signedBody("3", std::string(128, '0')) + "\"sequence\": \"4\", \"signature\": \"" +
                             kSignature + "\"";
    const SignedManifestClaim claim = readSignedManifestClaim(pairsOf(body), selectionOf(body));
    ASSERT_TRUE(claim.wellFormed);
    EXPECT_EQ(claim.sequence, 4u);
    EXPECT_EQ(claim.signature[0], 0xAA);
}

TEST(SignedManifestUse, NeedsAVerifiedSignatureAndNoLowerSequence) {
    SignedManifestClaim claim;
    claim.wellFormed = true;
    claim.sequence = 10;
    EXPECT_TRUE(isUsableSignedManifest(claim, true, 0));
    EXPECT_TRUE(isUsableSignedManifest(claim, true, 9));
    EXPECT_TRUE(isUsableSignedManifest(claim, true, 10));  // the same release on the next start
    EXPECT_FALSE(isUsableSignedManifest(claim, true, 11));
    EXPECT_FALSE(isUsableSignedManifest(claim, false, 0));
    claim.wellFormed = false;
    EXPECT_FALSE(isUsableSignedManifest(claim, true, 0));
}

TEST(GeneralSignedMessage, CoversEveryMemberButTheSignaturesSortedByName) {
    const std::string body = "{\"sequence\": \"5\", \"https:\\/\\/h\\/java-x64.zip\": \"Zz\", "
                             "\"signature\": \"s1\", \"signature-v2\": \"s2\", \"signature-v3\": \"s3\", "
                             "\"https://h/Morvanta.jar\": \"j\", \"https://h/d/java-x64.from-x.delta\": \"d\"}";
    EXPECT_EQ(manifestGeneralSignedMessage(pairsOf(body)),
              "morvanta-manifest-v3\n"
              "https://h/Morvanta.jar\nj\n"
              "https://h/d/java-x64.from-x.delta\nd\n"
              "https://h/java-x64.zip\nZz\n"  // values exactly as written
              "sequence\n5\n");
}

TEST(GeneralSignedMessage, HasNoFormWhereItWouldBeAmbiguous) {
    const struct {
        const char* body;
        bool hasForm;
    } rows[] = {
        {"{\"a\": \"1\", \"b\": \"2\", \"a\": \"3\"}", false},  // a repeated name
        {"{\"a\": \"1\\nb\"}", true},                          // an escaped n is a plain n
        {"{\"a\": \"1\nb\"}", false},                          // a line end in a value
        {"{\"a\nb\": \"1\"}", false},                          // or in a name
    };
    for (const auto& row : rows)
        EXPECT_EQ(!manifestGeneralSignedMessage(pairsOf(row.body)).empty(), row.hasForm) << row.body;
}

TEST(GeneralSignatureClaim, NeedsItsOwnMemberAndAValidSequence) {
    const std::string body = signedBody("3", kSignature);
    struct Row {
        std::string extra;
        bool wellFormed;
    };
    const Row rows[] = {
        {"", false},  // the older signature alone vouches for nothing new
        {", \"signature-v3\": \"" + kSignature + "\"", true},
        {", \"signature-v3\": \"" + kSignature.substr(2) + "\"", false},
        {", \"signature-v3\": \"" + kSignature + "\", \"sequence\": \"x\"", false},
    };
    for (const Row& row : rows) {
        const std::string withExtra = body.substr(0, body.size() - 1) + row.extra + "}";
        const SignedManifestClaim claim = readGeneralSignatureClaim(pairsOf(withExtra));
        EXPECT_EQ(claim.wellFormed, row.wellFormed) << row.extra;
        if (claim.wellFormed) {
            EXPECT_EQ(claim.message, manifestGeneralSignedMessage(pairsOf(withExtra)));
        }
    }
}

}  // namespace
