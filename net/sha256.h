#pragma once
// SHA-256 of a file on disk, as text.

#include <string>

// 64 lower-case hex digits, or the empty string when the file cannot be opened
// or read to its end, or hashing fails.
std::string computeFileSha256(const std::wstring& path);
