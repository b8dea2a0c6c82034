// Drives every branch of the bootstrap sequence through its seam, with no network or disk.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/operations.h"
#include "bootstrap/bootstrap_sequence.h"
#include "app/launcher_state.h"
#include "base/ui_texts.h"
#include "bootstrap/runtime_choice.h"

namespace {

const std::string kJarUrl = "https://files.example/Morvanta.jar";
const std::string kZipUrl = "https://files.example/java-x64.zip";
const std::wstring kGame = L"D:\\game";
const std::wstring kWork = L"D:\\game\\loader";
const std::wstring kJavaFolder = kWork + L"\\java";
const std::wstring kStaging = kWork + L"\\java.staging";

// A scripted world: what each server answers, which downloads succeed, what
// lies in the runtime folder. Every call the sequence makes is logged.
struct FakeWorld {
    std::map<std::string, std::vector<ManifestPair>> manifests;  // by server base URL
    std::set<std::string> failingDownloads;
    bool extractSucceeds = true;
    std::set<std::wstring> javaOnDisk;          // file names found before unpacking
    std::set<std::wstring> javaAfterUnpacking;  // file names found after unpacking
    bool unpacked = false;
    bool published = false;
    bool gameDirectoryUsable = true;
    bool workFolderTrusted = true;
    bool runtimeFolderTrusted = true;
    bool stagingReady = true;
    bool publishSucceeds = true;
    std::string recordedSource = "bb22";  // the installed runtime came from the manifest's archive
    std::string archiveDigest;            // of java.zip on disk
    std::vector<std::string> storedSources;
    int archiveHashes = 0;
    bool holdSucceeds = true;

    std::vector<std::string> requestedUrls;
    std::vector<std::string> downloads;
    std::vector<std::wstring> folderCalls;  // what the sequence asked of the folders, in order
    std::vector<std::wstring> searches;
    std::vector<std::wstring> statusLines;
    std::vector<double> fractions;
    std::vector<std::wstring> failures;
    std::vector<std::wstring> launches;  // executable + "|" + jar
    std::uint64_t launchTick = 0;
    int extractions = 0;
    std::vector<std::string> order;  // the machine-wide lock, the launch's hold, notices and the launch

    BootstrapOperations operations() {
        BootstrapOperations ops;
        ops.tickCount = [] { return std::uint64_t{5000}; };
        ops.lockWorkFiles = [this] { order.push_back("lock"); };
        ops.unlockWorkFiles = [this] { order.push_back("unlock"); };
        ops.holdForLaunch = [this](const std::vector<std::wstring>& folders, const std::wstring& program) {
            order.push_back("hold " + std::to_string(folders.size()) + (program.empty() ? "" : " +program"));
            return holdSucceeds;
        };
        ops.prepareGameDirectory = [this](const std::wstring& path) {
            folderCalls.push_back(L"game " + path);
            return gameDirectoryUsable;
        };
        ops.prepareTrustedFolder = [this](const std::wstring& path) {
            folderCalls.push_back(L"work " + path);
            return workFolderTrusted;
        };
        ops.trustOrSetAside = [this](const std::wstring& path) {
            folderCalls.push_back(L"check " + path);
            return runtimeFolderTrusted;
        };
        ops.prepareStagingFolder = [this](const std::wstring& path) {
            folderCalls.push_back(L"stage " + path);
            return stagingReady;
        };
        ops.publishStagingFolder = [this](const std::wstring& staging, const std::wstring& java) {
            folderCalls.push_back(L"publish " + staging + L" " + java);
            published = publishSucceeds;
            return publishSucceeds;
        };
        ops.removeFolder = [this](const std::wstring& path) { folderCalls.push_back(L"remove " + path); };
        ops.removeSetAsideFolders = [this](const std::wstring& game, const std::wstring& work) {
            folderCalls.push_back(L"clean " + game + L" " + work);
        };
        ops.httpGet = [this](const std::string& url, std::vector<unsigned char>& body) {
            requestedUrls.push_back(url);
            const std::string base = url.substr(0, url.find("/starter/"));
            auto found = manifests.find(base);
            if (found == manifests.end()) return false;
            // Encode the scripted pairs so the fake reader below can give them back.
            body.assign(base.begin(), base.end());
            return true;
        };
        ops.readManifestPairs = [this](const std::vector<unsigned char>& body) {
            return manifests.at(std::string(body.begin(), body.end()));
        };
        ops.selectManifestEntries = [](const std::vector<ManifestPair>& pairs) {
            ManifestSelection selection;
            for (const ManifestPair& pair : pairs) {
                if (pair.key.find("Morvanta.jar") != std::string::npos) {
                    selection.launcherJarUrl = pair.key;
                    selection.launcherJarSha256 = pair.value;
                }
                if (pair.key.find("java-x64.zip") != std::string::npos) {
                    selection.javaZipUrl = pair.key;
                    selection.javaZipSha256 = pair.value;
                }
            }
            return selection;
        };
        ops.downloadFile = [this](const std::string& url, const std::wstring& target,
                                  const std::string& sha) {
            downloads.push_back(url + "|" + std::string(target.begin(), target.end()) + "|" + sha);
            return failingDownloads.count(url) == 0;
        };
        ops.findJavaExecutable = [this](const std::wstring& root, const std::wstring& name) {
            searches.push_back(name);
            const bool fromArchive = root == kStaging ? unpacked : published;
            const auto& present = fromArchive ? javaAfterUnpacking : javaOnDisk;
            return present.count(name) ? root + L"\\jdk\\bin\\" + name : std::wstring();
        };
        ops.extractZip = [this](const std::wstring& zip, const std::wstring& dest) {
            ++extractions;
            EXPECT_EQ(zip, kWork + L"\\java.zip");
            EXPECT_EQ(dest, kStaging);
            unpacked = extractSucceeds;
            return extractSucceeds;
        };
        ops.launchJavaLauncher = [this](const std::wstring& exe, const std::wstring& jar,
                                        std::uint64_t startTick) {
            launches.push_back(exe + L"|" + jar);
            order.push_back("launch");
            launchTick = startTick;
        };
        ops.publishStatus = [this](const std::wstring& text, double progress) {
            statusLines.push_back(text);
            fractions.push_back(progress);
        };
        ops.showFailureNotice = [this](const std::wstring& message) {
            failures.push_back(message);
            order.push_back("notice");
        };
        ops.readRuntimeSource = [this](const std::wstring& path) {
            EXPECT_EQ(path, kWork + L"\\java.source");
            return recordedSource;
        };
        ops.storeRuntimeSource = [this](const std::wstring&, const std::string& digest) {
            storedSources.push_back(digest);
            return true;
        };
        ops.fileSha256 = [this](const std::wstring& path) {
            EXPECT_EQ(path, kWork + L"\\java.zip");
            ++archiveHashes;
            return archiveDigest;
        };
        return ops;
    }

    void run(std::vector<std::string> servers = {"https://a", "https://b", "https://c"}) {
        BootstrapConfig config{kGame, std::move(servers)};
        runBootstrapSequence(config, operations());
    }
};

std::vector<ManifestPair> completeManifest() {
    return {{kJarUrl, "aa11"}, {kZipUrl, "bb22"}};
}

TEST(BootstrapSequence, FirstStartFetchesBothFilesUnpacksAndLaunches) {
    FakeWorld world;
    world.manifests["https://a"] = completeManifest();
    world.javaAfterUnpacking = {L"javaw.exe", L"java.exe"};
    world.run();

    EXPECT_EQ(world.folderCalls,
              (std::vector<std::wstring>{L"game " + kGame, L"work " + kWork, L"check " + kJavaFolder,
                                         L"stage " + kStaging, L"publish " + kStaging + L" " + kJavaFolder,
                                         L"clean " + kGame + L" " + kWork}));
    EXPECT_EQ(world.requestedUrls, (std::vector<std::string>{"https://a/starter/launcher.json"}));
    EXPECT_EQ(world.downloads,
              (std::vector<std::string>{kJarUrl + "|D:\\game\\loader\\launcher.jar|aa11",
                                        kZipUrl + "|D:\\game\\loader\\java.zip|bb22"}));
    EXPECT_EQ(world.statusLines, (std::vector<std::wstring>{kCheckingFilesText, kCheckingFilesText,
                                                            kLaunchingText}));
    EXPECT_EQ(world.fractions, (std::vector<double>{1.0, 1.0, 1.0}));
    EXPECT_EQ(world.extractions, 1);
    ASSERT_EQ(world.launches.size(), 1u);
    EXPECT_EQ(world.launches[0], kWork + L"\\java\\jdk\\bin\\javaw.exe|" + kWork + L"\\launcher.jar");
    EXPECT_EQ(world.launchTick, 5000u);
    EXPECT_TRUE(world.failures.empty());
}

TEST(BootstrapSequence, SecondStartDownloadsOnlyTheJarCheckAndLaunches) {
    FakeWorld world;
    world.manifests["https://a"] = completeManifest();
    world.javaOnDisk = {L"javaw.exe"};
    world.run();

    EXPECT_EQ(world.downloads.size(), 1u);  // the jar check; the runtime is not consulted
    EXPECT_EQ(world.extractions, 0);
    EXPECT_EQ(world.searches, (std::vector<std::wstring>{L"javaw.exe"}));
    EXPECT_EQ(world.statusLines, (std::vector<std::wstring>{kCheckingFilesText, kLaunchingText}));
    EXPECT_EQ(world.launches.size(), 1u);
}

TEST(BootstrapSequence, FallsBackToJavaExeBeforeAndAfterUnpacking) {
    FakeWorld before;
    before.manifests["https://a"] = completeManifest();
    before.javaOnDisk = {L"java.exe"};
    before.run();
    EXPECT_EQ(before.searches, (std::vector<std::wstring>{L"javaw.exe", L"java.exe"}));
    ASSERT_EQ(before.launches.size(), 1u);
    EXPECT_NE(before.launches[0].find(L"bin\\java.exe|"), std::wstring::npos);
    EXPECT_EQ(before.extractions, 0);

    FakeWorld after;
    after.manifests["https://a"] = completeManifest();
    after.javaAfterUnpacking = {L"java.exe"};
    after.run();
    // Before, in the unpacked staging folder, and in the published runtime folder.
    EXPECT_EQ(after.searches, (std::vector<std::wstring>{L"javaw.exe", L"java.exe", L"javaw.exe", L"java.exe",
                                                         L"javaw.exe", L"java.exe"}));
    ASSERT_EQ(after.launches.size(), 1u);
    EXPECT_NE(after.launches[0].find(L"bin\\java.exe|"), std::wstring::npos);
}

TEST(BootstrapSequence, ServerFallback) {
    // The first fails, the second answers: the third is never asked.
    FakeWorld world;
    world.manifests["https://b"] = completeManifest();
    world.manifests["https://c"] = completeManifest();
    world.javaOnDisk = {L"javaw.exe"};
    world.run();
    EXPECT_EQ(world.requestedUrls, (std::vector<std::string>{"https://a/starter/launcher.json",
                                                             "https://b/starter/launcher.json"}));
    EXPECT_EQ(world.launches.size(), 1u);

    // A body that yields no pair counts as unreachable.
    FakeWorld empty;
    empty.manifests["https://a"] = {};
    empty.manifests["https://c"] = completeManifest();
    empty.javaOnDisk = {L"javaw.exe"};
    empty.run();
    EXPECT_EQ(empty.requestedUrls.size(), 3u);
    EXPECT_EQ(empty.launches.size(), 1u);
}

TEST(BootstrapSequence, IncompleteManifestEndsTheSearchAtOnce) {
    FakeWorld world;
    world.manifests["https://a"] = {{kJarUrl, "aa11"}};
    world.manifests["https://b"] = completeManifest();
    world.run();
    EXPECT_EQ(world.requestedUrls.size(), 1u);
    EXPECT_EQ(world.failures, (std::vector<std::wstring>{kIncompleteManifestMessage}));
    EXPECT_TRUE(world.downloads.empty());
    EXPECT_TRUE(world.searches.empty());
}

TEST(BootstrapSequence, EmptyDigestsAreAcceptedBySelection) {
    FakeWorld world;
    world.manifests["https://a"] = {{kJarUrl, ""}, {kZipUrl, ""}};
    world.javaOnDisk = {L"javaw.exe"};
    world.run();
    EXPECT_TRUE(world.failures.empty());
    EXPECT_EQ(world.downloads, (std::vector<std::string>{kJarUrl + "|D:\\game\\loader\\launcher.jar|"}));
}

// Each failure ends the run with its message and nothing after it happens.
TEST(BootstrapSequence, EachFailureEndsTheRunWithItsMessage) {
    {
        FakeWorld world;  // no server answers
        world.run();
        EXPECT_EQ(world.requestedUrls.size(), 3u);
        EXPECT_EQ(world.failures, (std::vector<std::wstring>{kNoServerMessage}));
        EXPECT_TRUE(world.downloads.empty());
    }
    {
        FakeWorld world;  // the manifest names no runtime
        world.manifests["https://a"] = {{kZipUrl, "x"}};
        world.run();
        EXPECT_EQ(world.failures, (std::vector<std::wstring>{kIncompleteManifestMessage}));
    }
    {
        FakeWorld world;  // the jar cannot be made present
        world.manifests["https://a"] = completeManifest();
        world.failingDownloads = {kJarUrl};
        world.javaOnDisk = {L"javaw.exe"};
        world.run();
        EXPECT_EQ(world.failures, (std::vector<std::wstring>{kLauncherDownloadFailedMessage}));
        EXPECT_TRUE(world.searches.empty());  // no Java search after an earlier failure
        EXPECT_TRUE(world.statusLines.empty());
    }
    {
        FakeWorld world;  // the runtime archive cannot be fetched
        world.manifests["https://a"] = completeManifest();
        world.failingDownloads = {kZipUrl};
        world.run();
        EXPECT_EQ(world.failures, (std::vector<std::wstring>{kJavaDownloadFailedMessage}));
        EXPECT_EQ(world.extractions, 0);
        EXPECT_TRUE(world.launches.empty());
    }
    {
        FakeWorld world;  // the archive does not unpack
        world.manifests["https://a"] = completeManifest();
        world.extractSucceeds = false;
        world.run();
        EXPECT_EQ(world.failures, (std::vector<std::wstring>{kJavaUnpackFailedMessage}));
        EXPECT_EQ(world.searches.size(), 2u);  // no search after the failed unpacking
    }
    {
        FakeWorld world;  // unpacked, but no Java inside
        world.manifests["https://a"] = completeManifest();
        world.run();
        EXPECT_EQ(world.failures, (std::vector<std::wstring>{kJavaNotFoundMessage}));
        EXPECT_TRUE(world.launches.empty());
        EXPECT_EQ(world.statusLines.back(), kCheckingFilesText);
        // A runtime without Java is never published; its staging folder goes.
        EXPECT_EQ(world.folderCalls.back(), L"remove " + kStaging);
        EXPECT_FALSE(world.published);
    }
}

// The machine-wide lock is let go before a notice waits or the launch begins; the
// launch's hold is taken before both and covers every folder on the way.
TEST(BootstrapSequence, TheLockAndTheHoldComeAndGoInOrder) {
    struct Row {
        const char* name;
        bool serverAnswers;
        bool holdSucceeds;
        std::vector<std::string> order;
    };
    const Row rows[] = {
        {"a launch", true, true, {"lock", "hold 3 +program", "unlock", "launch"}},
        {"a failure", false, true, {"lock", "unlock", "notice"}},
        {"a hold refused", true, false, {"lock", "hold 3 +program", "unlock", "notice"}},
    };
    for (const Row& row : rows) {
        FakeWorld world;
        if (row.serverAnswers) world.manifests["https://a"] = completeManifest();
        world.javaOnDisk = {L"javaw.exe"};
        world.holdSucceeds = row.holdSucceeds;
        world.run();
        EXPECT_EQ(world.order, row.order) << row.name;
        if (!row.holdSucceeds) {
            EXPECT_EQ(world.failures, (std::vector<std::wstring>{kJavaStartFailedMessage}));
        }
    }
}

// Folders that cannot be trusted end the run where they are first needed, with the usual messages.
TEST(BootstrapSequence, UntrustedFoldersFailTheStepThatNeedsThem) {
    for (int unusable = 0; unusable < 2; ++unusable) {
        FakeWorld world;
        world.manifests["https://a"] = completeManifest();
        world.javaOnDisk = {L"javaw.exe"};
        (unusable == 0 ? world.gameDirectoryUsable : world.workFolderTrusted) = false;
        world.run();
        EXPECT_EQ(world.requestedUrls.size(), 1u) << "the manifest is still fetched first";
        EXPECT_EQ(world.failures, (std::vector<std::wstring>{kLauncherDownloadFailedMessage}));
        EXPECT_TRUE(world.downloads.empty()) << "nothing is written into an untrusted folder";
        EXPECT_TRUE(world.searches.empty());
        EXPECT_TRUE(world.launches.empty());
        // No work folder is made in a game directory that is no plain, safe folder.
        EXPECT_EQ(world.folderCalls.size(), unusable == 0 ? 1u : 2u);
    }
    {
        FakeWorld world;  // a runtime folder that fails the check is never searched or run
        world.manifests["https://a"] = completeManifest();
        world.javaOnDisk = {L"javaw.exe"};
        world.runtimeFolderTrusted = false;
        world.javaAfterUnpacking = {L"javaw.exe"};
        world.run();
        EXPECT_EQ(world.extractions, 1);
        EXPECT_EQ(world.downloads.size(), 2u);
        ASSERT_EQ(world.launches.size(), 1u);
        EXPECT_TRUE(world.published);
        EXPECT_EQ(world.searches.size(), 2u) << "staging folder and the published folder only";
    }
    for (int failing = 0; failing < 2; ++failing) {
        FakeWorld world;  // no staging folder, or the unpacked runtime cannot be renamed into place
        world.manifests["https://a"] = completeManifest();
        world.javaAfterUnpacking = {L"javaw.exe"};
        (failing == 0 ? world.stagingReady : world.publishSucceeds) = false;
        world.run();
        EXPECT_EQ(world.failures, (std::vector<std::wstring>{kJavaUnpackFailedMessage}));
        EXPECT_EQ(world.extractions, failing == 0 ? 0 : 1);
        EXPECT_TRUE(world.launches.empty());
    }
}

TEST(RuntimeChoice, FollowsTheRecordThenTheArchiveOnDisk) {
    struct Row {
        bool found;
        const char* recorded;
        const char* manifest;
        const char* archive;
        RuntimeChoice expected;
    };
    const Row rows[] = {
        {false, "", "b2", "", RuntimeChoice::Install},
        {false, "b2", "b2", "b2", RuntimeChoice::Install},
        {true, "B2", "b2", "", RuntimeChoice::UseInstalled},  // letter case does not count
        {true, "a1", "b2", "b2", RuntimeChoice::Update},      // the record wins over the archive
        {true, "", "b2", "B2", RuntimeChoice::AdoptInstalled},
        {true, "", "b2", "a1", RuntimeChoice::Update},
        {true, "", "b2", "", RuntimeChoice::Update},  // no archive: installed by hand or lost
        {true, "a1", "", "", RuntimeChoice::UseInstalled},
        {true, "", "", "", RuntimeChoice::UseInstalled},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(chooseRuntime(row.found, row.recorded, row.manifest, row.archive), row.expected)
            << row.found << " " << row.recorded << " " << row.manifest << " " << row.archive;
    }
    EXPECT_TRUE(runtimeChoiceNeedsArchiveDigest(true, ""));
    EXPECT_FALSE(runtimeChoiceNeedsArchiveDigest(true, "a1"));
    EXPECT_FALSE(runtimeChoiceNeedsArchiveDigest(false, ""));
}

// An update that cannot be finished never costs the player the start: the old runtime runs.
TEST(BootstrapSequence, UnfinishedUpdateLaunchesTheInstalledRuntime) {
    for (int fault = 0; fault < 4; ++fault) {
        FakeWorld world;
        world.manifests["https://a"] = completeManifest();
        world.javaOnDisk = {L"javaw.exe"};
        world.javaAfterUnpacking = {L"javaw.exe"};
        world.recordedSource = "aa00";
        if (fault == 0) world.failingDownloads = {kZipUrl};
        if (fault == 1) world.extractSucceeds = false;
        if (fault == 2) world.javaAfterUnpacking.clear();  // the archive holds no Java
        if (fault == 3) world.publishSucceeds = false;     // a game holds the old runtime
        world.run();
        EXPECT_TRUE(world.failures.empty()) << fault;
        ASSERT_EQ(world.launches.size(), 1u) << fault;
        EXPECT_EQ(world.launches[0], kJavaFolder + L"\\jdk\\bin\\javaw.exe|" + kWork + L"\\launcher.jar");
        EXPECT_TRUE(world.storedSources.empty()) << fault << ": the old runtime keeps its record";
        if (fault >= 2) {
            EXPECT_EQ(world.folderCalls[world.folderCalls.size() - 2], L"remove " + kStaging) << fault;
        }
    }
}

TEST(BootstrapSequence, RealFailureNoticeStoresEachMessageWithEmptyBar) {
    // With no window (as here) only the shared state changes.
    BootstrapOperations real = realBootstrapOperations();
    for (const wchar_t* message : kAllFailureMessages) {
        real.publishStatus(L"something else", 0.7);
        real.showFailureNotice(message);
        const LauncherStateSnapshot state = readLauncherState();
        EXPECT_EQ(state.statusText, message);
        EXPECT_EQ(state.progress, 0.0);
    }
}

}  // namespace
