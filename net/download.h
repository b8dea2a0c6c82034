#pragma once
// Downloads through a partial file, verified by SHA-256, with progress to the caller.

#include <string>

#include "net/download_progress.h"

// True only when targetPath holds the file with the expected digest: kept when it is
// already there, else fetched into targetPath + ".part", checked, and put in place by
// one atomic replace (the old file stays whenever that fails). An empty digest
// always downloads and accepts any complete body. While fetching, the status line
// goes to `publish`, with the speed measured by `clock`.
bool downloadFile(const std::string& url, const std::wstring& targetPath, const std::string& expectedSha256,
                  const StatusPublisher& publish, const DownloadClock& clock);

// Digest texts compared without regard to letter case; an empty one never matches.
bool sameDigest(const std::string& computed, const std::string& expected);
