#pragma once
// The highest manifest sequence this machine has accepted, kept in a small file.

#include <cstdint>
#include <string>

// The stored sequence; 0 when the file is missing or does not hold one.
std::uint64_t readAcceptedSequence(const std::wstring& path);

// Replaces the file so that a crash leaves either the old or the new number:
// written beside it, flushed to disk, then moved over it.
bool storeAcceptedSequence(const std::wstring& path, std::uint64_t sequence);
