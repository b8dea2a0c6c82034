#pragma once
// Making runtime deltas, and applying them in memory to check what they build.
// Deltas are made per file over the unpacked trees: the files inside a zip are
// deflated, so two archives share almost no bytes even when their files do.

#include <map>
#include <set>
#include <string>

#include "archive/delta_file.h"

// An unpacked runtime: files by name ("/" between folders) and folders.
struct RuntimeTree {
    std::map<std::string, std::string> files;
    std::set<std::string> folders;
};

// Unpacks the archive through `scratchFile` with the starter's zip reader. Empty on success, else why not.
std::string readRuntimeTree(const std::string& zipPath, const std::string& scratchFile, RuntimeTree& tree);

// The delta file that builds `to` from `from`, zstd at `level`. Empty on success, else why not.
std::string makeRuntimeDelta(const RuntimeTree& from, const RuntimeTree& to, const DeltaDigest& fromArchive,
                             const DeltaDigest& toArchive, int level, std::string& delta);

// Reads `delta` and builds its tree from `base` as the starter would. Empty on success, else why not.
std::string applyRuntimeDelta(const std::string& delta, const RuntimeTree& base, DeltaHeader& header,
                              RuntimeTree& built);

// Where two trees differ, or empty when they hold the same files and folders.
std::string compareRuntimeTrees(const RuntimeTree& expected, const RuntimeTree& actual);

// `java-x64.from-<hex>.delta`, the file name the starter's manifest reader expects.
std::string runtimeDeltaFileName(const DeltaDigest& fromArchive);
