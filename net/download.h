#pragma once
// Downloads through a partial file, verified by SHA-256, with progress to the caller.

#include <cstdint>
#include <functional>
#include <string>

#include "net/digest_text.h"
#include "net/download_progress.h"

// Waits the given milliseconds between attempts.
using RetryPause = std::function<void(std::uint32_t ms)>;

// True only when targetPath holds the file with the expected digest: kept when it is
// already there, else fetched into targetPath + ".part", checked, and put in place by
// one atomic replace (the old file stays whenever that fails). An empty digest
// always downloads and accepts any complete body. While fetching, the status line
// goes to `publish`, with the speed measured by `clock`, which also finds stalled bodies.
// A failed or cut attempt keeps its partial file and a record beside it, so the next
// attempt can ask for the rest; a file that failed by connection, stall, cut or a 5xx
// status is tried up to three more times, `pause` (Sleep when empty) waiting between.
bool downloadFile(const std::string& url, const std::wstring& targetPath, const std::string& expectedSha256,
                  const StatusPublisher& publish, const DownloadClock& clock, const RetryPause& pause = RetryPause());

