#include "bootstrap/starter_update.h"

#include "base/support_log.h"
#include "base/text.h"
#include "net/digest_text.h"

namespace {

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
        if (asciiLower(path[i]) != asciiLower(folder[i])) return false;
    }
    return true;
}

StepResult handOverToNewerStarter(SequenceRun& run) {
    const ManifestSelection& selection = run.selection;
    if (!run.workFolderReady || selection.starterUrl.empty()) return goOn();
    const bool hasSigningKeys = !run.config.manifestKeys.empty();
    const ProcessEffects& process = run.effects.process;
    const FolderEffects& folders = run.effects.folders;
    const std::wstring& folder = run.work.starterFolder;
    const std::wstring& program = run.work.starterProgram;
    const std::wstring ownPath = hasSigningKeys ? process.ownProgramPath() : std::wstring();
    const bool fromStarterFolder = isInsideFolder(ownPath, folder);
    // Hashing is left out where the answer cannot change the choice.
    const bool needDigests = hasSigningKeys && !fromStarterFolder;
    const HandoverChoice choice =
        chooseHandover(hasSigningKeys, selection.starterUrl, selection.starterSha256,
                       needDigests ? folders.fileSha256(ownPath) : std::string(), fromStarterFolder,
                       needDigests ? folders.fileSha256(WorkFolder::failedProgramOf(program)) : std::string());
    logEvent(std::string("starter: ") + describe(choice));
    if (choice != HandoverChoice::HandOver) return goOn();

    if (!folders.prepareStarterFolder(folder)) {
        logEvent("starter: handover refused: no trusted starter folder");
        return goOn();
    }
    if (!fetchVerifiedFile(run, selection.starterUrl, program, selection.starterSha256)) {
        logEvent("starter: handover refused: the named program could not be fetched intact");
        return goOn();
    }
    // The new starter works on the same files: it must not wait for this one's lock.
    run.lock.release();
    const std::string refused = process.handOverToStarter(program, selection.starterSha256);
    if (refused.empty()) {
        logEvent("starter: handed over to the new program");
        return StepResult{StepOutcome::HandedOver};
    }
    logEvent("starter: handover refused: " + refused);
    run.lock.take();
    return goOn();
}
