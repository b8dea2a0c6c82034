#include "bootstrap/bootstrap_sequence.h"

#include "base/support_log.h"
#include "base/ui_texts.h"
#include "bootstrap/runtime_step.h"
#include "bootstrap/starter_update.h"
#include "bootstrap/work_folder.h"

namespace {

constexpr const char* kManifestPath = "/starter/launcher.json";

// A build with signing keys takes a manifest only if it is signed by one of
// them and not older than what this machine accepted before.
bool isUsableManifest(const BootstrapConfig& config, const BootstrapOperations& ops,
                      const std::vector<ManifestPair>& pairs, std::uint64_t highestAccepted,
                      std::uint64_t& sequence) {
    const SignedManifestClaim claim = readSignedManifestClaim(pairs, ops.selectManifestEntries(pairs));
    const bool verified =
        claim.wellFormed && ops.verifyManifestSignature(config.manifestKeys, claim.message, claim.signature);
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
std::vector<ManifestPair> fetchManifestPairs(const BootstrapConfig& config, const BootstrapOperations& ops,
                                             const WorkFolder& workFolder, bool workFolderTrusted) {
    const bool signedOnly = !config.manifestKeys.empty();
    const bool useStore = signedOnly && workFolderTrusted;
    const std::wstring sequencePath = workFolder.rollbackRecord;
    const AcceptedSequence accepted = useStore ? ops.readRollbackRecord(sequencePath) : AcceptedSequence{};
    // A record that cannot be read may hold any number: no signed manifest is safe to take.
    if (accepted.record == SequenceRecord::Unreadable) return {};
    const std::uint64_t highestAccepted = accepted.value;
    std::vector<ManifestPair> pairs;
    for (const std::string& server : config.updateServers) {
        std::vector<unsigned char> body;
        const bool answered = ops.httpGet(server + kManifestPath, body);
        if (answered) pairs = ops.readManifestPairs(body);
        logEvent("manifest from " + loggableUrl(server + kManifestPath) + ": " +
                 (answered ? std::to_string(pairs.size()) + " pairs" : std::string("no answer")));
        std::uint64_t sequence = 0;
        if (signedOnly && !pairs.empty() && !isUsableManifest(config, ops, pairs, highestAccepted, sequence))
            pairs.clear();
        if (!pairs.empty()) {
            // A store that fails only weakens the rollback check; the manifest itself is good.
            if (useStore && sequence > highestAccepted) ops.storeRollbackRecord(sequencePath, sequence);
            break;
        }
    }
    return pairs;
}

}  // namespace

void runBootstrapSequence(const BootstrapConfig& config, const BootstrapOperations& given) {
    // A failure notice waits for its user: the next starter need not wait with it.
    BootstrapOperations ops = given;
    ops.showFailureNotice = [&given](const std::wstring& message) {
        given.unlockWorkFiles();
        given.showFailureNotice(message);
    };
    const std::uint64_t workerStartTick = ops.tickCount();
    ops.lockWorkFiles();
    const WorkFolder work(config.gameDirectory);
    const std::wstring& workFolder = work.root;
    // Made before the manifest is fetched, as always; a folder that cannot be
    // trusted shows as the failure of the first step that needs it.
    const bool workFolderReady =
        ops.prepareGameDirectory(config.gameDirectory) && ops.prepareTrustedFolder(workFolder);

    const std::vector<ManifestPair> manifestPairs = fetchManifestPairs(config, ops, work, workFolderReady);
    if (manifestPairs.empty()) {
        ops.showFailureNotice(kNoServerMessage);
        return;
    }
    const ManifestSelection selection = ops.selectManifestEntries(manifestPairs);
    logEvent("selected launcher jar " + loggableUrl(selection.launcherJarUrl) + " sha256 " +
             selection.launcherJarSha256 + ", runtime " + loggableUrl(selection.javaZipUrl) + " sha256 " +
             selection.javaZipSha256);
    if (selection.launcherJarUrl.empty() || selection.javaZipUrl.empty()) {
        ops.showFailureNotice(kIncompleteManifestMessage);
        return;
    }

    // A newer starter does the rest of this run in this one's place.
    if (workFolderReady && handOverToNewStarter(!config.manifestKeys.empty(), ops, work, selection)) return;

    const std::wstring launcherJarPath = work.launcherJar;

    if (!workFolderReady || !ops.downloadFile(selection.launcherJarUrl, launcherJarPath, selection.launcherJarSha256)) {
        ops.showFailureNotice(kLauncherDownloadFailedMessage);
        return;
    }
    ops.publishStatus(kCheckingFilesText, 1.0);

    const std::wstring javaExecutable = provideRuntime(ops, work, selection);
    if (javaExecutable.empty()) return;

    // From the last check until the process exists, what it starts from stays as checked.
    const std::wstring javaFolder = work.runtime;
    if (!ops.holdForLaunch({config.gameDirectory, workFolder, javaFolder}, javaExecutable)) {
        ops.showFailureNotice(kJavaStartFailedMessage);
        return;
    }
    ops.removeSetAsideFolders(config.gameDirectory, workFolder);
    ops.unlockWorkFiles();
    ops.publishStatus(kLaunchingText, 1.0);
    ops.launchJavaLauncher(javaExecutable, launcherJarPath, workerStartTick);
}
