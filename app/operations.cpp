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
#include "bootstrap/sequence_store.h"
#include "bootstrap/signature_verify.h"
#include "files/launch_hold.h"
#include "files/tree_removal.h"
#include "files/trusted_folders.h"
#include "net/download.h"
#include "net/http_client.h"
#include "net/sha256.h"
#include "net/verified_copy.h"

BootstrapOperations realBootstrapOperations() {
    BootstrapOperations ops;
    ops.tickCount = [] { return static_cast<std::uint64_t>(GetTickCount64()); };
    ops.lockWorkFiles = lockWorkFiles;
    ops.unlockWorkFiles = unlockWorkFiles;
    ops.prepareGameDirectory = prepareGameDirectory;
    // A link at a name the starter uses cannot be set aside as a link everywhere
    // (Wine moves its target): the whole work folder goes aside instead. Its
    // verified files are copied out rather than fetched again.
    auto setAsideWorkFolder = std::make_shared<std::wstring>();
    ops.prepareTrustedFolder = [setAsideWorkFolder](const std::wstring& path) {
        const bool trusted = prepareTrustedFolder(path, workFolderFixedNames(), setAsideWorkFolder.get());
        if (!setAsideWorkFolder->empty())
            logEvent("work folder " + toUtf8(path) + " was set aside as " + toUtf8(*setAsideWorkFolder));
        if (!trusted) return false;
        // Without the old record an older signed release would be taken again.
        if (!setAsideWorkFolder->empty())
            carryAcceptedSequence(*setAsideWorkFolder + L"\\manifest.sequence", path + L"\\manifest.sequence");
        // Only a trusted work folder holds the log: nobody else can have planted anything there.
        setSupportLogFolder(path);
        return true;
    };
    ops.checkTrustedFolder = [](const std::wstring& path) { return checkTrustedFolder(path); };
    ops.prepareStagingFolder = prepareStagingFolder;
    ops.publishStagingFolder = [](const std::wstring& stagingFolder, const std::wstring& javaFolder) {
        const bool published = publishStagingFolder(stagingFolder, javaFolder);
        logEvent((published ? "published " : "could not publish ") + toUtf8(stagingFolder) + " as " +
                 toUtf8(javaFolder));
        return published;
    };
    ops.removeFolder = [](const std::wstring& path) { removeTreeWithoutFollowing(path); };
    ops.removeSetAsideFolders = removeSetAsideFolders;
    ops.httpGet = [](const std::string& url, std::vector<unsigned char>& body) {
        return fetchManifestBody(url, body);
    };
    ops.readManifestPairs = readManifestPairs;
    ops.selectManifestEntries = selectManifestEntries;
    ops.verifyManifestSignature = verifyManifestSignature;
    ops.readAcceptedSequence = readAcceptedSequence;
    ops.storeAcceptedSequence = storeAcceptedSequence;
    ops.downloadFile = [setAsideWorkFolder](const std::string& url, const std::wstring& targetPath,
                                            const std::string& expectedSha256) {
        if (!setAsideWorkFolder->empty()) {
            const std::wstring name = targetPath.substr(targetPath.rfind(L'\\'));
            if (copyVerifiedFile(*setAsideWorkFolder + name, targetPath, expectedSha256)) return true;
        }
        // The window's status line and the system clock: what the player sees while a file arrives.
        return downloadFile(
            url, targetPath, expectedSha256,
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
    ops.storeRuntimeSource = storeRuntimeSource;
    ops.fileSha256 = computeFileSha256;
    ops.prepareStarterFolder = [](const std::wstring& path) {
        static const std::vector<std::wstring> names = {L"MorvantaStarter.exe", L"MorvantaStarter.exe.part",
                                                        L"MorvantaStarter.exe.failed"};
        return prepareTrustedFolder(path, names);
    };
    ops.ownProgramPath = ownProgramPath;
    ops.handOverToStarter = handOverToStarter;
    return ops;
}
