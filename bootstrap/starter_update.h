#pragma once
// Whether this program hands over to a newer starter that the manifest names,
// and the step that does it.

#include <string>

#include "bootstrap/operations.h"
#include "bootstrap/work_folder.h"

enum class HandoverChoice {
    NoEntry,            // the manifest names no starter
    NoSigningKeys,      // only a signature can vouch for a program to run elevated
    AlreadyHandedOver,  // running from the starter folder: never again, so never a loop
    SameProgram,        // this program is the one named
    KnownToFail,        // the named program failed to come up before
    HandOver,
};

// Digests are compared without regard to letter case; an empty one matches nothing.
HandoverChoice chooseHandover(bool hasSigningKeys, const std::string& entryUrl, const std::string& entryDigest,
                              const std::string& ownDigest, bool runningFromStarterFolder,
                              const std::string& failedDigest);

// True when `path` lies inside `folder` (letter case ignored, as Windows does).
bool isInsideFolder(const std::wstring& path, const std::wstring& folder);

// Fetches the named starter into the work folder's "starter" folder and hands
// over to it. True when the new program is up and this one is to end.
bool handOverToNewStarter(bool hasSigningKeys, const BootstrapOperations& ops, const WorkFolder& workFolder,
                          const ManifestSelection& selection);
