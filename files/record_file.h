#pragma once
// Opening a record file of the starter's own for reading, with what the trust rules need to know of it.

#include <windows.h>

#include <string>

#include "base/unique_handle.h"
#include "files/record_trust.h"

// Opens `path` for reading and its descriptor without following a link, sharing
// only reading. Empty on failure, with GetLastError telling why.
UniqueFileHandle openRecordFile(const std::wstring& path);

// What the open file is, read through its handle.
FileDescription describeRecordFile(HANDLE file, const std::wstring& path);
