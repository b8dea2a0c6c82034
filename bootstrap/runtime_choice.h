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

// `recordedDigest`: the archive digest recorded when the installed runtime was
// published (empty without a record). `archiveDigest`: the digest of the archive
// on disk, needed only when a runtime is installed without a record (empty when
// not computed or missing). An empty manifest digest names no particular archive.
RuntimeChoice chooseRuntime(bool installedFound, const std::string& recordedDigest,
                            const std::string& manifestDigest, const std::string& archiveDigest);

// Whether the archive on disk must be hashed before choosing.
inline bool runtimeChoiceNeedsArchiveDigest(bool installedFound, const std::string& recordedDigest) {
    return installedFound && recordedDigest.empty();
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
