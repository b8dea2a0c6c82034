#pragma once
// Taking a file the starter already verified once out of a folder that was set aside.

#include <string>

// Puts a copy of `source` at targetPath when its digest is the expected one: the
// source is hashed through a handle that follows no link and copied only on a
// match, into a fresh partial file whose digest is taken as it is written, then
// put in place like a download. False when anything differs; an empty digest
// never matches. A planted file of any size is read once and never copied.
bool copyVerifiedFile(const std::wstring& source, const std::wstring& targetPath, const std::string& expectedSha256);
