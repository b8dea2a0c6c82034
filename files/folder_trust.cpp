#include "files/folder_trust.h"

namespace {

// Grants `rights` to someone untrusted, on the folder itself or (when inherited) on what is made in it.
bool grantsOthers(const SecurityDescription& security, std::uint32_t rights, bool countChildren,
                  const std::string& currentUserSid) {
    if (!security.hasDacl) return true;
    for (const AccessEntry& entry : security.entries) {
        if (!entry.allows || (entry.mask & rights) == 0) continue;
        if (isTrustedPrincipal(entry.sid, currentUserSid)) continue;
        if (entry.inheritOnly) {
            // The creator of a child in a folder nobody else can write to is a trusted principal.
            if (!countChildren || entry.sid == kCreatorOwnerSid) continue;
        }
        return true;
    }
    return false;
}

}  // namespace

bool isTrustedPrincipal(const std::string& sid, const std::string& currentUserSid) {
    return sid == kSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid ||
           (!currentUserSid.empty() && sid == currentUserSid);
}

bool isTrustedWorkFolder(const FolderDescription& folder, const std::string& currentUserSid) {
    if (!folder.exists || !folder.isDirectory || folder.isReparsePoint || !folder.finalPathMatches) return false;
    if (!isTrustedPrincipal(folder.security.ownerSid, currentUserSid)) return false;
    return !grantsOthers(folder.security, kTamperRights, true, currentUserSid);
}

bool gameDirectoryNeedsRepair(const SecurityDescription& security, const std::string& currentUserSid) {
    if (!isTrustedPrincipal(security.ownerSid, currentUserSid)) return true;
    return grantsOthers(security, kReplaceRights, false, currentUserSid);
}

bool isUsableGameDirectory(const FolderDescription& folder) {
    return folder.exists && folder.isDirectory && !folder.isReparsePoint && folder.finalPathMatches;
}
