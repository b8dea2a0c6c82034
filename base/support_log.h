#pragma once
// The support log of this run: one UTF-8 line per event, kept in memory until
// the program's top writes it out (before a failure notice, before the launch,
// at the end), so logging never slows a step down and a log that cannot be
// written never changes the run.

#include <string>
#include <vector>

// Adds one event line; the time and the milliseconds since start are put before it.
// Never fails and never blocks on the disk. Safe from any thread.
void logEvent(const std::string& text);

// A URL as it may appear in the log: cut at '?', so no query string is kept.
std::string loggableUrl(const std::string& url);

// How a failed system call reads in the log, "what (error N)" with N from
// GetLastError, so every such line looks and greps the same.
std::string win32Failure(const std::string& what, unsigned long error);

// Hands over every line logged since the last call, each ending in a line break.
std::vector<std::string> takeLoggedLines();
