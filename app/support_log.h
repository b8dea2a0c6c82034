#pragma once
// The support log of this run: one UTF-8 line per event, kept in memory and
// written out at a few points of the run, so logging never slows a step down.

#include <string>

// Adds one event line; the time and the milliseconds since start are put before it.
// Never fails and never blocks on the disk. Safe from any thread.
void logEvent(const std::string& text);

// The text as UTF-8, for log lines.
std::string toUtf8(const std::wstring& text);
