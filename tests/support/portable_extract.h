#pragma once
// The starter's unpacking loop (archive/unpack_entries.h) on the plain file API,
// for the native fuzz and differential runs; either slash separates, as on Windows.

#include <string>

bool extractZipPortable(const std::string& zipPath, const std::string& destDir);

// The archive fed in small pieces to the unpack that reads it as it arrives; what it
// does not follow is unpacked whole into the emptied folder. "streamed", "whole file"
// or "failed".
std::string extractZipStreamingPortable(const std::string& zipPath, const std::string& destDir);
