#pragma once
// Taking a file the starter already verified once out of a folder that was set aside.

#include <string>

#include "net/download.h"

// Puts a copy of `source` at files.target when its digest is the expected one: the
// source is hashed through a handle that follows no link and copied only on a
// match, into a fresh files.partial whose digest is taken as it is written, then
// put in place like a download. False when anything differs; an empty digest
// never matches. A planted file of any size is read once and never copied.
bool copyVerifiedFile(const std::wstring& source, const DownloadFiles& files, const std::string& expectedSha256);
