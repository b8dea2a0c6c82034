#pragma once
// Where the support log is written: the latest run as "starter.log" in the
// trusted work folder's "logs", the four before it as "starter.1.log" to
// "starter.4.log", each capped in size.

#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::uint64_t kSupportLogCapBytes = 256 * 1024;
inline constexpr int kOlderSupportLogs = 4;
inline constexpr const char* kSupportLogCutLine = "(the rest of this run's log was cut: the file reached its size cap)\n";

// What of `lines` (each ending in a line break) still fits in a file that holds
// `written` bytes; the first line that does not fit is replaced by the cut line,
// which always fits because the cap keeps room for it, and nothing follows.
// `written` and `cut` are updated for the next call.
std::string fitUnderCap(const std::vector<std::string>& lines, std::uint64_t& written, bool& cut,
                        std::uint64_t cap = kSupportLogCapBytes);

// "starter.log" for 0, else "starter.<n>.log".
std::wstring supportLogName(int generation);

// Moves starter.log to starter.1.log and so on, dropping the oldest, each through a
// handle to the entry itself: a link is never followed. Best effort.
void rotateSupportLogs(const std::wstring& logsFolder);

// The folder the log is written in, inside the trusted work folder. Until it is
// known, lines stay in memory.
void setSupportLogFolder(const std::wstring& logsFolder);

// Writes what was logged since the last write. The first write of a run rotates the
// older logs. Does nothing when no folder is known or the log cannot be written.
void flushSupportLog();
