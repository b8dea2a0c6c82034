#pragma once
// Which archive entry names may be joined to the destination folder.

#include <string>

// True when the UTF-8 entry name stays inside the folder it is unpacked into:
// not empty, no NUL, no colon anywhere (drive letters, alternate data streams),
// no leading slash or backslash, no component of only dots and spaces other
// than ".", no reserved device name (CON, NUL, COM1, ...) as a component.
bool isSafeEntryName(const std::string& utf8Name);
