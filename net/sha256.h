#pragma once
// SHA-256 of a file on disk, as text.

#include <windows.h>

#include <string>

// 64 lower-case hex digits, or the empty string when the file cannot be opened
// or read to its end, or hashing fails.
std::string computeFileSha256(const std::wstring& path);

// The same over a file already open for reading, from its current position to its end.
std::string computeHandleSha256(HANDLE file);
