#include "app/operations.h"

#include <windows.h>

#include <memory>

#include "app/constants.h"
#include "app/failure_notice.h"
#include "app/handover.h"
#include "app/launcher_state.h"
#include "app/support_log_file.h"
#include "base/support_log.h"
#include "base/text.h"
#include "archive/extract_zip.h"
#include "app/launch_operations.h"
#include "bootstrap/java_search.h"
#include "bootstrap/machine_lock.h"
#include "bootstrap/runtime_folder.h"
#include "bootstrap/runtime_source.h"
#include "bootstrap/rollback_record.h"
#include "bootstrap/signature_verify.h"
#include "bootstrap/work_folder.h"
#include "files/launch_hold.h"
#include "files/tree_removal.h"
#include "files/trusted_folders.h"
#include "net/download.h"
#include "net/http_client.h"
#include "net/sha256.h"
#include "net/verified_copy.h"

namespace {

// The entry of `folder` with the name `path` ends in.
std::wstring sameNameIn(const std::wstring& folder, const std::wstring& path) {
    return folder + path.substr(path.rfind(L'\\'));
}

}  // namespace

BootstrapOperations realBootstrapOperations() {
    const WorkFolder work(kGameDirectory);
    BootstrapOperations ops;
    ops.tickCount = [] { return static_cast<std::uint64_t>(GetTickCount64()); };
    ops.lockWorkFiles = lockWorkFiles;
    ops.unlockWorkFiles = unlockWorkFiles;
    ops.prepareGameDirectory = [work](const std::wstring& path) {
        return prepareGameDirectory(path, work.root, work.fixedNames());
    };
    // A link at a name the starter uses cannot be set aside as a link everywhere
    // (Wine moves its target): the whole work folder goes aside instead. Its
    // verified files are copied out rather than fetched again.
    auto setAsideWorkFolder = std::make_shared<std::wstring>();
    ops.prepareTrustedFolder = [work, setAsideWorkFolder](const std::wstring& path) {
        const bool trusted = prepareTrustedFolder(path, work.fixedNames(), setAsideWorkFolder.get());
        if (!setAsideWorkFolder->empty())
            logEvent("work folder " + toUtf8(path) + " was set aside as " + toUtf8(*setAsideWorkFolder));
        if (!trusted) return false;
        // Without the old record an older signed release would be taken again.
        if (!setAsideWorkFolder->empty())
            carryRollbackRecord(sameNameIn(*setAsideWorkFolder, work.rollbackRecord), work.rollbackRecord,
                                WorkFolder::replacementOf(work.rollbackRecord));
        // Only a trusted work folder holds the log: nobody else can have planted anything there.
        setSupportLogFolder(work.logs);
        return true;
    };
    ops.trustOrSetAside = [](const std::wstring& path) { return trustOrSetAside(path); };
    ops.prepareStagingFolder = [](const std::wstring& path) { return prepareStagingFolder(path, kStaleStagingSuffix); };
    ops.publishStagingFolder = [](const std::wstring& stagingFolder, const std::wstring& javaFolder) {
        const bool published = publishStagingFolder(stagingFolder, javaFolder, kOldRuntimeSuffix);
        logEvent((published ? "published " : "could not publish ") + toUtf8(stagingFolder) + " as " +
                 toUtf8(javaFolder));
        return published;
    };
    ops.removeFolder = [](const std::wstring& path) { removeTreeWithoutFollowing(path); };
    ops.removeSetAsideFolders = [work](const std::wstring& gameDirectory, const std::wstring& workFolder) {
        removeMatching(gameDirectory, work.setAsideInGameDirectory());
        removeMatching(workFolder, work.setAsideInRoot());
    };
    ops.httpGet = [](const std::string& url, std::vector<unsigned char>& body) {
        return fetchManifestBody(url, body);
    };
    ops.readManifestPairs = readManifestPairs;
    ops.selectManifestEntries = selectManifestEntries;
    ops.verifyManifestSignature = verifyManifestSignature;
    ops.readRollbackRecord = readRollbackRecord;
    ops.storeRollbackRecord = [](const std::wstring& path, std::uint64_t sequence) {
        return storeRollbackRecord(path, WorkFolder::replacementOf(path), sequence);
    };
    ops.downloadFile = [setAsideWorkFolder](const std::string& url, const std::wstring& targetPath,
                                            const std::string& expectedSha256) {
        const DownloadFiles files = WorkFolder::downloadFilesFor(targetPath);
        if (!setAsideWorkFolder->empty() &&
            copyVerifiedFile(sameNameIn(*setAsideWorkFolder, targetPath), files, expectedSha256))
            return true;
        // The window's status line and the system clock: what the player sees while a file arrives.
        return downloadFile(
            url, files, expectedSha256,
            [](const std::wstring& text, double progress) { publishStatus(text, progress); },
            [] { return static_cast<std::uint64_t>(GetTickCount64()); });
    };
    ops.findJavaExecutable = findJavaExecutable;
    ops.extractZip = extractZip;
    auto launchHold = std::make_shared<LaunchHold>();
    ops.holdForLaunch = [launchHold](const std::vector<std::wstring>& folders, const std::wstring& program) {
        return holdForLaunch(folders, program, *launchHold);
    };
    ops.launchJavaLauncher = [launchHold](const std::wstring& javaExecutable, const std::wstring& launcherJarPath,
                                          std::uint64_t workerStartTick) {
        LaunchOperations launch = realLaunchOperations();
        // Let go once the process exists (or could not be made), before the pause and the splash's hold.
        launch.startProcess = [launchHold, start = launch.startProcess](std::vector<wchar_t>& commandLine,
                                                                         const std::wstring& currentDirectory) {
            const bool started = start(commandLine, currentDirectory);
            launchHold->clear();
            return started;
        };
        launchJavaLauncherWith(launch, javaExecutable, launcherJarPath, kGameDirectory, workerStartTick);
    };
    ops.publishStatus = [](const std::wstring& text, double progress) { publishStatus(text, progress); };
    ops.showFailureNotice = [](const std::wstring& message) { showFailureNotice(message.c_str()); };
    ops.readRuntimeSource = readRuntimeSource;
    ops.storeRuntimeSource = [](const std::wstring& path, const std::string& digest) {
        return storeRuntimeSource(path, WorkFolder::replacementOf(path), digest);
    };
    ops.fileSha256 = computeFileSha256;
    ops.prepareStarterFolder = [work](const std::wstring& path) {
        return prepareTrustedFolder(path, work.starterFixedNames());
    };
    ops.ownProgramPath = ownProgramPath;
    ops.handOverToStarter = [](const std::wstring& program) {
        return handOverToStarter(program, WorkFolder::failedProgramOf(program));
    };
    return ops;
}
