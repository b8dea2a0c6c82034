#include "bootstrap/starter_update.h"

#include <cstdint>

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

const char* describe(NewStarterVerdict verdict) {
    switch (verdict) {
        case NewStarterVerdict::NotStarted: return "the new program could not be started; tried again next start";
        case NewStarterVerdict::WindowUp: return "the new program's window is up";
        case NewStarterVerdict::AnotherCopy:
            return "the new program ended before its window with exit code 0: another copy runs";
        case NewStarterVerdict::NoWindowInTime: return "the new program showed no window within a minute";
        case NewStarterVerdict::Failed: return "the new program failed";
        case NewStarterVerdict::Finished: return "the new program ended its run";
    }
    return "";
}

// In hex too: crashes end with NTSTATUS codes such as 0xC0000005.
std::string exitCodeText(std::uint32_t code) {
    std::string hex;
    for (int shift = 28; shift >= 0; shift -= 4) hex += upperHexDigit((code >> shift) & 0xF);
    return std::to_string(code) + " (0x" + hex + ")";
}

void logVerdict(NewStarterVerdict verdict, const NewStarterWatch& watch) {
    std::string line = std::string("starter: ") + describe(verdict);
    if (watch.ended) line += ", exit code " + exitCodeText(watch.exitCode);
    if (setsAsideNewStarter(verdict)) line += "; set aside, never run again";
    logEvent(line);
}

}  // namespace

NewStarterVerdict judgeNewStarter(const NewStarterWatch& watch) {
    if (!watch.started) return NewStarterVerdict::NotStarted;
    if (!watch.ended) return watch.windowSeen ? NewStarterVerdict::WindowUp : NewStarterVerdict::NoWindowInTime;
    if (watch.exitCode != 0) return NewStarterVerdict::Failed;
    return watch.windowSeen ? NewStarterVerdict::Finished : NewStarterVerdict::AnotherCopy;
}

bool setsAsideNewStarter(NewStarterVerdict verdict) {
    return verdict == NewStarterVerdict::NoWindowInTime || verdict == NewStarterVerdict::Failed;
}

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
    // The lock stays with this run until the new window is up: should it never
    // come, this run goes on as if it had not tried, and no other starter has
    // touched the files meanwhile.
    const NewStarterWatch watch = process.startNewerStarter(program, selection.starterSha256);
    const NewStarterVerdict verdict = judgeNewStarter(watch);
    logVerdict(verdict, watch);
    if (verdict == NewStarterVerdict::WindowUp) {
        run.newerStarterUp = true;
        return StepResult{StepOutcome::HandedOver};
    }
    if (setsAsideNewStarter(verdict)) folders.setAsideFailedStarter(program);
    if (!process.takeSingleInstanceBack()) {
        logEvent("starter: another copy of this session took over the start; this one ends");
        return StepResult{StepOutcome::HandedOver};
    }
    return goOn();
}

void watchNewerStarter(SequenceRun& run) {
    if (!run.newerStarterUp) return;
    const NewStarterWatch watch = run.effects.process.awaitNewerStarterEnd();
    const NewStarterVerdict verdict = judgeNewStarter(watch);
    logVerdict(verdict, watch);
    if (!setsAsideNewStarter(verdict)) return;
    // Other starters may be reading the starter folder: its files change only under the lock.
    run.lock.take();
    run.effects.folders.setAsideFailedStarter(run.work.starterProgram);
    run.lock.release();
}
