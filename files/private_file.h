#pragma once
// Files of the starter's own that standard users must not read or hold open: what
// it hashes, replaces or keeps as its record. A user who could open them without
// sharing could stall or fail an elevated run.

#include <windows.h>

#include <string>
#include <vector>

#include "base/unique_handle.h"

// Owner Administrators; full control for SYSTEM and Administrators only; nothing inherited.
inline constexpr const wchar_t* kPrivateFileSddl = L"O:BAG:SYD:P(A;;FA;;;SY)(A;;FA;;;BA)";

// CreateFileW with that descriptor for a file it makes; on an existing file with one
// name that is opened, the descriptor is written through the handle (CREATE_ALWAYS
// alone would keep the old one). Empty on failure (GetLastError tells why).
UniqueFileHandle createPrivateFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                                   DWORD flags = FILE_ATTRIBUTE_NORMAL);

// Writes the private descriptor on each existing file `names` in `folder` whose own
// descriptor lets anyone but SYSTEM and Administrators in, as files made by earlier
// versions do; links and files with a second name are left alone. For a trusted folder.
void makeFilesPrivate(const std::wstring& folder, const std::vector<std::wstring>& names);

// Writes a small record of the starter's own durably: a private `replacement`, flushed,
// then put in place by one replace, so `path` holds the old text or the new, never part.
bool writePrivateRecord(const std::wstring& path, const std::wstring& replacement, const std::string& text);
