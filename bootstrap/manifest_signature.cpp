#include "bootstrap/manifest_signature.h"

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isHexOfLength(const std::string& text, std::size_t length) {
    if (text.size() != length) return false;
    for (char c : text) {
        if (hexValue(c) < 0) return false;
    }
    return true;
}

std::string lowerCase(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

const std::string* lastMember(const std::vector<ManifestPair>& pairs, const char* name) {
    const std::string* value = nullptr;
    for (const ManifestPair& pair : pairs) {
        if (pair.key == name) value = &pair.value;
    }
    return value;
}

}  // namespace

bool parseManifestSequence(const std::string& text, std::uint64_t& sequence) {
    if (text.empty() || text.size() > 19) return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');  // 19 digits cannot wrap 64 bits
    }
    if (value > 0x7FFFFFFFFFFFFFFFull) return false;
    sequence = value;
    return true;
}

bool parseManifestSignature(const std::string& text, ManifestSignature& signature) {
    if (!isHexOfLength(text, 2 * signature.size())) return false;
    for (std::size_t i = 0; i < signature.size(); ++i)
        signature[i] = static_cast<unsigned char>(hexValue(text[2 * i]) * 16 + hexValue(text[2 * i + 1]));
    return true;
}

bool isSha256Hex(const std::string& text) { return isHexOfLength(text, 64); }

std::string manifestSignedMessage(const std::string& sequenceText, const ManifestSelection& selection) {
    const bool withStarter = !selection.starterUrl.empty();
    std::vector<std::string> fields = {sequenceText, selection.launcherJarUrl, lowerCase(selection.launcherJarSha256),
                                       selection.javaZipUrl, lowerCase(selection.javaZipSha256)};
    if (withStarter) {
        fields.push_back(selection.starterUrl);
        fields.push_back(lowerCase(selection.starterSha256));
    }
    std::string message = withStarter ? kSignedMessageTagWithStarter : kSignedMessageTag;
    for (const std::string& field : fields) {
        message += '\n';
        message += field;
    }
    message += '\n';
    return message;
}

SignedManifestClaim readSignedManifestClaim(const std::vector<ManifestPair>& pairs,
                                            const ManifestSelection& selection) {
    SignedManifestClaim claim;
    const std::string* sequence = lastMember(pairs, kSequenceMember);
    const std::string* signature = lastMember(pairs, kSignatureMember);
    if (sequence == nullptr || signature == nullptr) return claim;
    if (!parseManifestSequence(*sequence, claim.sequence)) return claim;
    if (!parseManifestSignature(*signature, claim.signature)) return claim;
    // An empty digest would leave its file unchecked, whatever the signature says.
    if (!isSha256Hex(selection.launcherJarSha256) || !isSha256Hex(selection.javaZipSha256)) return claim;
    if (!selection.starterUrl.empty() && !isSha256Hex(selection.starterSha256)) return claim;
    claim.message = manifestSignedMessage(*sequence, selection);
    claim.wellFormed = true;
    return claim;
}

bool isUsableSignedManifest(const SignedManifestClaim& claim, bool signatureVerified,
                            std::uint64_t highestAccepted) {
    return claim.wellFormed && signatureVerified && claim.sequence >= highestAccepted;
}
