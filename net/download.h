#pragma once
// Downloads through a partial file, verified by SHA-256, with progress in the shared state.

#include <string>

// True only when targetPath holds the file with the expected digest (kept or fetched).
bool downloadFile(const std::string& url, const std::wstring& targetPath,
                  const std::string& expectedSha256);
