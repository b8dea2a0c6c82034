#pragma once
// Removing a folder tree the starter made, without ever following a link out of it.

#include <string>
#include <vector>

// Deletes `path` and everything under it. Links (junctions, symbolic links) are
// removed as links, never entered; what cannot be removed without following a
// link is left. True when nothing is left at `path`.
bool removeTreeWithoutFollowing(const std::wstring& path);

// Removes a leftover folder, or when that is not fully possible renames what is
// left aside with `suffix`, so that `path` is free afterwards. True when it is.
bool clearFolderPath(const std::wstring& path, const wchar_t* suffix);

// Removes every entry of `folder` whose name matches one of `patterns` (with `*`
// wildcards), links as links: what earlier runs set aside there.
void removeMatching(const std::wstring& folder, const std::vector<std::wstring>& patterns);
