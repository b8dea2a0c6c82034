#include "files/record_trust.h"

bool isTrustedRecordFile(const FileDescription& file, const TrustContext& context) {
    if (!file.isPlainFile || !file.finalPathMatches || file.nameCount != 1) return false;
    if (!file.security.hasDacl || !isTrustedPrincipal(file.security.ownerSid, context)) return false;
    for (const AccessEntry& entry : file.security.entries) {
        // A file has no children: entries only for them grant nothing on it.
        if (entry.allows && !entry.inheritOnly && (entry.mask & kTamperRights) != 0 &&
            !isTrustedPrincipal(entry.sid, context))
            return false;
    }
    return true;
}

namespace {

bool isAdministrative(const std::string& sid, const TrustContext& context) {
    return sid == kSystemSid || sid == kAdministratorsSid ||
           (!context.descriptorsStored && !context.accountSid.empty() && sid == context.accountSid);
}

}  // namespace

bool needsPrivateDescriptor(const SecurityDescription& security, const TrustContext& context) {
    if (!security.hasDacl || !isAdministrative(security.ownerSid, context)) return true;
    for (const AccessEntry& entry : security.entries) {
        if (entry.allows && !entry.inheritOnly && entry.mask != 0 && !isAdministrative(entry.sid, context))
            return true;
    }
    return false;
}
