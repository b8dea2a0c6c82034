#pragma once

#include <string>

#include "archive/unpack_entries.h"

// Unpacks every entry of the archive under destDir; false on the first failure.
bool extractZip(const std::wstring& zipPath, const std::wstring& destDir);

// Where entries unpacked under destDir go: each folder made with every level above
// it; an entry whose UTF-8 output path would not fit 519 bytes has no place.
UnpackPlaces folderPlaces(const std::wstring& destDir);
