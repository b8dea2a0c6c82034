#include "bootstrap/runtime_folder.h"

#include <windows.h>

#include "files/busy_retry.h"
#include "files/tree_removal.h"
#include "files/trusted_folders.h"

bool prepareStagingFolder(const std::wstring& stagingFolder) {
    if (!clearFolderPath(stagingFolder, L".stale-")) return false;
    return prepareTrustedFolder(stagingFolder);
}

bool publishStagingFolder(const std::wstring& stagingFolder, const std::wstring& javaFolder) {
    if (describeFolder(javaFolder).exists) {
        std::wstring old;
        if (!setAside(javaFolder, L".old-", &old)) return false;
        removeTreeWithoutFollowing(old);  // what cannot go is left aside, out of the way
    }
    // A folder rename within one volume is one step: the runtime appears whole or not at all.
    return retryWhileBusy(
        [&] { return MoveFileExW(stagingFolder.c_str(), javaFolder.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE; });
}
