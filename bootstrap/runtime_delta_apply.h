#pragma once
// Builds a new runtime in the staging folder from the installed one and a
// runtime delta, checking every file it writes. The installed runtime is only read.

#include <string>

// `staging` must be empty and trusted; `fromSha256` and `toSha256` are the
// archives the delta must name. Empty when staging holds exactly the delta's
// tree with every file's size and SHA-256 as listed and flushed to disk; else
// why not (staging then holds anything and is for the caller to remove).
std::string buildStagingFromDelta(const std::wstring& deltaPath, const std::wstring& installedRuntime,
                                  const std::wstring& staging, const std::string& fromSha256,
                                  const std::string& toSha256);
