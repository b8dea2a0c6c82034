#include "files/held_verdict.h"

namespace {

std::string reasonOr(const std::string& reason) { return reason.empty() ? "untrusted" : reason; }

}  // namespace

std::string heldObjectRefusal(const HeldObject& held, const TrustContext& context) {
    const FolderDescription& found = held.found;
    switch (held.kind) {
        case HeldKind::GameDirectory:
            if (!isUsableGameDirectory(found)) return "not a plain folder at its path";
            return gameDirectoryNeedsRepair(found.security, context) ? reasonOr(distrustReason(found, false, context))
                                                                     : std::string();
        case HeldKind::WorkFolder:
            if (!isTrustedWorkFolder(found, context)) return reasonOr(distrustReason(found, true, context));
            // A folder never checked has no known identity and matches none. Wine reports every
            // owner as the running account: only this tells a planted folder there.
            if (found.identity != held.checked) return "another folder than the one checked";
            return std::string();
        case HeldKind::Program:
            if (!found.exists || found.isDirectory || found.isReparsePoint || !found.finalPathMatches)
                return "not a plain file at its path";
            if (held.nameCount != 1) return "a file with more than one name";
            if (!isTrustedPrincipal(found.security.ownerSid, context)) return "owner " + found.security.ownerSid;
            return std::string();
    }
    return "unknown";
}
