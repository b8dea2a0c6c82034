#pragma once
// The record of which archive the runtime in the work folder was unpacked from,
// so a new archive in the manifest is noticed on machines that have a runtime.

#include <string>

#include "bootstrap/runtime_choice.h"

// The record: Present with the digest (64 hex digits; empty for any other text),
// None when there is no file, Unreadable when it exists but cannot be read.
RuntimeSource readRuntimeSource(const std::wstring& path);

// Writes the digest (or kUnknownRuntimeSource) durably: a private `replacement`,
// flushed, then put in place by one replace.
bool storeRuntimeSource(const std::wstring& path, const std::wstring& replacement, const std::string& digest);
