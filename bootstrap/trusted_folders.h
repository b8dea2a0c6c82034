#pragma once
// The elevated starter's folders: the game directory kept safe from being
// replaced, and work folders that only administrators can change.

#include <string>

#include "bootstrap/folder_trust.h"

// What the folder at `path` is, read through a handle that does not follow links.
FolderDescription describeFolder(const std::wstring& path);

// Makes the game directory when it is missing and repairs its owner and
// descriptor in place when they let others replace it. False when it is not a
// plain folder at that path or cannot be made safe: then nothing in it is trusted.
bool prepareGameDirectory(const std::wstring& path);

// Leaves `path` a trusted work folder: an existing one that fails the check is
// renamed aside (never followed, never deleted) and a protected one made anew.
bool prepareTrustedFolder(const std::wstring& path);

// True when `path` is an existing trusted folder. Anything else found there is
// renamed aside so that it is never searched, read or run.
bool checkTrustedFolder(const std::wstring& path);

// Renames whatever is at `path` (a link itself, not its target) to the first free
// `path` + suffix + number. False when nothing could be renamed.
bool setAside(const std::wstring& path, const wchar_t* suffix, std::wstring* newPath = nullptr);
