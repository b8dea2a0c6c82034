#pragma once
// Files the elevated starter reads or replaces, opened without following links.

#include <windows.h>

#include <string>

#include "base/unique_handle.h"

// `path` (absolute, with a drive letter) as the system's own name for it, which
// Win32 path conversion leaves alone: a name such as "COM1" or "x." in it then
// names that entry, not a device or another file.
std::wstring verbatimPath(const std::wstring& path);

// True when the open handle leads to exactly `path` (no link on the way).
bool handleIsAt(HANDLE handle, const std::wstring& path);

// Opens an existing regular file for reading, sharing only reading. Empty when
// the path is a link, a folder, a file with more than one name (a hard link can
// tie it to a file someone else may change), or leads elsewhere.
UniqueFileHandle openPlainFileForReading(const std::wstring& path);
