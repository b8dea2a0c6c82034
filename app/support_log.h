#pragma once
// The support log of this run: one UTF-8 line per event, kept in memory and
// written out at a few points of the run (before a failure notice, before the
// launch, at the end), so logging never slows a step down and a log that cannot
// be written never changes the run.

#include <string>

// Adds one event line; the time and the milliseconds since start are put before it.
// Never fails and never blocks on the disk. Safe from any thread.
void logEvent(const std::string& text);

// The text as UTF-8, for log lines.
std::string toUtf8(const std::wstring& text);

// A URL as it may appear in the log: cut at '?', so no query string is kept.
std::string loggableUrl(const std::string& url);

// The trusted work folder the log may be written under ("logs" inside it). Until it
// is known, lines stay in memory.
void setSupportLogFolder(const std::wstring& workFolder);

// Writes what was logged since the last write. The first write of a run rotates the
// older logs. Does nothing when no folder is known or the log cannot be written.
void flushSupportLog();
