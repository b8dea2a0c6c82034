#pragma once
// Downloads through a partial file, verified by SHA-256, with progress to the caller.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "net/digest_text.h"
#include "net/download_progress.h"

// Waits the given milliseconds between attempts.
using RetryPause = std::function<void(std::uint32_t ms)>;

// The file a download puts in place, the partial file it is fetched into, and the
// record beside that partial file that lets a later attempt ask for the rest.
struct DownloadFiles {
    std::wstring target;
    std::wstring partial;
    std::wstring resumeRecord;
};

// Sees the partial file's bytes in order as they are written, so another reader (the
// runtime's unpacker) needs no second pass over the file. Every member is optional.
struct PartObserver {
    // The partial file starts again from nothing.
    std::function<void()> emptied;
    // `count` bytes of the partial file at `offset`: on a resume its kept bytes come
    // first, from 0, then the received ones.
    std::function<void(std::uint64_t offset, const unsigned char* data, std::size_t count)> bytes;
    // The digest matched; false fails the download and leaves the target as it was.
    std::function<bool()> accept;
};

// True only when files.target holds the file with the expected digest: kept when it is
// already there, else fetched into files.partial, checked, and put in place by
// one atomic replace (the old file stays whenever that fails). An empty digest
// always downloads and accepts any complete body. While fetching, the status line
// goes to `publish`, with the speed measured by `clock`, which also finds stalled bodies.
// A failed or cut attempt keeps its partial file and files.resumeRecord, so the next
// attempt can ask for the rest; a file that failed by connection, stall, cut or a 5xx
// status is tried up to three more times, `pause` (Sleep when empty) waiting between.
// An `observer` sees the partial file's bytes; a target kept as intact shows it none.
bool downloadFile(const std::string& url, const DownloadFiles& files, const std::string& expectedSha256,
                  const StatusPublisher& publish, const DownloadClock& clock, const RetryPause& pause = RetryPause(),
                  const PartObserver* observer = nullptr);

