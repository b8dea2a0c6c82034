#pragma once
// The unpacking loop of the starter over the zip reader, on a plain file API,
// for the native fuzz and differential runs: same reader, same name rule.

#include <string>

bool extractZipPortable(const std::string& zipPath, const std::string& destDir);
