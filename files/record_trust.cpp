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
