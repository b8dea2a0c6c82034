#pragma once
// Removing a folder tree the starter made, without ever following a link out of it.

#include <cstdint>
#include <string>
#include <vector>

// No time limit beyond each entry's own retries.
inline constexpr std::uint64_t kNoRemovalDeadline = UINT64_MAX;

// How long a start spends on what runs set aside; what is left waits for a later start.
inline constexpr unsigned kSetAsideRemovalBudgetMs = 2000;

// Deletes `path` and everything under it. Links (junctions, symbolic links) are
// removed as links, never entered; what cannot be removed without following a
// link is left, and so is everything once GetTickCount64 reaches `deadline`.
// Entries are named by their verbatim paths, so a planted "COM1" is a file, not a
// device. Only a sharing violation is tried again. True when nothing is left at `path`.
bool removeTreeWithoutFollowing(const std::wstring& path, std::uint64_t deadline = kNoRemovalDeadline);

// Removes a leftover folder, or when that is not fully possible renames what is
// left aside with `suffix`, so that `path` is free afterwards. True when it is.
bool clearFolderPath(const std::wstring& path, const wchar_t* suffix);

// Removes every entry of `folder` whose name matches one of `patterns` (with `*`
// wildcards), links as links, until `deadline`: what earlier runs set aside there.
// True when every one of them went.
bool removeMatching(const std::wstring& folder, const std::vector<std::wstring>& patterns,
                    std::uint64_t deadline = kNoRemovalDeadline);
