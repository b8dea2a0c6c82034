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
    // Removes what this and earlier runs set aside, once the run has what it needs.
    std::function<void(const std::wstring& gameDirectory, const std::wstring& workFolder)> removeSetAsideFolders;
    std::function<std::wstring(const std::wstring& root, const std::wstring& fileName)> findJavaExecutable;
    std::function<bool(const std::wstring& zipPath, const std::wstring& destDir)> extractZip;
    std::function<std::string(const std::wstring& path)> fileSha256;  // empty when unreadable
    // A copy of a file verified before, out of a work folder that was set aside;
    // false unless its digest is the expected one.
    std::function<bool(const std::wstring& source, const std::wstring& targetPath, const std::string& expectedSha256)>
        copyVerifiedFile;
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
    // The record of the archive the installed runtime came from: empty when none.
    std::function<std::string(const std::wstring& path)> readRuntimeSource;
    std::function<bool(const std::wstring& path, const std::string& digest)> storeRuntimeSource;
    // Used only by a build with signing keys.
    std::function<bool(const std::vector<ManifestPublicKey>& keys, const std::string& message,
                       const ManifestSignature& signature)>
        verifyManifestSignature;
};

// This process, the machine-wide lock, the support log and the processes it starts.
struct ProcessEffects {
    std::function<std::uint64_t()> tickCount;
    std::function<void(std::uint32_t milliseconds)> sleep;
    // Waits while another starter on this machine works on the files, then keeps them to this run.
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
    // Starts `program` in this one's place and waits for its window: empty once it
    // is up, else why not, with the program set aside as "<program>.failed".
    std::function<std::string(const std::wstring& program)> handOverToStarter;
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
