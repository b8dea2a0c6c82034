#include "bootstrap/runtime_folder.h"

#include <windows.h>

#include "files/busy_retry.h"
#include "files/tree_removal.h"
#include "files/trusted_folders.h"

bool prepareStagingFolder(const std::wstring& stagingFolder, const wchar_t* staleSuffix) {
    if (!clearFolderPath(stagingFolder, staleSuffix)) return false;
    return prepareTrustedFolder(stagingFolder);
}

bool publishStagingFolder(const std::wstring& stagingFolder, const std::wstring& javaFolder, const wchar_t* oldSuffix) {
    std::wstring old;
    if (describeFolder(javaFolder).exists && !setAside(javaFolder, oldSuffix, &old)) return false;
    // A folder rename within one volume is one step: the runtime appears whole or not at all.
    const auto publish = [&] {
        return retryWhileBusy(
            [&] { return MoveFileExW(stagingFolder.c_str(), javaFolder.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE; });
    };
    if (!publish()) {
        // The old runtime goes back rather than leaving no runtime at all.
        if (!old.empty())
            retryWhileBusy([&] { return MoveFileExW(old.c_str(), javaFolder.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE; });
        return false;
    }
    if (!old.empty()) removeTreeWithoutFollowing(old);  // what cannot go is left aside, out of the way
    return true;
}
