#include "bootstrap/runtime_delta_step.h"

#include "base/support_log.h"
#include "base/ui_texts.h"
#include "bootstrap/runtime_step.h"

DeltaUpdate updateFromDelta(const SequenceRun& run, const RuntimeDeltaOffer& offer, std::wstring& javaExecutable) {
    const FolderEffects& folders = run.effects.folders;
    const WorkFolder& work = run.work;
    const std::string& target = run.selection.javaZipSha256;
    logEvent("runtime: updating through the delta " + loggableUrl(offer.url) + " from " + offer.fromSha256);
    if (!fetchVerifiedFile(run, offer.url, work.runtimeDelta, offer.sha256)) {
        logEvent("runtime: the delta could not be fetched; the full archive follows");
        return DeltaUpdate::FallBack;
    }
    run.effects.screen.publishStatus(kCheckingFilesText, 1.0);
    if (!folders.prepareStagingFolder(work.staging)) {
        logEvent("runtime: no staging folder for the delta; the full archive follows");
        return DeltaUpdate::FallBack;
    }
    std::string problem = folders.buildStagingFromDelta(work.runtimeDelta, work.runtime, work.staging,
                                                        offer.fromSha256, target);
    if (problem.empty() && findAnyJava(folders, work.staging).empty()) problem = "it holds no javaw.exe or java.exe";
    if (!problem.empty()) {
        folders.removeFolder(work.staging);
        logEvent("runtime: the delta was not applied, " + problem + "; the full archive follows");
        return DeltaUpdate::FallBack;
    }
    if (!folders.publishStagingFolder(work.staging, work.runtime)) {
        folders.removeFolder(work.staging);
        logEvent("runtime: update not finished, the installed runtime could not be moved (in use?); it is used");
        return DeltaUpdate::RuntimeBusy;
    }
    if (!run.effects.records.storeRuntimeSource(work.runtimeSource, target))
        logEvent("runtime: the source record could not be written");
    javaExecutable = findAnyJava(folders, work.runtime);
    if (javaExecutable.empty()) {
        logEvent("runtime: no Java in the runtime published from the delta; the full archive follows");
        return DeltaUpdate::FallBack;
    }
    logEvent("runtime: updated through the delta");
    return DeltaUpdate::Updated;
}

void keepSignedRuntimeDeltas(SequenceRun& run, const std::vector<ManifestPair>& pairs) {
    std::vector<RuntimeDeltaOffer>& offers = run.selection.runtimeDeltas;
    if (run.config.manifestKeys.empty() || offers.empty()) return;
    const SignedManifestClaim claim = readGeneralSignatureClaim(pairs);
    if (claim.wellFormed &&
        run.effects.records.verifyManifestSignature(run.config.manifestKeys, claim.message, claim.signature))
        return;
    logEvent("manifest: its runtime deltas are not under a general signature that verifies; none is used");
    offers.clear();
}
