#pragma once
// The runtime is unpacked beside its folder and published by one rename, so a
// cut run never leaves a half runtime where later starts would find and run it.

#include <string>

// Removes what an earlier cut run left at `stagingFolder` (links as links; what
// cannot go is renamed aside with `staleSuffix`) and makes it anew as a trusted folder.
bool prepareStagingFolder(const std::wstring& stagingFolder, const wchar_t* staleSuffix);

// Moves an existing `javaFolder` aside (with `oldSuffix`), renames the staging
// folder to `javaFolder` and removes the old one; when the rename fails the old one
// is moved back. False when the old runtime cannot be moved (a process holds it).
bool publishStagingFolder(const std::wstring& stagingFolder, const std::wstring& javaFolder, const wchar_t* oldSuffix);
