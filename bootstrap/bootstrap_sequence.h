#pragma once
// The whole work of a run, on the worker thread: work folders, manifest, a newer
// starter, launcher jar, Java runtime, launch. Each failure ends it with one
// fixed message.

#include "bootstrap/sequence_run.h"

void runBootstrapSequence(const BootstrapConfig& config, const SequenceEffects& effects);
