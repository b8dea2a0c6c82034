#include "app/operations.h"

#include <windows.h>

#include <memory>

#include "app/failure_notice.h"
#include "app/handover.h"
#include "app/java_process.h"
#include "app/launcher_state.h"
#include "app/messages.h"
#include "app/support_log_file.h"
#include "archive/extract_zip.h"
#include "base/support_log.h"
#include "base/text.h"
#include "bootstrap/java_search.h"
#include "bootstrap/machine_lock.h"
#include "bootstrap/runtime_folder.h"
#include "bootstrap/runtime_source.h"
#include "bootstrap/streamed_archive.h"
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

std::uint64_t systemTick() { return static_cast<std::uint64_t>(GetTickCount64()); }

FolderEffects realFolderEffects(const WorkFolder& work) {
    FolderEffects folders;
    folders.prepareGameDirectory = [work](const std::wstring& path) {
        return prepareGameDirectory(path, work.root, work.fixedNames());
    };
    // A link at a name the starter uses cannot be set aside as a link everywhere
    // (Wine moves its target): the whole work folder goes aside instead.
    folders.prepareWorkFolder = [work](const std::wstring& path, std::wstring& setAsidePath) {
        return prepareTrustedFolder(path, work.fixedNames(), &setAsidePath);
    };
    folders.prepareStarterFolder = [work](const std::wstring& path) {
        return prepareTrustedFolder(path, work.starterFixedNames());
    };
    folders.trustOrSetAside = [](const std::wstring& path) { return trustOrSetAside(path); };
    folders.prepareStagingFolder = [](const std::wstring& path) { return prepareStagingFolder(path, kStaleStagingSuffix); };
    folders.publishStagingFolder = [](const std::wstring& stagingFolder, const std::wstring& javaFolder) {
        const bool published = publishStagingFolder(stagingFolder, javaFolder, kOldRuntimeSuffix);
        logEvent((published ? "published " : "could not publish ") + toUtf8(stagingFolder) + " as " +
                 toUtf8(javaFolder));
        return published;
    };
    folders.removeFolder = [](const std::wstring& path) { removeTreeWithoutFollowing(path); };
    folders.removeSetAsideFolders = [work](const std::wstring& gameDirectory, const std::wstring& workFolder) {
        removeMatching(gameDirectory, work.setAsideInGameDirectory());
        removeMatching(workFolder, work.setAsideInRoot());
    };
    folders.findJavaExecutable = findJavaExecutable;
    folders.extractZip = extractZip;
    folders.fileSha256 = computeFileSha256;
    folders.copyVerifiedFile = [](const std::wstring& source, const std::wstring& targetPath,
                                  const std::string& expectedSha256) {
        return copyVerifiedFile(source, WorkFolder::downloadFilesFor(targetPath), expectedSha256);
    };
    return folders;
}

NetworkEffects realNetworkEffects() {
    NetworkEffects network;
    network.fetchManifest = fetchManifestBody;
    // The window's status line and the system clock: what the player sees while a file arrives.
    network.downloadFile = [](const std::string& url, const std::wstring& targetPath,
                              const std::string& expectedSha256) {
        return downloadFile(
            url, WorkFolder::downloadFilesFor(targetPath), expectedSha256,
            [](const std::wstring& text, double progress) { publishStatus(text, progress); }, systemTick);
    };
    network.downloadUnpacking = [](const std::string& url, const std::wstring& targetPath,
                                   const std::string& expectedSha256, const std::wstring& stagingFolder) {
        return downloadUnpackingArchive(
            url, WorkFolder::downloadFilesFor(targetPath), expectedSha256, stagingFolder,
            [](const std::wstring& text, double progress) { publishStatus(text, progress); }, systemTick);
    };
    return network;
}

RecordEffects realRecordEffects() {
    RecordEffects records;
    records.readRollbackRecord = readRollbackRecord;
    records.storeRollbackRecord = [](const std::wstring& path, std::uint64_t sequence) {
        return storeRollbackRecord(path, WorkFolder::replacementOf(path), sequence);
    };
    records.carryRollbackRecord = [](const std::wstring& setAsideRecord, const std::wstring& path) {
        return carryRollbackRecord(setAsideRecord, path, WorkFolder::replacementOf(path));
    };
    records.readRuntimeSource = readRuntimeSource;
    records.storeRuntimeSource = [](const std::wstring& path, const std::string& digest) {
        return storeRuntimeSource(path, WorkFolder::replacementOf(path), digest);
    };
    records.verifyManifestSignature = verifyManifestSignature;
    return records;
}

ProcessEffects realProcessEffects() {
    ProcessEffects process;
    process.tickCount = systemTick;
    process.sleep = [](std::uint32_t milliseconds) { Sleep(milliseconds); };
    process.lockWorkFiles = lockWorkFiles;
    process.unlockWorkFiles = unlockWorkFiles;
    process.pointSupportLogAt = setSupportLogFolder;
    auto launchHold = std::make_shared<LaunchHold>();
    process.holdForLaunch = [launchHold](const std::vector<std::wstring>& folders, const std::wstring& program) {
        return holdForLaunch(folders, program, *launchHold);
    };
    process.releaseLaunchHold = [launchHold] { launchHold->clear(); };
    process.startJava = startJavaProcess;
    process.ownProgramPath = ownProgramPath;
    process.handOverToStarter = [](const std::wstring& program) {
        return handOverToStarter(program, WorkFolder::failedProgramOf(program));
    };
    return process;
}

ScreenEffects realScreenEffects() {
    ScreenEffects screen;
    screen.publishStatus = [](const std::wstring& text, double progress) { publishStatus(text, progress); };
    screen.showFailureNotice = [](const std::wstring& message) { showFailureNotice(message.c_str()); };
    screen.closeSplash = [] {
        reportJavaEndedEarly();
        if (mainWindow != nullptr) PostMessageW(mainWindow, WM_LAUNCHER_DONE, 0, 0);
    };
    return screen;
}

}  // namespace

SequenceEffects realSequenceEffects(const WorkFolder& work) {
    return SequenceEffects{realFolderEffects(work), realNetworkEffects(), realRecordEffects(), realProcessEffects(),
                           realScreenEffects()};
}
