#pragma once
// Signed manifests: the two extra members, the message their signature covers,
// and what makes one server's manifest usable in a build with a signing key.
// Plain C++ with no platform headers, so it also builds natively.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "bootstrap/manifest.h"

inline constexpr const char* kSequenceMember = "sequence";

// The forms a manifest is signed in, each over its own message under its own
// member. Every starter checks the least form that covers all it follows, so
// one manifest carries every form up to that one: starters built before a form
// existed keep checking the older form's member and still verify.
enum class SignatureForm {
    V1,  // the jar and the runtime
    V2,  // and the starter entry
};
struct SignatureFormNames {
    const char* member;
    const char* tag;  // the message's first line
};
inline constexpr SignatureFormNames kSignatureForms[] = {
    {"signature", "morvanta-manifest-v1"},
    {"signature-v2", "morvanta-manifest-v2"},
};
inline constexpr const char* kSignatureMember = kSignatureForms[0].member;

// The general form: a third signature over every member whose name does not
// start with "signature", sorted by name, beside the older ones, so that older
// starters still verify what they know. Runtime deltas are taken only under it.
inline constexpr const char* kGeneralSignatureMember = "signature-v3";
inline constexpr const char* kSignedMessageTagGeneral = "morvanta-manifest-v3";

// An ECDSA P-256 public key: its two coordinates, 32 bytes each, big-endian.
struct ManifestPublicKey {
    std::array<unsigned char, 32> x;
    std::array<unsigned char, 32> y;
};

// r then s, 32 bytes each, big-endian.
using ManifestSignature = std::array<unsigned char, 64>;

// 1 to 19 decimal digits and nothing else, at most 2^63 - 1.
bool parseManifestSequence(const std::string& text, std::uint64_t& sequence);

// Exactly 128 hex digits of either case.
bool parseManifestSignature(const std::string& text, ManifestSignature& signature);

// Exactly 64 hex digits of either case.
bool isSha256Hex(const std::string& text);

// The least form that covers every entry of the selection.
SignatureForm requiredSignatureForm(const ManifestSelection& selection);

// Every form a publisher signs for this selection: V1 up to the required one.
std::vector<SignatureForm> signatureFormsFor(const ManifestSelection& selection);

// The text `form` signs: URLs as read, digests in lower case. A form leaves out
// what it does not cover, so V1 of a selection with a starter entry is what a
// starter that knows no entries builds.
std::string manifestSignedMessage(SignatureForm form, const std::string& sequenceText,
                                  const ManifestSelection& selection);
// The message of the selection's required form.
std::string manifestSignedMessage(const std::string& sequenceText, const ManifestSelection& selection);

// What a signed manifest claims, before its signature is checked.
struct SignedManifestClaim {
    bool wellFormed = false;  // sequence and signature parse, every digest is 64 hex digits
    std::uint64_t sequence = 0;
    ManifestSignature signature{};
    std::string message;
};

// The claim of one form: its member and its message. From the manifest's pairs
// (the last member of each name counts) and its selection.
SignedManifestClaim readSignatureClaim(SignatureForm form, const std::vector<ManifestPair>& pairs,
                                       const ManifestSelection& selection);

// The claim this starter checks: that of the required form.
SignedManifestClaim readSignedManifestClaim(const std::vector<ManifestPair>& pairs,
                                            const ManifestSelection& selection);

// A well-formed claim whose signature verified is usable unless this machine
// accepted a higher sequence before. The same sequence again is the same release.
bool isUsableSignedManifest(const SignedManifestClaim& claim, bool signatureVerified,
                            std::uint64_t highestAccepted);

// The general form's message: the tag, then each member's name and value on
// lines of their own. Empty when a name repeats or a name or value holds a line
// end: such a manifest has no unambiguous general form.
std::string manifestGeneralSignedMessage(const std::vector<ManifestPair>& pairs);

// The general signature as a manifest carries it; not well-formed without it.
SignedManifestClaim readGeneralSignatureClaim(const std::vector<ManifestPair>& pairs);
