#pragma once
// The narrow seam through which the bootstrap sequence reaches the world: effects
// only, grouped by what they touch. The sequence's decisions (manifest reading and
// selection, the signed claim, the runtime and hand-over choices) are plain
// functions it calls itself, so tests fake the world and nothing else.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bootstrap/manifest_signature.h"
#include "bootstrap/rollback_record.h"
#include "bootstrap/runtime_choice.h"

// The game directory, the work folder and the files in them.
struct FolderEffects {
    // The game directory, made when missing and kept safe from being replaced; false
    // when it is not a plain folder that can be made safe.
    std::function<bool(const std::wstring& path)> prepareGameDirectory;
    // A work folder only administrators can change: an untrusted one is set aside
    // (where it went in `setAsidePath`, else empty) and made anew. False when no
    // trusted folder could be had.
    std::function<bool(const std::wstring& path, std::wstring& setAsidePath)> prepareWorkFolder;
    // The work folder's "starter" folder, trusted like the others.
    std::function<bool(const std::wstring& path)> prepareStarterFolder;
    // True when the folder exists and is trusted; anything else there is set aside.
    std::function<bool(const std::wstring& path)> trustOrSetAside;
    // An empty trusted folder to unpack into, after removing what an earlier run left.
    std::function<bool(const std::wstring& path)> prepareStagingFolder;
    // Renames the unpacked staging folder to the runtime folder in one step, after
    // moving an old runtime folder aside and removing it.
    std::function<bool(const std::wstring& stagingFolder, const std::wstring& javaFolder)> publishStagingFolder;
    // Removes a folder tree, deleting links as links.
    std::function<void(const std::wstring& path)> removeFolder;
    // Removes what this and earlier runs set aside, once the launcher's process exists;
    // bounded in time, what is left waits for a later start.
    std::function<void(const std::wstring& gameDirectory, const std::wstring& workFolder)> removeSetAsideFolders;
    std::function<std::wstring(const std::wstring& root, const std::wstring& fileName)> findJavaExecutable;
    std::function<bool(const std::wstring& zipPath, const std::wstring& destDir)> extractZip;
    // Builds the empty staging folder from the installed runtime and a delta from
    // archive `fromSha256` to `toSha256`, every file checked: empty when done, else why not.
    std::function<std::string(const std::wstring& deltaPath, const std::wstring& installedRuntime,
                              const std::wstring& staging, const std::string& fromSha256,
                              const std::string& toSha256)>
        buildStagingFromDelta;
    std::function<std::string(const std::wstring& path)> fileSha256;  // empty when unreadable
    // A copy of a file verified before, out of a work folder that was set aside;
    // false unless its digest is the expected one.
    std::function<bool(const std::wstring& source, const std::wstring& targetPath, const std::string& expectedSha256)>
        copyVerifiedFile;
    // Renames a newer starter that failed to "<program>.failed": never run again.
    std::function<bool(const std::wstring& program)> setAsideFailedStarter;
};

// What became of a runtime archive unpacked while it was fetched.
enum class ArchiveArrival {
    notFetched,  // the download failed
    fetched,     // the archive is in place but not unpacked: unpack the whole file
    unpacked,    // the archive is in place and the staging folder holds it all, checked and flushed
    refused,     // the unpack failed; the archive is in place unless its directory disagreed with its entries
};

// The update servers.
struct NetworkEffects {
    // One GET of `url` into memory; true only for a complete body with status 200.
    std::function<bool(const std::string& url, std::vector<unsigned char>& body)> fetchManifest;
    // True only when targetPath holds the file with the expected digest.
    std::function<bool(const std::string& url, const std::wstring& targetPath, const std::string& expectedSha256)>
        downloadFile;
    // As downloadFile, unpacking the archive into `stagingFolder` as it arrives; empty
    // where archives are unpacked only after their download.
    std::function<ArchiveArrival(const std::string& url, const std::wstring& targetPath,
                                 const std::string& expectedSha256, const std::wstring& stagingFolder)>
        downloadUnpacking;
};

// The starter's own small records, and the signature that vouches for what they protect.
struct RecordEffects {
    std::function<AcceptedSequence(const std::wstring& path)> readRollbackRecord;
    std::function<bool(const std::wstring& path, std::uint64_t sequence)> storeRollbackRecord;
    // From a set-aside work folder into the new one, only when that file can be trusted.
    std::function<bool(const std::wstring& setAsideRecord, const std::wstring& path)> carryRollbackRecord;
    // The record of the archive the installed runtime came from: present, missing or unreadable.
    std::function<RuntimeSource(const std::wstring& path)> readRuntimeSource;
    std::function<bool(const std::wstring& path, const std::string& digest)> storeRuntimeSource;
    // Used only by a build with signing keys.
    std::function<bool(const std::vector<ManifestPublicKey>& keys, const std::string& message,
                       const ManifestSignature& signature)>
        verifyManifestSignature;
};

// What this program saw of a newer starter it started.
struct NewStarterWatch {
    bool started = false;     // the process was created
    bool windowSeen = false;  // its splash window came up
    bool ended = false;       // it has ended by itself (else it still ran, or was ended for want of a window)
    std::uint32_t exitCode = 0;
};

// This process, the machine-wide lock, the support log and the processes it starts.
struct ProcessEffects {
    std::function<std::uint64_t()> tickCount;
    std::function<void(std::uint32_t milliseconds)> sleep;
    // Waits while another starter on this machine works on the files, then keeps them
    // to this run; called again once the work folder is trusted, the lock moves into it.
    std::function<void()> lockWorkFiles;
    std::function<void()> unlockWorkFiles;
    // Where the support log may be written: only a trusted work folder holds it.
    std::function<void(const std::wstring& logsFolder)> pointSupportLogAt;
    // Keeps the folders and the program the launch starts from from being renamed,
    // replaced or written until it is let go; false when they cannot be held.
    std::function<bool(const std::vector<std::wstring>& folders, const std::wstring& program)> holdForLaunch;
    std::function<void()> releaseLaunchHold;
    // Creates the process from the writable, NUL-terminated command line in
    // `currentDirectory`, without a console window.
    std::function<bool(std::vector<wchar_t>& commandLine, const std::wstring& currentDirectory)> startJava;
    // This program's own file.
    std::function<std::wstring()> ownProgramPath;
    // Holds `program`, hashes it through the held handle and, when it is the expected
    // file, lets go of the single-instance lock and starts it in this one's place,
    // then waits while it lives, at most a minute, for its splash window; one that
    // neither shows it nor ends in that time is ended. A program that cannot be
    // held or is not the expected file is not started.
    std::function<NewStarterWatch(const std::wstring& program, const std::string& expectedSha256)> startNewerStarter;
    // After a newer starter did not come up: false when another copy of this
    // session has taken the single-instance lock meanwhile.
    std::function<bool()> takeSingleInstanceBack;
    // Waits, windowless, until the newer starter whose window came up has ended.
    std::function<NewStarterWatch()> awaitNewerStarterEnd;
};

// The splash window.
struct ScreenEffects {
    std::function<void(const std::wstring& text, double progress)> publishStatus;
    std::function<void(const std::wstring& message)> showFailureNotice;
    // Asks the window to close: the run is over and the program ends.
    std::function<void()> closeSplash;
};

struct SequenceEffects {
    FolderEffects folders;
    NetworkEffects network;
    RecordEffects records;
    ProcessEffects process;
    ScreenEffects screen;
};
