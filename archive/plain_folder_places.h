#pragma once
// Where unpacked entries go on native builds: under a folder, with the standard file API.

#include <string>

#include "archive/unpack_entries.h"

// Folders are made with every folder above them; a folder that cannot be made
// shows when a file inside it cannot be written. With `backslashSeparates`, a
// backslash in a name separates folders as a slash does, as on Windows.
UnpackPlaces plainFolderPlaces(const std::string& destDir, bool backslashSeparates);
