// Work folders, tree removal and file replacement on the real file system (under Wine in CI).

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "bootstrap/runtime_folder.h"
#include "bootstrap/work_folder.h"
#include "files/tree_removal.h"
#include "files/trusted_folders.h"
#include "files/file_replace.h"
#include "files/plain_file.h"
#include "files/private_file.h"
#include "files/record_file.h"
#include "files/record_trust.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class TrustedFolders : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        root = fs::path(temp) / ("trusted-folders-" + std::to_string(GetCurrentProcessId()));
        std::error_code ignored;
        fs::remove_all(root, ignored);
        fs::create_directories(root);
        // The comparisons with final paths need the long, canonical spelling.
        root = fs::canonical(root);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::wstring path(const wchar_t* name) const { return (root / name).wstring(); }

    fs::path root;
};

TEST_F(TrustedFolders, AFolderTheStarterMadeIsTrustedOnEveryLaterStart) {
    const std::wstring work = path(L"loader");
    ASSERT_TRUE(prepareTrustedFolder(work));
    writeFile(root / L"loader" / L"launcher.jar", "jar");
    // A platform that keeps no descriptors must not make the next start quarantine its own folder.
    for (int start = 0; start < 3; ++start) ASSERT_TRUE(prepareTrustedFolder(work));
    EXPECT_EQ(readFile(root / L"loader" / L"launcher.jar"), "jar");
    for (const auto& entry : fs::directory_iterator(root))
        EXPECT_EQ(entry.path().filename().wstring().find(L".untrusted-"), std::wstring::npos);
    EXPECT_TRUE(trustOrSetAside(work));
}

TEST_F(TrustedFolders, SomethingElseAtTheFolderPathIsSetAsideNotDeleted) {
    writeFile(root / L"loader", "a file where the folder belongs");
    writeFile(root / L"loader.untrusted-1", "planted");
    std::wstring aside;
    EXPECT_FALSE(trustOrSetAside(path(L"loader"), {}, &aside));
    EXPECT_EQ(readFile(aside), "a file where the folder belongs");
    EXPECT_EQ(aside.rfind(path(L"loader.untrusted-"), 0), 0u) << "the cleanup's prefix";

    writeFile(root / L"loader", "again");
    std::wstring second;
    ASSERT_TRUE(prepareTrustedFolder(path(L"loader"), {}, &second));
    EXPECT_TRUE(fs::is_directory(root / L"loader"));
    EXPECT_EQ(readFile(second), "again") << "a name of its own";
    EXPECT_EQ(readFile(aside), "a file where the folder belongs");
    EXPECT_EQ(readFile(root / L"loader.untrusted-1"), "planted");
}

TEST_F(TrustedFolders, RemovalTakesTheWholeTreeIncludingReadOnlyFiles) {
    fs::create_directories(root / L"staging" / L"jdk" / L"lib" / L"deep");
    writeFile(root / L"staging" / L"jdk" / L"lib" / L"deep" / L"modules", "m");
    writeFile(root / L"staging" / L"jdk" / L"release", "r");
    SetFileAttributesW((root / L"staging" / L"jdk" / L"release").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(removeTreeWithoutFollowing(path(L"staging")));
    EXPECT_FALSE(fs::exists(root / L"staging"));
    EXPECT_TRUE(removeTreeWithoutFollowing(path(L"staging"))) << "nothing there is no failure";
}

TEST_F(TrustedFolders, StagingIsMadeEmptyAndPublishedOverAnOldRuntimeInOneRename) {
    const std::wstring staging = path(L"java.staging");
    const std::wstring java = path(L"java");
    fs::create_directories(root / L"java.staging" / L"half");
    writeFile(root / L"java.staging" / L"half" / L"left-by-a-cut-run", "x");
    ASSERT_TRUE(prepareStagingFolder(staging, L".stale-"));
    EXPECT_TRUE(fs::is_empty(root / L"java.staging"));

    fs::create_directories(root / L"java" / L"old");
    writeFile(root / L"java" / L"old" / L"file", "old runtime without Java");
    fs::create_directories(root / L"java.staging" / L"jdk" / L"bin");
    writeFile(root / L"java.staging" / L"jdk" / L"bin" / L"javaw.exe", "new");
    ASSERT_TRUE(publishStagingFolder(staging, java, L".old-"));
    EXPECT_EQ(readFile(root / L"java" / L"jdk" / L"bin" / L"javaw.exe"), "new");
    EXPECT_FALSE(fs::exists(root / L"java" / L"old"));
    EXPECT_FALSE(fs::exists(root / L"java.staging"));
    for (const auto& entry : fs::directory_iterator(root))
        EXPECT_EQ(entry.path().filename().wstring().find(L"java.old-"), std::wstring::npos)
            << "the old runtime is removed, not left aside";
}

// Each suffix a run sets a folder aside with is matched by the sweep, and the
// sweep leaves every entry a later run still uses.
TEST_F(TrustedFolders, WhatRunsSetAsideIsSweptAndWhatTheyUseStays) {
    const WorkFolder work(root.wstring());
    const auto setAsideFolder = [](const std::wstring& folder, const wchar_t* suffix) {
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        writeFile(fs::path(folder) / L"content", "x");
        ASSERT_TRUE(setAside(folder, suffix));
    };
    setAsideFolder(work.root, kUntrustedSuffix);
    ASSERT_TRUE(CreateDirectoryW(work.root.c_str(), nullptr));
    setAsideFolder(work.runtime, kUntrustedSuffix);
    setAsideFolder(work.runtime, kOldRuntimeSuffix);
    setAsideFolder(work.staging, kStaleStagingSuffix);
    setAsideFolder(work.logs, kUntrustedSuffix);
    setAsideFolder(work.starterFolder, kUntrustedSuffix);

    for (const std::wstring& folder : {work.runtime, work.staging, work.logs, work.starterFolder})
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    for (const std::wstring& file : {work.launcherJar, work.javaZip, work.rollbackRecord, work.runtimeSource})
        writeFile(file, "kept");
    std::set<std::wstring> used;
    for (const auto& entry : fs::directory_iterator(work.root)) used.insert(entry.path().filename().wstring());
    ASSERT_EQ(used.size(), 13u) << "every set-aside folder has a name of its own";

    removeMatching(work.gameDirectory, work.setAsideInGameDirectory());
    removeMatching(work.root, work.setAsideInRoot());
    std::vector<std::wstring> inGame;
    for (const auto& entry : fs::directory_iterator(root)) inGame.push_back(entry.path().filename().wstring());
    EXPECT_EQ(inGame, std::vector<std::wstring>{L"loader"});
    std::set<std::wstring> left;
    for (const auto& entry : fs::directory_iterator(work.root)) left.insert(entry.path().filename().wstring());
    EXPECT_EQ(left, (std::set<std::wstring>{L"java", L"java.staging", L"logs", L"starter", L"launcher.jar",
                                            L"java.zip", L"manifest.sequence", L"java.source"}));
}

// Win32 path conversion would name a device for "COM1" (and drop the dot of "x.",
// which Wine lists under another name): removal goes by the entries' own names.
TEST_F(TrustedFolders, RemovalNamesEntriesByTheirVerbatimPaths) {
    const auto verbatim = [this](const wchar_t* name) { return L"\\\\?\\" + path(name); };
    for (const wchar_t* folder : {L"aside", L"aside\\NUL"})
        ASSERT_TRUE(CreateDirectoryW(verbatim(folder).c_str(), nullptr)) << GetLastError();
    for (const wchar_t* name : {L"aside\\COM1", L"aside\\aux.txt", L"aside\\NUL\\CON"}) {
        UniqueFileHandle file(
            CreateFileW(verbatim(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file) << GetLastError();
    }
    const bool removed = removeTreeWithoutFollowing(path(L"aside"));
    const bool gone = GetFileAttributesW(verbatim(L"aside").c_str()) == INVALID_FILE_ATTRIBUTES;
    // What is left would not go through the fixture's own clean-up either.
    for (const wchar_t* name : {L"aside\\NUL\\CON", L"aside\\COM1", L"aside\\aux.txt"}) DeleteFileW(verbatim(name).c_str());
    for (const wchar_t* name : {L"aside\\NUL", L"aside"}) RemoveDirectoryW(verbatim(name).c_str());
    EXPECT_TRUE(removed);
    EXPECT_TRUE(gone);
}

// Anyone may plant an entry and hold a file in it: its removal gives up at the deadline.
TEST_F(TrustedFolders, RemovalOfWhatIsHeldEndsAtItsDeadline) {
    fs::create_directories(root / L"loader.untrusted-1");
    writeFile(root / L"loader.untrusted-1" / L"held", "x");
    UniqueFileHandle held(CreateFileW(path(L"loader.untrusted-1\\held").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    writeFile(root / L"loader.untrusted-2", "x");
    EXPECT_FALSE(removeMatching(root.wstring(), {L"loader.untrusted-*"}, 0)) << "a deadline passed";
    EXPECT_TRUE(fs::exists(root / L"loader.untrusted-2")) << "nothing is tried after the deadline";
    const ULONGLONG began = GetTickCount64();
    EXPECT_FALSE(removeMatching(root.wstring(), {L"loader.untrusted-*"}, began + 200));
    EXPECT_LT(GetTickCount64() - began, 2000u) << "stopped at the deadline, not after the retries of each entry";
    EXPECT_TRUE(fs::exists(root / L"loader.untrusted-1" / L"held"));
    held.reset();
    EXPECT_TRUE(removeMatching(root.wstring(), {L"loader.untrusted-*"}));
    EXPECT_FALSE(fs::exists(root / L"loader.untrusted-1"));
}

// Files an earlier version made let Users read them (under Wine: a mode others may read).
TEST_F(TrustedFolders, ExistingFilesGetThePrivateDescriptor) {
    const TrustContext& context = trustContextOfRun(root.wstring());
    const auto needsRewrite = [&](const wchar_t* name) {
        UniqueFileHandle file = openRecordFile(path(name));
        return !file || needsPrivateDescriptor(describeRecordFile(file.get(), path(name)).security, context);
    };
    for (const wchar_t* name : {L"launcher.jar.part", L"java.zip", L"linked.jar"}) writeFile(root / name, "old");
    ASSERT_TRUE(CreateHardLinkW(path(L"second-name").c_str(), path(L"linked.jar").c_str(), nullptr));
    ASSERT_TRUE(needsRewrite(L"launcher.jar.part")) << "the platform shows the inherited read";

    UniqueFileHandle part = createPrivateFile(path(L"launcher.jar.part"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_TRUE(part);
    part.reset();
    EXPECT_FALSE(needsRewrite(L"launcher.jar.part")) << "CREATE_ALWAYS alone keeps the old descriptor";

    makeFilesPrivate(root.wstring(), {L"java.zip", L"linked.jar", L"missing"});
    EXPECT_FALSE(needsRewrite(L"java.zip"));
    EXPECT_TRUE(needsRewrite(L"linked.jar")) << "a file with a second name is left alone";
    EXPECT_EQ(readFile(root / L"java.zip"), "old");
}

// A name the starter writes, replaces or runs without the link check would let a
// planted link aim an elevated write or start anywhere.
TEST(WorkFolderNames, EveryEntryTheStarterWritesOrRunsIsCheckedForLinks) {
    const WorkFolder work(L"C:\\game");
    const auto nameIn = [](const std::wstring& folder, const std::wstring& path) {
        EXPECT_EQ(path.rfind(folder + L"\\", 0), 0u) << path;
        return path.substr(folder.size() + 1);
    };
    std::vector<std::wstring> inRoot = {work.launcherJar,    work.javaZip,       work.runtime,
                                        work.staging,        work.rollbackRecord, work.runtimeSource,
                                        work.starterFolder,  WorkFolder::replacementOf(work.rollbackRecord),
                                        WorkFolder::replacementOf(work.runtimeSource)};
    for (const std::wstring& fetched : {work.launcherJar, work.javaZip}) {
        const DownloadFiles files = WorkFolder::downloadFilesFor(fetched);
        EXPECT_EQ(files.target, fetched);
        inRoot.push_back(files.partial);
        inRoot.push_back(files.resumeRecord);
    }
    const std::vector<std::wstring> fixed = work.fixedNames();
    const std::set<std::wstring> distinct(inRoot.begin(), inRoot.end());
    EXPECT_EQ(distinct.size(), inRoot.size()) << "two uses share one name";
    // Every file among them is private; the folders are not.
    std::set<std::wstring> files;
    for (const std::wstring& path : inRoot)
        if (path != work.runtime && path != work.staging && path != work.starterFolder) files.insert(nameIn(work.root, path));
    const std::vector<std::wstring> privateNames = work.privateFileNames();
    EXPECT_EQ(std::set<std::wstring>(privateNames.begin(), privateNames.end()), files);
    for (const std::wstring& path : inRoot)
        EXPECT_NE(std::find(fixed.begin(), fixed.end(), nameIn(work.root, path)), fixed.end())
            << path;

    const std::vector<std::wstring> starterFixed = work.starterFixedNames();
    const DownloadFiles program = WorkFolder::downloadFilesFor(work.starterProgram);
    for (const std::wstring& path :
         {program.target, program.partial, program.resumeRecord, WorkFolder::failedProgramOf(work.starterProgram)})
        EXPECT_NE(std::find(starterFixed.begin(), starterFixed.end(), nameIn(work.starterFolder, path)),
                  starterFixed.end())
            << path;
}

TEST_F(TrustedFolders, OnlyAFileWithOneNameIsOpenedForHashing) {
    writeFile(root / L"launcher.jar", "jar");
    EXPECT_TRUE(openPlainFileForReading(path(L"launcher.jar")));
    ASSERT_TRUE(CreateHardLinkW(path(L"second-name").c_str(), path(L"launcher.jar").c_str(), nullptr));
    EXPECT_FALSE(openPlainFileForReading(path(L"launcher.jar"))) << "a hard link ties it to another name";
    fs::create_directories(root / L"folder");
    EXPECT_FALSE(openPlainFileForReading(path(L"folder")));
    EXPECT_FALSE(openPlainFileForReading(path(L"missing")));

    // The replace gives the target a name of its own and leaves the other name's file alone.
    writeFile(root / L"launcher.jar.part", "new jar");
    ASSERT_TRUE(replaceFile(path(L"launcher.jar.part"), path(L"launcher.jar")));
    EXPECT_EQ(readFile(root / L"launcher.jar"), "new jar");
    EXPECT_EQ(readFile(root / L"second-name"), "jar");
    EXPECT_TRUE(openPlainFileForReading(path(L"launcher.jar")));
}

// A scanner holds the old file open, sharing read and delete. With POSIX rename
// semantics (Windows 10 1709 and later, NTFS) the replace goes through; where the
// platform refuses them the classic replace runs instead, and either way the old
// file or the new one is in place.
TEST_F(TrustedFolders, ReplaceWhileAReaderHoldsTheOldFile) {
    writeFile(root / L"launcher.jar", "old");
    writeFile(root / L"launcher.jar.part", "new");
    UniqueFileHandle reader(CreateFileW(path(L"launcher.jar").c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    const bool replaced = replaceFile(path(L"launcher.jar.part"), path(L"launcher.jar"));
    const std::string now = readFile(root / L"launcher.jar");
    if (replaced) {
        EXPECT_EQ(now, "new");
        EXPECT_FALSE(fs::exists(root / L"launcher.jar.part"));
    } else {
        EXPECT_EQ(now, "old") << "a refused replace keeps the old file";
        EXPECT_EQ(readFile(root / L"launcher.jar.part"), "new");
    }
    RecordProperty("replaced_while_open", replaced ? "yes" : "no");
    // The reader still reads the old content it opened.
    char buffer[8] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(reader.get(), buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), "old");
}

}  // namespace
