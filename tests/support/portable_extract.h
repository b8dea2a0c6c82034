#pragma once
// The starter's unpacking loop (archive/unpack_entries.h) on the plain file API,
// for the native fuzz and differential runs; either slash separates, as on Windows.

#include <string>

bool extractZipPortable(const std::string& zipPath, const std::string& destDir);
