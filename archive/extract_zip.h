#pragma once

#include <string>

// Unpacks every entry of the archive under destDir; false on the first failure.
bool extractZip(const std::wstring& zipPath, const std::wstring& destDir);
