#pragma once
// Putting a verified file in place of the old one.

#include <string>

// Renames `source` over `target` in one step: afterwards the new file or the old
// one is at `target`, never neither. Where the file system allows it, this works
// while another process holds the old target open with delete sharing (a virus
// scanner, the indexer, a launcher still running). True when the new file is in place.
bool replaceFile(const std::wstring& source, const std::wstring& target);
