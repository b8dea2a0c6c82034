#pragma once
// The runtime is unpacked beside its folder and published by one rename, so a
// cut run never leaves a half runtime where later starts would find and run it.

#include <string>

// Removes what an earlier cut run left at `stagingFolder` (links as links) and
// makes it anew as a trusted folder.
bool prepareStagingFolder(const std::wstring& stagingFolder);

// Moves an existing `javaFolder` aside and removes it, then renames the
// staging folder to `javaFolder`.
bool publishStagingFolder(const std::wstring& stagingFolder, const std::wstring& javaFolder);
