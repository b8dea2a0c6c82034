#include "bootstrap/runtime_step.h"

#include "base/support_log.h"
#include "base/ui_texts.h"
#include "bootstrap/runtime_choice.h"

namespace {

struct RuntimePaths {
    std::wstring javaZip;
    std::wstring javaFolder;
    std::wstring staging;
    std::wstring sourceRecord;
};

// Fetches and unpacks the manifest's archive and publishes it as the runtime.
// On failure returns empty with `failure` set to the message for the player and
// `reason` to the line for the log.
std::wstring installFromArchive(const BootstrapOperations& ops, const RuntimePaths& paths,
                                const ManifestSelection& selection, const wchar_t*& failure, const char*& reason) {
    if (!ops.downloadFile(selection.javaZipUrl, paths.javaZip, selection.javaZipSha256)) {
        failure = kJavaDownloadFailedMessage;
        reason = "the archive could not be fetched";
        return std::wstring();
    }
    ops.publishStatus(kCheckingFilesText, 1.0);
    if (!ops.prepareStagingFolder(paths.staging) || !ops.extractZip(paths.javaZip, paths.staging)) {
        failure = kJavaUnpackFailedMessage;
        reason = "the archive could not be unpacked";
        return std::wstring();
    }
    if (findAnyJava(ops, paths.staging).empty()) {
        ops.removeFolder(paths.staging);
        failure = kJavaNotFoundMessage;
        reason = "the archive holds no javaw.exe or java.exe";
        return std::wstring();
    }
    if (!ops.publishStagingFolder(paths.staging, paths.javaFolder)) {
        // Most often a game still runs from the old runtime; the archive stays for a later start.
        ops.removeFolder(paths.staging);
        failure = kJavaUnpackFailedMessage;
        reason = "the installed runtime could not be moved (in use?)";
        return std::wstring();
    }
    // Recorded after the runtime is in place: a run cut in between only unpacks once more next time.
    if (!selection.javaZipSha256.empty() && !ops.storeRuntimeSource(paths.sourceRecord, selection.javaZipSha256))
        logEvent("runtime: the source record could not be written");
    const std::wstring found = findAnyJava(ops, paths.javaFolder);
    if (found.empty()) {
        failure = kJavaNotFoundMessage;
        reason = "no Java in the published runtime";
    }
    return found;
}

}  // namespace

std::wstring findAnyJava(const BootstrapOperations& ops, const std::wstring& javaFolder) {
    std::wstring found = ops.findJavaExecutable(javaFolder, L"javaw.exe");
    if (found.empty()) found = ops.findJavaExecutable(javaFolder, L"java.exe");
    return found;
}

std::wstring provideRuntime(const BootstrapOperations& ops, const WorkFolder& workFolder,
                            const ManifestSelection& selection) {
    const RuntimePaths paths{workFolder.javaZip, workFolder.runtime, workFolder.staging, workFolder.runtimeSource};
    // Only a trusted runtime folder is searched; an untrusted one has been set aside.
    std::wstring installed;
    if (ops.trustOrSetAside(paths.javaFolder)) installed = findAnyJava(ops, paths.javaFolder);
    const std::string recorded = installed.empty() ? std::string() : ops.readRuntimeSource(paths.sourceRecord);
    const std::string archive = runtimeChoiceNeedsArchiveDigest(!installed.empty(), recorded)
                                    ? ops.fileSha256(paths.javaZip)
                                    : std::string();

    switch (chooseRuntime(!installed.empty(), recorded, selection.javaZipSha256, archive)) {
        case RuntimeChoice::UseInstalled:
            logEvent("runtime: installed runtime used");
            return installed;
        case RuntimeChoice::AdoptInstalled:
            logEvent("runtime: installed runtime used; its archive matches the manifest, source recorded");
            if (!ops.storeRuntimeSource(paths.sourceRecord, selection.javaZipSha256))
                logEvent("runtime: the source record could not be written");
            return installed;
        case RuntimeChoice::Install:
            break;
        case RuntimeChoice::Update:
            logEvent("runtime: the manifest names another archive than the installed runtime's; updating");
            break;
    }
    const wchar_t* failure = nullptr;
    const char* reason = "";
    const std::wstring fresh = installFromArchive(ops, paths, selection, failure, reason);
    if (!fresh.empty()) {
        logEvent(installed.empty() ? "runtime: installed from the archive" : "runtime: updated");
        return fresh;
    }
    if (!installed.empty()) {
        logEvent(std::string("runtime: update not finished, ") + reason + "; the installed runtime is used");
        return installed;
    }
    logEvent(std::string("runtime: none usable, ") + reason);
    ops.showFailureNotice(failure);
    return std::wstring();
}
