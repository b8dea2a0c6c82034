#include "files/folder_trust.h"

#include <cstdio>

#include "base/text.h"

namespace {

// The first entry that grants `rights` to someone untrusted, on the folder itself or
// (when inherited) on what is made in it; null when there is none.
const AccessEntry* firstGrantToOthers(const SecurityDescription& security, std::uint32_t rights,
                                      bool countChildren, const TrustContext& context) {
    for (const AccessEntry& entry : security.entries) {
        if (!entry.allows || (entry.mask & rights) == 0) continue;
        if (isTrustedPrincipal(entry.sid, context)) continue;
        if (entry.inheritOnly) {
            // The creator of a child in a folder nobody else can write to is a trusted principal.
            if (!countChildren || entry.sid == kCreatorOwnerSid) continue;
        }
        return &entry;
    }
    return nullptr;
}

bool grantsOthers(const SecurityDescription& security, std::uint32_t rights, bool countChildren,
                  const TrustContext& context) {
    return !security.hasDacl || firstGrantToOthers(security, rights, countChildren, context) != nullptr;
}

bool isPlainFolder(const FolderDescription& folder) {
    return folder.exists && folder.isDirectory && !folder.isReparsePoint && folder.finalPathMatches;
}

}  // namespace

bool isTrustedPrincipal(const std::string& sid, const TrustContext& context) {
    return sid == kSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid ||
           (!context.descriptorsStored && !context.accountSid.empty() && sid == context.accountSid);
}

bool descriptorsWereStored(const SecurityDescription& set, const SecurityDescription& readBack) {
    return !set.ownerSid.empty() && readBack.ownerSid == set.ownerSid;
}

bool isTrustedWorkFolder(const FolderDescription& folder, const TrustContext& context) {
    if (!isPlainFolder(folder)) return false;
    if (!isTrustedPrincipal(folder.security.ownerSid, context)) return false;
    return !grantsOthers(folder.security, kTamperRights, true, context);
}

bool gameDirectoryNeedsRepair(const SecurityDescription& security, const TrustContext& context) {
    if (!isTrustedPrincipal(security.ownerSid, context)) return true;
    return grantsOthers(security, kReplaceRights, false, context);
}

bool isUsableGameDirectory(const FolderDescription& folder) {
    return isPlainFolder(folder);
}

std::string distrustReason(const FolderDescription& folder, bool asWorkFolder, const TrustContext& context) {
    if (!folder.exists) return "missing";
    if (folder.securityUnreadable) return "its descriptor cannot be read";
    if (folder.isReparsePoint) return "a link";
    if (!folder.isDirectory) return "not a folder";
    if (!folder.finalPathMatches) return "leads elsewhere";
    const SecurityDescription& security = folder.security;
    const std::uint32_t rights = asWorkFolder ? kTamperRights : kReplaceRights;
    const bool ownerTrusted = isTrustedPrincipal(security.ownerSid, context);
    const AccessEntry* entry = security.hasDacl ? firstGrantToOthers(security, rights, asWorkFolder, context) : nullptr;
    if (ownerTrusted && security.hasDacl && entry == nullptr) return std::string();
    std::string reason = "owner " + (security.ownerSid.empty() ? std::string("unknown") : security.ownerSid);
    if (!security.hasDacl) return reason + ", no DACL";
    if (entry == nullptr) return reason;
    char mask[16];
    std::snprintf(mask, sizeof(mask), "0x%x", static_cast<unsigned>(entry->mask));
    return reason + ", entry allow " + (entry->sid.empty() ? std::string("of an unread kind") : entry->sid) + " " +
           mask + (entry->inheritOnly ? " (inherit only)" : "");
}

std::wstring setAsideName(const std::wstring& path, const wchar_t* suffix, std::uint64_t random) {
    std::wstring name = path + suffix;
    for (char digit : lowerHex64(random)) name.push_back(static_cast<wchar_t>(digit));
    return name;
}
