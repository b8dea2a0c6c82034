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
inline constexpr const char* kSignatureMember = "signature";
inline constexpr const char* kSignedMessageTag = "morvanta-manifest-v1";
// A manifest with a starter entry is signed as v2, which covers that entry too;
// one without stays v1, so what was signed before stays valid.
inline constexpr const char* kSignedMessageTagWithStarter = "morvanta-manifest-v2";

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

// The signed text for a selection: URLs as read, digests in lower case; v2 when
// the selection has a starter entry.
std::string manifestSignedMessage(const std::string& sequenceText, const ManifestSelection& selection);

// What a signed manifest claims, before its signature is checked.
struct SignedManifestClaim {
    bool wellFormed = false;  // sequence and signature parse, every digest is 64 hex digits
    std::uint64_t sequence = 0;
    ManifestSignature signature{};
    std::string message;
};

// From the manifest's pairs (the last member of each name counts) and its selection.
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
