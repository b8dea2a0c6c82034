#pragma once
// What a launch starts from, held open so that between the last check and the new
// process nothing on the way can be renamed, replaced or written.

#include <string>
#include <vector>

#include "base/unique_handle.h"

using LaunchHold = std::vector<UniqueFileHandle>;

// Opens each folder without delete sharing and `program` with read sharing only,
// none through a link, each at exactly its path. False, holding nothing, when one
// cannot be opened so (someone holds it with delete or write access, or it is a
// link or not where it was): then it is not safe to start.
bool holdForLaunch(const std::vector<std::wstring>& folders, const std::wstring& program, LaunchHold& hold);
