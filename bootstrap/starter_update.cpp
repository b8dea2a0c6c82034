#include "bootstrap/starter_update.h"

#include "base/support_log.h"
#include "net/digest_text.h"

namespace {

wchar_t lowerWide(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

const char* describe(HandoverChoice choice) {
    switch (choice) {
        case HandoverChoice::NoEntry: return "no starter entry";
        case HandoverChoice::NoSigningKeys: return "entry ignored: a build without signing keys";
        case HandoverChoice::AlreadyHandedOver: return "running from the starter folder: no further handover";
        case HandoverChoice::SameProgram: return "this program is the one named";
        case HandoverChoice::KnownToFail: return "the named program failed to come up before";
        case HandoverChoice::HandOver: return "handing over";
    }
    return "";
}

}  // namespace

HandoverChoice chooseHandover(bool hasSigningKeys, const std::string& entryUrl, const std::string& entryDigest,
                              const std::string& ownDigest, bool runningFromStarterFolder,
                              const std::string& failedDigest) {
    if (entryUrl.empty()) return HandoverChoice::NoEntry;
    if (!hasSigningKeys) return HandoverChoice::NoSigningKeys;
    if (runningFromStarterFolder) return HandoverChoice::AlreadyHandedOver;
    if (sameDigest(ownDigest, entryDigest)) return HandoverChoice::SameProgram;
    if (sameDigest(failedDigest, entryDigest)) return HandoverChoice::KnownToFail;
    return HandoverChoice::HandOver;
}

bool isInsideFolder(const std::wstring& path, const std::wstring& folder) {
    if (folder.empty() || path.size() <= folder.size() || path[folder.size()] != L'\\') return false;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (lowerWide(path[i]) != lowerWide(folder[i])) return false;
    }
    return true;
}

bool handOverToNewStarter(bool hasSigningKeys, const BootstrapOperations& ops, const WorkFolder& workFolder,
                          const ManifestSelection& selection) {
    if (selection.starterUrl.empty()) return false;
    const std::wstring folder = workFolder.starterFolder;
    const std::wstring program = workFolder.starterProgram;
    const std::wstring ownPath = hasSigningKeys ? ops.ownProgramPath() : std::wstring();
    const bool fromStarterFolder = isInsideFolder(ownPath, folder);
    // Hashing is left out where the answer cannot change the choice.
    const bool needDigests = hasSigningKeys && !fromStarterFolder;
    const HandoverChoice choice =
        chooseHandover(hasSigningKeys, selection.starterUrl, selection.starterSha256,
                       needDigests ? ops.fileSha256(ownPath) : std::string(), fromStarterFolder,
                       needDigests ? ops.fileSha256(WorkFolder::failedProgramOf(program)) : std::string());
    logEvent(std::string("starter: ") + describe(choice));
    if (choice != HandoverChoice::HandOver) return false;

    if (!ops.prepareStarterFolder(folder)) {
        logEvent("starter: handover refused: no trusted starter folder");
        return false;
    }
    if (!ops.downloadFile(selection.starterUrl, program, selection.starterSha256)) {
        logEvent("starter: handover refused: the named program could not be fetched intact");
        return false;
    }
    const std::string refused = ops.handOverToStarter(program);
    if (!refused.empty()) {
        logEvent("starter: handover refused: " + refused);
        return false;
    }
    logEvent("starter: handed over to the new program");
    return true;
}
