#pragma once
// Which archive entry names may be joined to the destination folder.

#include <string>

// True when the UTF-8 entry name stays inside the folder it is unpacked into:
// not empty, no NUL, no colon anywhere (drive letters, alternate data streams),
// no leading slash or backslash, no component of only dots and spaces other
// than ".", no reserved device name (CON, NUL, COM1, COM¹, ...) as a component, and no
// component Win32 would read as another name: a trailing dot or space, or "~"
// followed by a digit (a possible short name).
bool isSafeEntryName(const std::string& utf8Name);
