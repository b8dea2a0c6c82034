#pragma once
// One HTTP or HTTPS GET at a time over WinHTTP, into memory or into an open file.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Called after every chunk with the bytes delivered so far and the announced
// length (0 when none was announced).
using ProgressCallback = std::function<void(std::int64_t received, std::int64_t total)>;

// A manifest larger than this is refused: one bad answer must not exhaust memory.
inline constexpr std::uint64_t kManifestSizeLimit = 1024 * 1024;

// Exactly one sink is used: `file` when it is not null, else `body`. True only for
// status 200 with the whole body delivered; a body shorter than its announced
// length is a failure. What was delivered before a failure stays in the sink.
bool httpGet(const std::string& url, std::vector<unsigned char>* body, HANDLE file,
             const ProgressCallback& onProgress);

// The manifest fetch: a GET into memory that fails once the body passes kManifestSizeLimit.
bool fetchManifestBody(const std::string& url, std::vector<unsigned char>& body);
