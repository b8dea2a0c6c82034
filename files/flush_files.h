#pragma once
// Forces unpacked files to disk before their folder is published.

#include <string>
#include <vector>

// Flushes each file's data and metadata to the disk; false when one cannot be
// opened or flushed. One pass after all files are written was the cheapest way
// measured (bench/unzip_flush_bench.sh): by then the system has written most
// data back, where a flush as each file closes, or on a thread behind the
// unpacking, waits for every file's data in turn.
bool flushFilesToDisk(const std::vector<std::wstring>& paths);
