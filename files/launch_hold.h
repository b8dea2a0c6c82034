#pragma once
// What a launch starts from, held open so that between the last check and the new
// process nothing on the way can be renamed, replaced or written, and judged again
// through the held handles: a folder put in place of a checked one is refused.

#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "files/folder_trust.h"

using LaunchHold = std::vector<UniqueFileHandle>;

// What a work folder was when it was last found trusted, made or published in this
// run; the hold refuses any other object at that path.
void rememberCheckedFolder(const std::wstring& path, const FileIdentity& identity);
void forgetCheckedFolder(const std::wstring& path);
// After the starter's own rename of a checked folder from `from` to `to`.
void carryCheckedFolder(const std::wstring& from, const std::wstring& to);

// Opens `folders` (the game directory first, then work folders) for listing without
// delete sharing and `program` for reading with read sharing only, none through a
// link, all with READ_CONTROL, and judges each held handle: the game directory
// usable and in no need of repair, each work folder trusted and the very one
// checked, the program one name with a trusted owner. False, holding nothing, when
// one cannot be opened so (someone holds it with delete or write access) or fails:
// the support log names it and why.
bool holdForLaunch(const std::vector<std::wstring>& folders, const std::wstring& program, LaunchHold& hold);

// The held program (the last handle) opened anew with delete sharing as well, and
// the first handle closed: only administrators may rename it (its folder is trusted
// and held), and the starter itself must be able to set it aside. A handle with
// delete access kept from before would have made the first open fail.
bool letOwnRenameThrough(LaunchHold& hold);
