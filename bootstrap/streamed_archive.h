#pragma once
// The runtime archive fetched and unpacked in one pass: the bytes written to its
// partial file go to the unpacker as well, and nothing is put in place before the
// archive's digest matches and its central directory agrees with every entry.

#include <string>

#include "bootstrap/sequence_effects.h"
#include "net/download.h"

ArchiveArrival downloadUnpackingArchive(const std::string& url, const DownloadFiles& files,
                                        const std::string& expectedSha256, const std::wstring& stagingFolder,
                                        const StatusPublisher& publish, const DownloadClock& clock);
