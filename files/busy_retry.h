#pragma once
// Renames, replaces and deletes of the starter's own files, tried again for a moment
// while a scanner or indexer holds the file.

#include <cstdint>
#include <functional>

// How long a step that keeps failing as busy is tried again.
inline constexpr unsigned kBusyRetryMilliseconds = 3000;

// Runs `step` until it succeeds, fails with another error than a sharing violation,
// access denied or a folder not yet empty, or kBusyRetryMilliseconds have passed.
// GetLastError then tells why the last try failed.
bool retryWhileBusy(const std::function<bool()>& step);

// For removals, which any user can make fail by planting: only a sharing violation
// (a scanner, a process that holds the file) is tried again, and not past `deadline`
// (a GetTickCount64 value) nor kBusyRetryMilliseconds.
bool retryWhileShared(const std::function<bool()>& step, std::uint64_t deadline);
