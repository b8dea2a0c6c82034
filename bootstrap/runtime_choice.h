#pragma once
// Which runtime a run uses: the installed one, or the archive the manifest names.
// Plain C++ with no platform headers, so it also builds natively.

#include <string>
#include <vector>

#include "bootstrap/manifest.h"

enum class RuntimeChoice {
    UseInstalled,    // the installed runtime is the one the manifest names, or nothing says otherwise
    AdoptInstalled,  // installed by a version that kept no record; its archive matches: record it, use it
    Install,         // no runtime installed: fetch and unpack
    Update,          // a runtime from another archive is installed: fetch, unpack, publish over it
};

// What the record of the installed runtime's archive ("java.source") held.
enum class SourceRecord {
    Present,     // read; `digest` is empty when the text is no digest (then it matches nothing)
    None,        // the file does not exist: a version that kept no record installed the runtime
    Unreadable,  // it exists but could not be read: it may say anything
};

struct RuntimeSource {
    SourceRecord record = SourceRecord::None;
    std::string digest;
};

// Stored for an installed runtime whose archive is not known: it matches no manifest.
inline constexpr const char* kUnknownRuntimeSource = "unknown";

// `archiveDigest`: the digest of the archive on disk, needed only when a runtime is
// installed without a record (empty when not computed or missing). An empty
// manifest digest names no particular archive. A record that cannot be read is
// neither trusted nor replaced by the archive on disk: the installed runtime runs.
RuntimeChoice chooseRuntime(bool installedFound, const RuntimeSource& recorded, const std::string& manifestDigest,
                            const std::string& archiveDigest);

// Whether the archive on disk must be hashed before choosing.
inline bool runtimeChoiceNeedsArchiveDigest(bool installedFound, const RuntimeSource& recorded) {
    return installedFound && recorded.record == SourceRecord::None;
}

// How a runtime that must be installed or updated is fetched.
struct RuntimeFetch {
    enum Kind { None, Delta, Full } kind = None;
    const RuntimeDeltaOffer* delta = nullptr;  // for Delta: the offer to fetch
};

// A delta only for an update whose installed runtime is recorded as unpacked from
// the offer's base, under checked digests (the last such offer counts); else the
// full archive; nothing when the installed runtime is used.
RuntimeFetch chooseRuntimeFetch(RuntimeChoice choice, const std::string& recordedDigest,
                                const std::string& manifestDigest, const std::vector<RuntimeDeltaOffer>& offers);

// What to record for the installed runtime before an update replaces it, so that an
// update cut short is taken up again rather than the new archive adopted for the old
// runtime: the kept archive's digest, else kUnknownRuntimeSource; empty when a
// record is there already (or cannot be read) and nothing is to be written.
std::string sourceToRecordBeforeUpdate(const RuntimeSource& recorded, const std::string& archiveDigest);
