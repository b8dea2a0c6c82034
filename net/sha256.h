#pragma once
// SHA-256 of a file on disk, as text.

#include <windows.h>

#include <cstddef>
#include <string>

#include "base/bcrypt_handle.h"

// 64 lower-case hex digits, or the empty string when the file cannot be opened
// or read to its end, or hashing fails.
std::string computeFileSha256(const std::wstring& path);

// The same over a file already open for reading, from its current position to its end.
std::string computeHandleSha256(HANDLE file);

// A digest computed over bytes as they arrive, so a file being written need not be read again.
class Sha256Stream {
public:
    Sha256Stream();
    Sha256Stream(const Sha256Stream&) = delete;
    Sha256Stream& operator=(const Sha256Stream&) = delete;

    // False once anything failed; later calls then do nothing.
    bool update(const void* data, std::size_t size);
    // 64 lower-case hex digits of everything added, or empty after a failure. Once only.
    std::string finish();

private:
    UniqueBcryptHash hash_;
    bool failed_ = false;
};
