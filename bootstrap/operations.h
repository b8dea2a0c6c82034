#pragma once
// The narrow seam through which the bootstrap sequence reaches everything it
// calls, so tests can drive each branch without a network or a disk.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bootstrap/manifest.h"
#include "bootstrap/manifest_signature.h"
#include "bootstrap/rollback_record.h"

struct BootstrapOperations {
    std::function<std::uint64_t()> tickCount;
    // Waits while another starter on this machine works on the files, then keeps them to this run.
    std::function<void()> lockWorkFiles;
    // Lets the next starter in: before a failure notice waits for its user, and before the launch.
    std::function<void()> unlockWorkFiles;
    // The game directory, made when missing and kept safe from being replaced; false
    // when it is not a plain folder that can be made safe.
    std::function<bool(const std::wstring& path)> prepareGameDirectory;
    // A work folder only administrators can change: an untrusted one is set aside
    // and made anew. False when no trusted folder could be had.
    std::function<bool(const std::wstring& path)> prepareTrustedFolder;
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
    // One GET of `url` into memory; true only for a complete body with status 200.
    std::function<bool(const std::string& url, std::vector<unsigned char>& body)> httpGet;
    std::function<std::vector<ManifestPair>(const std::vector<unsigned char>& body)> readManifestPairs;
    std::function<ManifestSelection(const std::vector<ManifestPair>& pairs)> selectManifestEntries;
    // Used only by a build with signing keys.
    std::function<bool(const std::vector<ManifestPublicKey>& keys, const std::string& message,
                       const ManifestSignature& signature)>
        verifyManifestSignature;
    std::function<AcceptedSequence(const std::wstring& path)> readRollbackRecord;
    std::function<bool(const std::wstring& path, std::uint64_t sequence)> storeRollbackRecord;
    std::function<bool(const std::string& url, const std::wstring& targetPath,
                       const std::string& expectedSha256)>
        downloadFile;
    std::function<std::wstring(const std::wstring& root, const std::wstring& fileName)>
        findJavaExecutable;
    std::function<bool(const std::wstring& zipPath, const std::wstring& destDir)> extractZip;
    // Keeps the folders and the program the launch starts from from being renamed,
    // replaced or written until the process is created; false when they cannot be held.
    std::function<bool(const std::vector<std::wstring>& folders, const std::wstring& program)> holdForLaunch;
    // Lets go of that hold as soon as the process exists.
    std::function<void(const std::wstring& javaExecutable, const std::wstring& launcherJarPath,
                       std::uint64_t workerStartTick)>
        launchJavaLauncher;
    std::function<void(const std::wstring& text, double progress)> publishStatus;
    // The record of the archive the installed runtime came from: empty when none.
    std::function<std::string(const std::wstring& path)> readRuntimeSource;
    std::function<bool(const std::wstring& path, const std::string& digest)> storeRuntimeSource;
    std::function<std::string(const std::wstring& path)> fileSha256;  // empty when unreadable
    // The work folder's "starter" folder, trusted like the others.
    std::function<bool(const std::wstring& path)> prepareStarterFolder;
    // This program's own file.
    std::function<std::wstring()> ownProgramPath;
    // Starts `program` in this one's place and waits for its window; on success this
    // program's window is closing and it is to end. Else why not, with the program
    // set aside as "<program>.failed".
    std::function<std::string(const std::wstring& program)> handOverToStarter;
    std::function<void(const std::wstring& message)> showFailureNotice;
};
