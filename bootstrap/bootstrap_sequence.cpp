#include "bootstrap/bootstrap_sequence.h"

#include "base/support_log.h"
#include "base/text.h"
#include "base/ui_texts.h"
#include "bootstrap/java_launch.h"
#include "bootstrap/runtime_delta_step.h"
#include "bootstrap/runtime_step.h"
#include "bootstrap/starter_update.h"

namespace {

constexpr const char* kManifestPath = "/starter/launcher.json";

// The entry of `folder` with the name `path` ends in.
std::wstring sameNameIn(const std::wstring& folder, const std::wstring& path) {
    return folder + path.substr(path.rfind(L'\\'));
}

// Made before the manifest is fetched, as always; a folder that cannot be
// trusted shows as the failure of the first step that needs it.
StepResult prepareWorkFolders(SequenceRun& run) {
    const FolderEffects& folders = run.effects.folders;
    run.workFolderReady = folders.prepareGameDirectory(run.config.gameDirectory) &&
                          folders.prepareWorkFolder(run.work.root, run.setAsideWorkFolder);
    if (run.workFolderReady) run.lock.moveIntoWorkFolder();
    if (!run.setAsideWorkFolder.empty())
        logEvent("work folder " + toUtf8(run.work.root) + " was set aside as " + toUtf8(run.setAsideWorkFolder));
    return goOn();
}

// Without the old record an older signed release would be taken again.
StepResult carryRollbackRecord(SequenceRun& run) {
    if (run.workFolderReady && !run.setAsideWorkFolder.empty())
        run.effects.records.carryRollbackRecord(sameNameIn(run.setAsideWorkFolder, run.work.rollbackRecord),
                                                run.work.rollbackRecord);
    return goOn();
}

// Only a trusted work folder holds the log: nobody else can have planted anything there.
StepResult pointSupportLogAtWorkFolder(SequenceRun& run) {
    if (run.workFolderReady) run.effects.process.pointSupportLogAt(run.work.logs);
    return goOn();
}

// A build with signing keys takes a manifest only if it is signed by one of
// them and not older than what this machine accepted before.
bool isUsableManifest(const SequenceRun& run, const std::vector<ManifestPair>& pairs, std::uint64_t highestAccepted,
                      std::uint64_t& sequence) {
    const SignedManifestClaim claim = readSignedManifestClaim(pairs, selectManifestEntries(pairs));
    const bool verified = claim.wellFormed && run.effects.records.verifyManifestSignature(
                                                  run.config.manifestKeys, claim.message, claim.signature);
    sequence = claim.sequence;
    const bool usable = isUsableSignedManifest(claim, verified, highestAccepted);
    logEvent(!claim.wellFormed ? "manifest refused: no well-formed signature"
             : !verified       ? "manifest refused: its signature does not verify"
             : !usable         ? "manifest refused: sequence " + std::to_string(claim.sequence) +
                                     " is older than the accepted " + std::to_string(highestAccepted)
                               : "manifest signed, sequence " + std::to_string(claim.sequence));
    return usable;
}

// The first server whose manifest yields any pair wins, even if that manifest is
// incomplete. With signing keys, an unusable manifest counts as none. The stored
// sequence is used only in a trusted work folder: the elevated starter must not
// write where others could have planted a link (the run fails later anyway).
std::vector<ManifestPair> fetchManifestPairs(const SequenceRun& run) {
    const bool signedOnly = !run.config.manifestKeys.empty();
    const bool useStore = signedOnly && run.workFolderReady;
    const std::wstring& sequencePath = run.work.rollbackRecord;
    const RecordEffects& records = run.effects.records;
    const AcceptedSequence accepted = useStore ? records.readRollbackRecord(sequencePath) : AcceptedSequence{};
    // A record that cannot be read may hold any number: no signed manifest is safe to take.
    if (accepted.record == SequenceRecord::Unreadable) return {};
    const std::uint64_t highestAccepted = accepted.value;
    std::vector<ManifestPair> pairs;
    for (const std::string& server : run.config.updateServers) {
        std::vector<unsigned char> body;
        const bool answered = run.effects.network.fetchManifest(server + kManifestPath, body);
        if (answered) pairs = readManifestPairs(body);
        logEvent("manifest from " + loggableUrl(server + kManifestPath) + ": " +
                 (answered ? std::to_string(pairs.size()) + " pairs" : std::string("no answer")));
        std::uint64_t sequence = 0;
        if (signedOnly && !pairs.empty() && !isUsableManifest(run, pairs, highestAccepted, sequence)) pairs.clear();
        if (!pairs.empty()) {
            // A store that fails only weakens the rollback check; the manifest itself is good.
            if (useStore && sequence > highestAccepted) records.storeRollbackRecord(sequencePath, sequence);
            break;
        }
    }
    return pairs;
}

StepResult fetchManifest(SequenceRun& run) {
    const std::vector<ManifestPair> pairs = fetchManifestPairs(run);
    if (pairs.empty()) return failed(kNoServerMessage);
    run.selection = selectManifestEntries(pairs);
    keepSignedRuntimeDeltas(run, pairs);
    const ManifestSelection& selection = run.selection;
    logEvent("selected launcher jar " + loggableUrl(selection.launcherJarUrl) + " sha256 " +
             selection.launcherJarSha256 + ", runtime " + loggableUrl(selection.javaZipUrl) + " sha256 " +
             selection.javaZipSha256);
    if (selection.launcherJarUrl.empty() || selection.javaZipUrl.empty()) return failed(kIncompleteManifestMessage);
    return goOn();
}

StepResult provideLauncherJar(SequenceRun& run) {
    if (!run.workFolderReady ||
        !fetchVerifiedFile(run, run.selection.launcherJarUrl, run.work.launcherJar, run.selection.launcherJarSha256))
        return failed(kLauncherDownloadFailedMessage);
    run.effects.screen.publishStatus(kCheckingFilesText, 1.0);
    return goOn();
}

// From the last check until the process exists, what it starts from stays as checked.
StepResult holdWhatTheLaunchStartsFrom(SequenceRun& run) {
    const std::vector<std::wstring> folders = {run.config.gameDirectory, run.work.root, run.work.runtime};
    if (!run.effects.process.holdForLaunch(folders, run.javaExecutable)) return failed(kJavaStartFailedMessage);
    return goOn();
}

// Every run ends here. The lock goes first: a notice waits for its player, and
// neither the launcher nor the next starter should wait with it.
void endRun(SequenceRun& run, StepResult result) {
    run.lock.release();
    if (result.outcome == StepOutcome::GoOn) result = launchJava(run);
    switch (result.outcome) {
        case StepOutcome::Failed: run.effects.screen.showFailureNotice(result.message); break;
        case StepOutcome::HandedOver:
            run.effects.screen.closeSplash();
            watchNewerStarter(run);  // windowless, until the new program ends
            break;
        case StepOutcome::Launched: run.effects.screen.closeSplash(); break;
        case StepOutcome::GoOn: break;
    }
}

}  // namespace

bool fetchVerifiedFile(const SequenceRun& run, const std::string& url, const std::wstring& targetPath,
                       const std::string& expectedSha256) {
    if (!run.setAsideWorkFolder.empty() &&
        run.effects.folders.copyVerifiedFile(sameNameIn(run.setAsideWorkFolder, targetPath), targetPath, expectedSha256))
        return true;
    return run.effects.network.downloadFile(url, targetPath, expectedSha256);
}

void runBootstrapSequence(const BootstrapConfig& config, const SequenceEffects& effects) {
    const std::uint64_t workerStartTick = effects.process.tickCount();
    WorkFilesLock lock(effects.process);
    SequenceRun run{config, effects, lock, WorkFolder(config.gameDirectory), workerStartTick};
    using Step = StepResult (*)(SequenceRun&);
    const Step steps[] = {
        prepareWorkFolders,           // the game directory and the work folder, made and trusted
        carryRollbackRecord,          // out of a work folder set aside just now
        pointSupportLogAtWorkFolder,  // only a trusted work folder holds the log
        fetchManifest,                // the first usable server's, and what it names
        handOverToNewerStarter,       // a newer starter does the rest in this one's place
        provideLauncherJar,           // kept when intact, else fetched
        provideRuntime,               // used, adopted, installed or updated
        holdWhatTheLaunchStartsFrom,  // from here until the process exists
    };
    StepResult result = goOn();
    for (Step step : steps) {
        result = step(run);
        if (result.outcome != StepOutcome::GoOn) break;
    }
    endRun(run, result);  // the lock, then the launch, a failure notice or the close
}
