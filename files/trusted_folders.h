#pragma once
// The elevated starter's folders: the game directory kept safe from being
// replaced, and work folders that only administrators can change.

#include <string>
#include <vector>

#include "files/folder_trust.h"

// What the folder at `path` is, read through a handle that does not follow links;
// without `withSecurity` its descriptor is not read (a cheaper look for links).
FolderDescription describeFolder(const std::wstring& path, bool withSecurity = true);

// The same through a handle already open (with READ_CONTROL) on `path`, folder or file.
FolderDescription describeOpenEntry(void* handle, const std::wstring& path);

// Makes the game directory when it is missing (with `workFolder` in it, trusted with
// no link at `workFolderFixedNames`, before players may write to it) and repairs its
// owner and descriptor in place when they let others replace it (taking ownership
// first when its descriptor refuses even to be read). False when it is not a plain
// folder at that path or cannot be made safe: then nothing in it is trusted.
bool prepareGameDirectory(const std::wstring& path, const std::wstring& workFolder,
                          const std::vector<std::wstring>& workFolderFixedNames);

// Leaves `path` a trusted work folder: an existing one that fails the check, or
// that holds a link at one of `fixedNames`, is renamed aside (never followed,
// never deleted) and a protected one made anew.
// `setAsidePath`, when given, receives where a failed folder went (empty when none did).
bool prepareTrustedFolder(const std::wstring& path, const std::vector<std::wstring>& fixedNames = {},
                          std::wstring* setAsidePath = nullptr);

// True when `path` is an existing trusted folder with no link at `fixedNames`.
// Anything else found there is renamed aside so that it is never searched, read or run.
bool trustOrSetAside(const std::wstring& path, const std::vector<std::wstring>& fixedNames = {},
                     std::wstring* setAsidePath = nullptr);

// True when an entry of `folder` at one of `names` is a link (or, under Wine,
// leads elsewhere).
bool holdsLinkAt(const std::wstring& folder, const std::vector<std::wstring>& names);

// The suffix of folders set aside as untrusted, whatever folder they were.
inline constexpr const wchar_t* kUntrustedSuffix = L".untrusted-";

// Renames the entry at `path` itself (a file, a folder, a link as a link) to `newPath`
// through a handle to it. Windows opens a link as the link here; Wine opens its target
// even so (and its MoveFileExW moves the target), so a handle that does not lead to
// `path` is refused rather than acted through.
bool renameEntryItself(const std::wstring& path, const std::wstring& newPath, bool replaceExisting = false);

// Renames whatever is at `path` (a link itself, not its target) to `path` + suffix +
// 16 random hex digits. False when nothing could be renamed without following a link.
bool setAside(const std::wstring& path, const wchar_t* suffix, std::wstring* newPath = nullptr);

// The account and whether this platform stores descriptors, decided once a run by
// a probe in the first folder asked about (`folder` is only used that first time).
const TrustContext& trustContextOfRun(const std::wstring& folder);
