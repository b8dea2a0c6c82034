#pragma once
// Judging three update mirrors: does each answer, is its manifest complete,
// do they agree. Plain C++: the fetching happens elsewhere.

#include <cstdint>
#include <string>
#include <vector>

#include "bootstrap/manifest.h"
#include "net/resume_rules.h"

struct MirrorReport {
    std::string baseUrl;
    bool answered = false;      // the manifest GET gave status 200 and a whole body
    bool hasPairs = false;      // the starter's reader found at least one pair
    bool complete = false;      // both the jar and the runtime are named
    ManifestSelection selection;
    // Only when checked against public keys:
    bool signatureWellFormed = false;  // sequence and signature parse, digests are 64 hex digits
    bool signatureValid = false;       // and a listed key signed it
    std::uint64_t sequence = 0;
};

// What the starter would make of one mirror's answer.
MirrorReport judgeMirror(const std::string& baseUrl, bool answered, const std::vector<unsigned char>& body);

// Mirrors that answered completely but name other files or digests than the
// first complete one; a stale mirror shows up here.
std::vector<std::string> disagreeingMirrors(const std::vector<MirrorReport>& reports);

// The selection every player gets, whichever mirror answers: the first complete one.
const MirrorReport* referenceMirror(const std::vector<MirrorReport>& reports);

void recordSignature(MirrorReport& report, bool wellFormed, bool verified, std::uint64_t sequence);

// "<mirror>=<sequence>" for each validly signed mirror when their sequences
// differ (a rollout in progress), else nothing. Mirrors that fail are not counted.
std::vector<std::string> differingSequences(const std::vector<MirrorReport>& reports);

// Without regard to case; two empty digests agree (both mirrors name none).
bool digestsAgree(const std::string& a, const std::string& b);

// What a server's answers to a plain request for a file and to the range
// request a starter holding part of it would send said.
struct ResumeProbe {
    bool answered = false;   // the plain request was answered with status 200
    ResponseHeaders plain;
    ResumeRequest request;   // from 0 when a starter would not resume at all
    ResponseHeaders ranged;  // status 0 when not asked
};

// The request of a starter that holds `partLength` bytes of the file with
// `digest`, kept under the plain answer's validator: the starter's own rule.
ResumeRequest resumeRequestFor(const ResponseHeaders& plain, std::uint64_t partLength, const std::string& digest);

// Empty when a cut download of this file resumes, judged by the starter's own
// rule for range answers; else what players lose.
std::string resumeWarning(const ResumeProbe& probe);

// `url` with its scheme, host and port replaced by `base` (scheme://host[:port]):
// the same file fetched through another mirror or CDN.
std::string urlThrough(const std::string& base, const std::string& url);
