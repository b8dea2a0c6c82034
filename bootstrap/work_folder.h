#pragma once
// The work folder "loader" in the game directory: every path and name the starter
// fetches, unpacks, records, runs or sets aside there. The lower layers are given
// these; none of them knows a name of its own.

#include <string>
#include <vector>

#include "net/download.h"

// Suffixes of folders moved out of the way, each followed by random hex digits;
// whatever carries one is removed once a run has what it needs. Folders that
// fail the trust check get the trust check's own kUntrustedSuffix.
inline constexpr const wchar_t* kOldRuntimeSuffix = L".old-";      // a runtime being replaced
inline constexpr const wchar_t* kStaleStagingSuffix = L".stale-";  // what a cut unpack left and could not be removed

struct WorkFolder {
    explicit WorkFolder(const std::wstring& gameDirectory);

    std::wstring gameDirectory;
    std::wstring root;            // <game>\loader
    std::wstring launcherJar;
    std::wstring javaZip;         // the runtime's archive
    std::wstring runtime;         // the unpacked runtime the launcher is started with
    std::wstring staging;         // where the archive is unpacked before it becomes the runtime
    std::wstring runtimeDelta;    // a delta from the installed runtime to the manifest's
    std::wstring rollbackRecord;  // the highest manifest sequence this machine accepted
    std::wstring runtimeSource;   // the digest of the archive the runtime came from
    std::wstring starterFolder;   // a newer starter the manifest names
    std::wstring starterProgram;
    std::wstring logs;
    std::wstring lockFile;        // held without sharing while a run works on the files

    // Names in `root`, and in `starterFolder`, at which no link may sit: every
    // entry the starter reads, writes or runs there.
    std::vector<std::wstring> fixedNames() const;
    std::vector<std::wstring> starterFixedNames() const;
    // Names in `root` of the files only SYSTEM and Administrators may open: what the
    // starter hashes, replaces or keeps as a record, and what their writes leave.
    std::vector<std::wstring> privateFileNames() const;

    // Patterns of what runs set aside: in `gameDirectory`, and in `root`.
    std::vector<std::wstring> setAsideInGameDirectory() const;
    std::vector<std::wstring> setAsideInRoot() const;

    // The files a download of `target` goes through: its partial file and the record beside it.
    static DownloadFiles downloadFilesFor(const std::wstring& target);
    // Where a record is written in full before it replaces `record`.
    static std::wstring replacementOf(const std::wstring& record);
    // Where a program that did not come up is put, so that it is neither run nor fetched again.
    static std::wstring failedProgramOf(const std::wstring& program);
};
