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
#include "bootstrap/runtime_delta_apply.h"
#include "bootstrap/runtime_folder.h"
#include "bootstrap/runtime_source.h"
#include "bootstrap/streamed_archive.h"
#include "bootstrap/rollback_record.h"
#include "bootstrap/signature_verify.h"
#include "bootstrap/work_folder.h"
#include "files/file_replace.h"
#include "files/launch_hold.h"
#include "files/private_file.h"
#include "files/tree_removal.h"
#include "files/trusted_folders.h"
#include "net/digest_text.h"
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
        if (!prepareTrustedFolder(path, work.fixedNames(), &setAsidePath)) return false;
        // Files an earlier version made here may still let Users open and hold them.
        makeFilesPrivate(path, work.privateFileNames());
        return true;
    };
    folders.prepareStarterFolder = [work](const std::wstring& path) {
        return prepareTrustedFolder(path, work.starterFixedNames());
    };
    folders.trustOrSetAside = [](const std::wstring& path) { return trustOrSetAside(path); };
    folders.prepareStagingFolder = [](const std::wstring& path) { return prepareStagingFolder(path, kStaleStagingSuffix); };
    folders.publishStagingFolder = [](const std::wstring& stagingFolder, const std::wstring& javaFolder) {
        const bool published = publishStagingFolder(stagingFolder, javaFolder, kOldRuntimeSuffix);
        // The folder checked as staging is the runtime now; the launch holds none other.
        if (published) carryCheckedFolder(stagingFolder, javaFolder);
        logEvent((published ? "published " : "could not publish ") + toUtf8(stagingFolder) + " as " +
                 toUtf8(javaFolder));
        return published;
    };
    folders.removeFolder = [](const std::wstring& path) { removeTreeWithoutFollowing(path); };
    // Anyone may plant entries here that cannot be removed: the time spent is bounded, the rest waits.
    folders.removeSetAsideFolders = [work](const std::wstring& gameDirectory, const std::wstring& workFolder) {
        const std::uint64_t deadline = GetTickCount64() + kSetAsideRemovalBudgetMs;
        const bool inGameDirectory = removeMatching(gameDirectory, work.setAsideInGameDirectory(), deadline);
        if (!(removeMatching(workFolder, work.setAsideInRoot(), deadline) && inGameDirectory))
            logEvent("some set-aside folders could not be removed yet: left for a later start");
    };
    folders.findJavaExecutable = findJavaExecutable;
    folders.extractZip = extractZip;
    folders.buildStagingFromDelta = buildStagingFromDelta;
    folders.fileSha256 = computeFileSha256;
    folders.copyVerifiedFile = [](const std::wstring& source, const std::wstring& targetPath,
                                  const std::string& expectedSha256) {
        return copyVerifiedFile(source, WorkFolder::downloadFilesFor(targetPath), expectedSha256);
    };
    folders.setAsideFailedStarter = [](const std::wstring& program) {
        return replaceFile(program, WorkFolder::failedProgramOf(program));
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

ProcessEffects realProcessEffects(const WorkFolder& work) {
    ProcessEffects process;
    process.tickCount = systemTick;
    process.sleep = [](std::uint32_t milliseconds) { Sleep(milliseconds); };
    process.lockWorkFiles = [work] { lockWorkFiles(work.root, work.lockFile); };
    process.unlockWorkFiles = unlockWorkFiles;
    process.pointSupportLogAt = setSupportLogFolder;
    auto launchHold = std::make_shared<LaunchHold>();
    process.holdForLaunch = [launchHold](const std::vector<std::wstring>& folders, const std::wstring& program) {
        return holdForLaunch(folders, program, *launchHold);
    };
    process.releaseLaunchHold = [launchHold] { launchHold->clear(); };
    process.startJava = startJavaProcess;
    process.ownProgramPath = ownProgramPath;
    // The new program is held from its digest check until it runs, so the file
    // started is the file checked; its imports come from System32 only.
    process.startNewerStarter = [launchHold, work](const std::wstring& program, const std::string& expectedSha256) {
        if (!holdForLaunch({work.gameDirectory, work.root, work.starterFolder}, program, *launchHold)) {
            logEvent("starter: the new program could not be held");
            return NewStarterWatch{};
        }
        if (!sameDigest(computeHandleSha256(launchHold->back().get()), expectedSha256) ||
            !letOwnRenameThrough(*launchHold)) {
            launchHold->clear();
            logEvent("starter: the held program is not the one named");
            return NewStarterWatch{};
        }
        const NewStarterWatch watch = startNewerStarter(program);
        launchHold->clear();
        return watch;
    };
    process.takeSingleInstanceBack = takeSingleInstanceBack;
    process.awaitNewerStarterEnd = awaitNewerStarterEnd;
    return process;
}

ScreenEffects realScreenEffects() {
    ScreenEffects screen;
    screen.publishStatus = [](const std::wstring& text, double progress) { publishStatus(text, progress); };
    screen.showFailureNotice = [](const std::wstring& message) {
        noteRunEnded();
        showFailureNotice(message.c_str());
    };
    screen.closeSplash = [] {
        reportJavaEndedEarly();
        if (mainWindow != nullptr) PostMessageW(mainWindow, WM_LAUNCHER_DONE, 0, 0);
    };
    return screen;
}

}  // namespace

SequenceEffects realSequenceEffects(const WorkFolder& work) {
    return SequenceEffects{realFolderEffects(work), realNetworkEffects(), realRecordEffects(), realProcessEffects(work),
                           realScreenEffects()};
}
