#pragma once
// The record of which archive the runtime in the work folder was unpacked from,
// so a new archive in the manifest is noticed on machines that have a runtime.

#include <string>

// The recorded digest (64 hex digits), or empty when there is no usable record.
std::string readRuntimeSource(const std::wstring& path);

// Writes the digest durably: a private `replacement`, flushed, then put in place by one replace.
bool storeRuntimeSource(const std::wstring& path, const std::wstring& replacement, const std::string& digest);
