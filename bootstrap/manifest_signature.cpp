#include "bootstrap/manifest_signature.h"

#include <algorithm>

#include "base/text.h"

namespace {

const std::string* lastMember(const std::vector<ManifestPair>& pairs, const char* name) {
    const std::string* value = nullptr;
    for (const ManifestPair& pair : pairs) {
        if (pair.key == name) value = &pair.value;
    }
    return value;
}

}  // namespace

bool parseManifestSequence(const std::string& text, std::uint64_t& sequence) {
    std::uint64_t value = 0;
    if (!parseDecimal(text, value) || value > 0x7FFFFFFFFFFFFFFFull) return false;
    sequence = value;
    return true;
}

bool parseManifestSignature(const std::string& text, ManifestSignature& signature) {
    return decodeHex(text, signature.data(), signature.size());
}

bool isSha256Hex(const std::string& text) { return isHexDigits(text, 64); }

SignatureForm requiredSignatureForm(const ManifestSelection& selection) {
    return selection.starterUrl.empty() ? SignatureForm::V1 : SignatureForm::V2;
}

std::vector<SignatureForm> signatureFormsFor(const ManifestSelection& selection) {
    std::vector<SignatureForm> forms;
    const int required = static_cast<int>(requiredSignatureForm(selection));
    for (int form = 0; form <= required; ++form) forms.push_back(static_cast<SignatureForm>(form));
    return forms;
}

std::string manifestSignedMessage(SignatureForm form, const std::string& sequenceText,
                                  const ManifestSelection& selection) {
    std::vector<std::string> fields = {sequenceText, selection.launcherJarUrl, asciiLowered(selection.launcherJarSha256),
                                       selection.javaZipUrl, asciiLowered(selection.javaZipSha256)};
    if (form >= SignatureForm::V2) {
        fields.push_back(selection.starterUrl);
        fields.push_back(asciiLowered(selection.starterSha256));
    }
    std::string message = kSignatureForms[static_cast<int>(form)].tag;
    for (const std::string& field : fields) {
        message += '\n';
        message += field;
    }
    message += '\n';
    return message;
}

std::string manifestSignedMessage(const std::string& sequenceText, const ManifestSelection& selection) {
    return manifestSignedMessage(requiredSignatureForm(selection), sequenceText, selection);
}

SignedManifestClaim readSignatureClaim(SignatureForm form, const std::vector<ManifestPair>& pairs,
                                       const ManifestSelection& selection) {
    SignedManifestClaim claim;
    const std::string* sequence = lastMember(pairs, kSequenceMember);
    const std::string* signature = lastMember(pairs, kSignatureForms[static_cast<int>(form)].member);
    if (sequence == nullptr || signature == nullptr) return claim;
    if (!parseManifestSequence(*sequence, claim.sequence)) return claim;
    if (!parseManifestSignature(*signature, claim.signature)) return claim;
    // An empty digest would leave its file unchecked, whatever the signature says.
    if (!isSha256Hex(selection.launcherJarSha256) || !isSha256Hex(selection.javaZipSha256)) return claim;
    if (form >= SignatureForm::V2 && !isSha256Hex(selection.starterSha256)) return claim;
    claim.message = manifestSignedMessage(form, *sequence, selection);
    claim.wellFormed = true;
    return claim;
}

SignedManifestClaim readSignedManifestClaim(const std::vector<ManifestPair>& pairs,
                                            const ManifestSelection& selection) {
    return readSignatureClaim(requiredSignatureForm(selection), pairs, selection);
}

bool isUsableSignedManifest(const SignedManifestClaim& claim, bool signatureVerified,
                            std::uint64_t highestAccepted) {
    return claim.wellFormed && signatureVerified && claim.sequence >= highestAccepted;
}

std::string manifestGeneralSignedMessage(const std::vector<ManifestPair>& pairs) {
    std::vector<const ManifestPair*> members;
    for (const ManifestPair& pair : pairs) {
        if (pair.key.rfind(kSignatureMember, 0) == 0) continue;
        if (pair.key.find('\n') != std::string::npos || pair.value.find('\n') != std::string::npos)
            return std::string();
        members.push_back(&pair);
    }
    std::sort(members.begin(), members.end(), [](const ManifestPair* a, const ManifestPair* b) { return a->key < b->key; });
    std::string message = kSignedMessageTagGeneral;
    message += '\n';
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (i > 0 && members[i]->key == members[i - 1]->key) return std::string();
        message += members[i]->key + '\n' + members[i]->value + '\n';
    }
    return message;
}

SignedManifestClaim readGeneralSignatureClaim(const std::vector<ManifestPair>& pairs) {
    SignedManifestClaim claim;
    const std::string* signature = lastMember(pairs, kGeneralSignatureMember);
    const std::string* sequence = lastMember(pairs, kSequenceMember);
    if (signature == nullptr || !parseManifestSignature(*signature, claim.signature)) return claim;
    if (sequence != nullptr && !parseManifestSequence(*sequence, claim.sequence)) return claim;
    claim.message = manifestGeneralSignedMessage(pairs);
    claim.wellFormed = !claim.message.empty();
    return claim;
}
