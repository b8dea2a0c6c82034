#include "bootstrap/runtime_step.h"

#include "base/support_log.h"
#include "base/ui_texts.h"
#include "bootstrap/runtime_choice.h"
#include "bootstrap/runtime_delta_step.h"

namespace {

struct RuntimePaths {
    std::wstring javaZip;
    std::wstring javaFolder;
    std::wstring staging;
    std::wstring sourceRecord;
};

// Fetches the manifest's archive, unpacking it into the staging folder on the way where
// the download allows it.
ArchiveArrival fetchRuntimeArchive(const SequenceRun& run, const RuntimePaths& paths) {
    const ManifestSelection& selection = run.selection;
    const NetworkEffects& network = run.effects.network;
    // A copy out of a set-aside work folder, or a build without it, unpacks after the fetch.
    if (!network.downloadUnpacking || !run.setAsideWorkFolder.empty()) {
        return fetchVerifiedFile(run, selection.javaZipUrl, paths.javaZip, selection.javaZipSha256)
                   ? ArchiveArrival::fetched
                   : ArchiveArrival::notFetched;
    }
    if (!run.effects.folders.prepareStagingFolder(paths.staging)) return ArchiveArrival::refused;
    return network.downloadUnpacking(selection.javaZipUrl, paths.javaZip, selection.javaZipSha256, paths.staging);
}

// Fetches and unpacks the manifest's archive and publishes it as the runtime.
// On failure returns empty with `failure` set to the message for the player and
// `reason` to the line for the log.
std::wstring installFromArchive(const SequenceRun& run, const RuntimePaths& paths, const wchar_t*& failure,
                                const char*& reason) {
    const FolderEffects& folders = run.effects.folders;
    const ManifestSelection& selection = run.selection;
    const ArchiveArrival arrival = fetchRuntimeArchive(run, paths);
    if (arrival == ArchiveArrival::notFetched) {
        failure = kJavaDownloadFailedMessage;
        reason = "the archive could not be fetched";
        return std::wstring();
    }
    run.effects.screen.publishStatus(kCheckingFilesText, 1.0);
    // An archive not unpacked on the way is unpacked whole, into a staging folder emptied again.
    if (arrival == ArchiveArrival::refused ||
        (arrival == ArchiveArrival::fetched &&
         (!folders.prepareStagingFolder(paths.staging) || !folders.extractZip(paths.javaZip, paths.staging)))) {
        failure = kJavaUnpackFailedMessage;
        reason = "the archive could not be unpacked";
        return std::wstring();
    }
    if (findAnyJava(folders, paths.staging).empty()) {
        folders.removeFolder(paths.staging);
        failure = kJavaNotFoundMessage;
        reason = "the archive holds no javaw.exe or java.exe";
        return std::wstring();
    }
    if (!folders.publishStagingFolder(paths.staging, paths.javaFolder)) {
        // Most often a game still runs from the old runtime; the archive stays for a later start.
        folders.removeFolder(paths.staging);
        failure = kJavaUnpackFailedMessage;
        reason = "the installed runtime could not be moved (in use?)";
        return std::wstring();
    }
    // Recorded after the runtime is in place: a run cut in between only unpacks once more next time.
    if (!selection.javaZipSha256.empty() && !run.effects.records.storeRuntimeSource(paths.sourceRecord, selection.javaZipSha256))
        logEvent("runtime: the source record could not be written");
    const std::wstring found = findAnyJava(folders, paths.javaFolder);
    if (found.empty()) {
        failure = kJavaNotFoundMessage;
        reason = "no Java in the published runtime";
    }
    return found;
}

}  // namespace

std::wstring findAnyJava(const FolderEffects& folders, const std::wstring& javaFolder) {
    std::wstring found = folders.findJavaExecutable(javaFolder, L"javaw.exe");
    if (found.empty()) found = folders.findJavaExecutable(javaFolder, L"java.exe");
    return found;
}

StepResult provideRuntime(SequenceRun& run) {
    const FolderEffects& folders = run.effects.folders;
    const RecordEffects& records = run.effects.records;
    const ManifestSelection& selection = run.selection;
    const WorkFolder& work = run.work;
    const RuntimePaths paths{work.javaZip, work.runtime, work.staging, work.runtimeSource};
    // Only a trusted runtime folder is searched; an untrusted one has been set aside.
    std::wstring installed;
    if (folders.trustOrSetAside(paths.javaFolder)) installed = findAnyJava(folders, paths.javaFolder);
    const RuntimeSource recorded = installed.empty() ? RuntimeSource{} : records.readRuntimeSource(paths.sourceRecord);
    if (recorded.record == SourceRecord::Unreadable)
        logEvent("runtime: the source record cannot be read; the installed runtime is used and nothing recorded");
    const std::string archive = runtimeChoiceNeedsArchiveDigest(!installed.empty(), recorded)
                                    ? folders.fileSha256(paths.javaZip)
                                    : std::string();

    const RuntimeChoice choice = chooseRuntime(!installed.empty(), recorded, selection.javaZipSha256, archive);
    switch (choice) {
        case RuntimeChoice::UseInstalled:
            logEvent("runtime: installed runtime used");
            run.javaExecutable = installed;
            return goOn();
        case RuntimeChoice::AdoptInstalled:
            logEvent("runtime: installed runtime used; its archive matches the manifest, source recorded");
            if (!records.storeRuntimeSource(paths.sourceRecord, selection.javaZipSha256))
                logEvent("runtime: the source record could not be written");
            run.javaExecutable = installed;
            return goOn();
        case RuntimeChoice::Install:
            break;
        case RuntimeChoice::Update: {
            logEvent("runtime: the manifest names another archive than the installed runtime's; updating");
            // Without a record, a publish that fails now would leave the next start adopting
            // the new archive for the old runtime: the installed one is recorded first.
            const std::string before = sourceToRecordBeforeUpdate(recorded, archive);
            if (!before.empty() && !records.storeRuntimeSource(paths.sourceRecord, before)) {
                logEvent("runtime: the installed runtime's source could not be recorded; not updated this time");
                run.javaExecutable = installed;
                return goOn();
            }
            break;
        }
    }
    const RuntimeFetch fetch = chooseRuntimeFetch(choice, recorded.digest, selection.javaZipSha256, selection.runtimeDeltas);
    if (fetch.kind == RuntimeFetch::Delta) {
        const DeltaUpdate update = updateFromDelta(run, *fetch.delta, run.javaExecutable);
        if (update == DeltaUpdate::RuntimeBusy) run.javaExecutable = installed;
        if (update != DeltaUpdate::FallBack) return goOn();
    }
    const wchar_t* failure = nullptr;
    const char* reason = "";
    const std::wstring fresh = installFromArchive(run, paths, failure, reason);
    if (!fresh.empty()) {
        logEvent(installed.empty() ? "runtime: installed from the archive" : "runtime: updated");
        run.javaExecutable = fresh;
        return goOn();
    }
    if (!installed.empty()) {
        logEvent(std::string("runtime: update not finished, ") + reason + "; the installed runtime is used");
        run.javaExecutable = installed;
        return goOn();
    }
    logEvent(std::string("runtime: none usable, ") + reason);
    return failed(failure);
}
