#pragma once
// A runtime update through a delta from the installed runtime, and which
// deltas a signed manifest vouches for.

#include <string>
#include <vector>

#include "bootstrap/sequence_run.h"

enum class DeltaUpdate {
    Updated,      // the new runtime is published: its Java is in `javaExecutable`
    FallBack,     // nothing changed: the full archive is fetched instead
    RuntimeBusy,  // built, but the installed runtime could not be moved: it is used this time
};

// Fetches the offered delta, builds staging from the installed runtime with it,
// checks it and publishes it, recording the manifest's archive as its source.
DeltaUpdate updateFromDelta(const SequenceRun& run, const RuntimeDeltaOffer& offer, std::wstring& javaExecutable);

// In a build with keys, deltas are taken only under a general signature that
// verifies; otherwise the selection's offers are dropped.
void keepSignedRuntimeDeltas(SequenceRun& run, const std::vector<ManifestPair>& pairs);
