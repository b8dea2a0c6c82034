// Drives every branch of the bootstrap sequence through its effects, with no
// network or disk: the manifests are real bodies, read and selected by the
// sequence's own decisions; only what touches the world is faked.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/launcher_state.h"
#include "app/operations.h"
#include "base/ui_texts.h"
#include "bootstrap/bootstrap_sequence.h"
#include "bootstrap/java_launch.h"
#include "bootstrap/runtime_choice.h"
#include "bootstrap/starter_update.h"

namespace {

const std::string kJarUrl = "https://files.example/Morvanta.jar";
const std::string kZipUrl = "https://files.example/java-x64.zip";
const std::string kStarterUrl = "https://files.example/MorvantaStarter.exe";
const std::string kJarDigest(64, 'a');
const std::string kZipDigest(64, 'b');
const std::string kGoodSignature(128, '5');
const std::wstring kGame = L"D:\\game";
const std::wstring kWork = L"D:\\game\\loader";
const std::wstring kJavaFolder = kWork + L"\\java";
const std::wstring kStaging = kWork + L"\\java.staging";
const std::wstring kSequenceFile = kWork + L"\\manifest.sequence";
const std::wstring kAside = L"D:\\game\\loader.untrusted-0123456789abcdef";

std::wstring commandLineFor(const std::wstring& java) {
    return buildJavaCommandLine(java + L"\\jdk\\bin\\javaw.exe", kWork + L"\\launcher.jar");
}

// A scripted world: what each server answers, which downloads succeed, what lies
// in the runtime folder, what the records hold. Every effect the sequence asks for
// is logged; the clock moves only when the sequence sleeps.
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
    std::wstring workFolderSetAsideTo;  // where an untrusted work folder goes
    bool copyOutSucceeds = false;
    bool runtimeFolderTrusted = true;
    bool stagingReady = true;
    bool publishSucceeds = true;
    bool holdSucceeds = true;
    bool javaStarts = true;
    std::string recordedSource = kZipDigest;  // the installed runtime came from the manifest's archive
    SourceRecord sourceRecord = SourceRecord::Present;
    std::map<std::wstring, std::string> digests;  // of files on disk, by path
    // Signed manifests
    std::set<std::string> signedMessages;
    bool storeExists = false;
    bool storeUnreadable = false;
    std::uint64_t stored = 0;
    std::string deltaProblem;     // empty: the delta builds staging
    std::vector<std::string> deltaBuilds;  // from|to of each delta applied
    NewStarterWatch newStarterStart{true, true, false, 0};  // its window comes up
    NewStarterWatch newStarterEnd{true, true, true, 0};      // and it ends its run
    bool anotherCopyTookOver = false;
    bool unpacksOnTheWay = false;  // the archive's download unpacks it too, ending as `arrival` says
    ArchiveArrival arrival = ArchiveArrival::unpacked;

    std::uint64_t now = 5000;
    std::vector<std::string> requestedUrls;
    std::vector<std::string> downloads;     // url|target|digest
    std::vector<std::wstring> folderCalls;  // what the sequence asked of the folders, in order
    std::vector<std::wstring> searches;
    std::vector<std::wstring> statusLines;
    std::vector<double> fractions;
    std::vector<std::wstring> failures;
    std::vector<std::wstring> launches;  // command lines
    std::vector<std::wstring> launchFolders;
    std::vector<std::uint32_t> sleeps;
    std::vector<std::wstring> logFolders;
    std::vector<std::wstring> carried;  // from|to
    std::vector<std::wstring> storePaths;  // reads and writes of the rollback record alike
    std::vector<std::uint64_t> writes;
    std::vector<std::string> storedSources;
    int verifications = 0;
    int extractions = 0;
    int closes = 0;
    std::vector<std::string> order;  // the lock, the hold, hand-over, notices, the launch and the close

    std::vector<ManifestPair> signedManifest(std::uint64_t sequence, const std::string& jarDigest = kJarDigest,
                                             const std::string& starterDigest = "") {
        ManifestSelection selection{kJarUrl, jarDigest, kZipUrl, kZipDigest};
        std::vector<ManifestPair> pairs = {{kJarUrl, jarDigest}, {kZipUrl, kZipDigest}};
        if (!starterDigest.empty()) {
            selection.starterUrl = kStarterUrl;
            selection.starterSha256 = starterDigest;
            pairs.push_back({kStarterUrl, starterDigest});
        }
        signedMessages.insert(manifestSignedMessage(std::to_string(sequence), selection));
        pairs.push_back({"sequence", std::to_string(sequence)});
        pairs.push_back({kSignatureForms[static_cast<int>(requiredSignatureForm(selection))].member, kGoodSignature});
        return pairs;
    }

    SequenceEffects effects(std::size_t keyCount) {
        SequenceEffects e;
        FolderEffects& folders = e.folders;
        folders.prepareGameDirectory = [this](const std::wstring& path) {
            folderCalls.push_back(L"game " + path);
            return gameDirectoryUsable;
        };
        folders.prepareWorkFolder = [this](const std::wstring& path, std::wstring& setAside) {
            folderCalls.push_back(L"work " + path);
            setAside = workFolderSetAsideTo;
            return workFolderTrusted;
        };
        folders.prepareStarterFolder = [this](const std::wstring& path) {
            folderCalls.push_back(L"starter " + path);
            return true;
        };
        folders.setAsideFailedStarter = [this](const std::wstring& program) {
            EXPECT_EQ(program, kWork + L"\\starter\\MorvantaStarter.exe");
            order.push_back("set aside");
            return true;
        };
        folders.trustOrSetAside = [this](const std::wstring& path) {
            folderCalls.push_back(L"check " + path);
            return runtimeFolderTrusted;
        };
        folders.prepareStagingFolder = [this](const std::wstring& path) {
            folderCalls.push_back(L"stage " + path);
            return stagingReady;
        };
        folders.publishStagingFolder = [this](const std::wstring& staging, const std::wstring& java) {
            folderCalls.push_back(L"publish " + staging + L" " + java);
            published = publishSucceeds;
            return publishSucceeds;
        };
        folders.removeFolder = [this](const std::wstring& path) { folderCalls.push_back(L"remove " + path); };
        folders.removeSetAsideFolders = [this](const std::wstring& game, const std::wstring& work) {
            folderCalls.push_back(L"clean " + game + L" " + work);
            order.push_back("clean");
        };
        folders.findJavaExecutable = [this](const std::wstring& root, const std::wstring& name) {
            searches.push_back(name);
            const bool fromArchive = root == kStaging ? unpacked : published;
            const auto& present = fromArchive ? javaAfterUnpacking : javaOnDisk;
            return present.count(name) ? root + L"\\jdk\\bin\\" + name : std::wstring();
        };
        folders.extractZip = [this](const std::wstring& zip, const std::wstring& dest) {
            ++extractions;
            EXPECT_EQ(zip, kWork + L"\\java.zip");
            EXPECT_EQ(dest, kStaging);
            unpacked = extractSucceeds;
            return extractSucceeds;
        };
        folders.buildStagingFromDelta = [this](const std::wstring& delta, const std::wstring& installed,
                                               const std::wstring& staging, const std::string& from,
                                               const std::string& to) {
            EXPECT_EQ(delta, kWork + L"\\java.delta");
            EXPECT_EQ(installed, kJavaFolder);
            EXPECT_EQ(staging, kStaging);
            deltaBuilds.push_back(from + "|" + to);
            unpacked = deltaProblem.empty();
            return deltaProblem;
        };
        folders.fileSha256 = [this](const std::wstring& path) {
            folderCalls.push_back(L"hash " + path);
            return digests[path];
        };
        folders.copyVerifiedFile = [this](const std::wstring& source, const std::wstring& target,
                                          const std::string&) {
            folderCalls.push_back(L"copy " + source + L" " + target);
            return copyOutSucceeds;
        };

        e.network.fetchManifest = [this](const std::string& url, std::vector<unsigned char>& body) {
            requestedUrls.push_back(url);
            auto found = manifests.find(url.substr(0, url.find("/starter/")));
            if (found == manifests.end()) return false;
            std::string text;
            for (const ManifestPair& pair : found->second) text += "\"" + pair.key + "\":\"" + pair.value + "\",";
            body.assign(text.begin(), text.end());
            return true;
        };
        e.network.downloadFile = [this](const std::string& url, const std::wstring& target, const std::string& sha) {
            downloads.push_back(url + "|" + std::string(target.begin(), target.end()) + "|" + sha);
            return failingDownloads.count(url) == 0;
        };

        if (unpacksOnTheWay) {
            e.network.downloadUnpacking = [this](const std::string& url, const std::wstring& target,
                                                 const std::string& sha, const std::wstring& staging) {
                downloads.push_back(url + "|" + std::string(target.begin(), target.end()) + "|" + sha);
                EXPECT_EQ(staging, kStaging);
                unpacked = arrival == ArchiveArrival::unpacked;
                return arrival;
            };
        }

        RecordEffects& records = e.records;
        records.readRollbackRecord = [this](const std::wstring& path) {
            storePaths.push_back(path);
            if (storeUnreadable) return AcceptedSequence{SequenceRecord::Unreadable, 0};
            return storeExists ? AcceptedSequence{SequenceRecord::Present, stored} : AcceptedSequence{};
        };
        records.storeRollbackRecord = [this](const std::wstring& path, std::uint64_t sequence) {
            storePaths.push_back(path);
            writes.push_back(sequence);
            stored = sequence;
            storeExists = true;
            return true;
        };
        records.carryRollbackRecord = [this](const std::wstring& from, const std::wstring& to) {
            carried.push_back(from + L"|" + to);
            return true;
        };
        records.readRuntimeSource = [this](const std::wstring& path) {
            EXPECT_EQ(path, kWork + L"\\java.source");
            return RuntimeSource{sourceRecord, recordedSource};
        };
        records.storeRuntimeSource = [this](const std::wstring&, const std::string& digest) {
            storedSources.push_back(digest);
            return true;
        };
        records.verifyManifestSignature = [this, keyCount](const std::vector<ManifestPublicKey>& keys,
                                                           const std::string& message,
                                                           const ManifestSignature& signature) {
            ++verifications;
            EXPECT_EQ(keys.size(), keyCount);
            ManifestSignature good{};
            parseManifestSignature(kGoodSignature, good);
            return signature == good && signedMessages.count(message) > 0;
        };

        ProcessEffects& process = e.process;
        process.tickCount = [this] { return now; };
        process.sleep = [this](std::uint32_t ms) {
            sleeps.push_back(ms);
            order.push_back("pause");
            now += ms;
        };
        process.lockWorkFiles = [this] { order.push_back("lock"); };
        process.unlockWorkFiles = [this] { order.push_back("unlock"); };
        process.pointSupportLogAt = [this](const std::wstring& folder) { logFolders.push_back(folder); };
        process.holdForLaunch = [this](const std::vector<std::wstring>& folders, const std::wstring& program) {
            EXPECT_EQ(folders, (std::vector<std::wstring>{kGame, kWork, kJavaFolder}));
            order.push_back("hold " + std::string(program.begin(), program.end()));
            return holdSucceeds;
        };
        process.releaseLaunchHold = [this] { order.push_back("let go"); };
        process.startJava = [this](std::vector<wchar_t>& line, const std::wstring& folder) {
            EXPECT_EQ(line.back(), L'\0');
            launches.push_back(line.data());
            launchFolders.push_back(folder);
            order.push_back("start java");
            return javaStarts;
        };
        process.ownProgramPath = [] { return std::wstring(L"E:\\downloads\\MorvantaStarter.exe"); };
        process.startNewerStarter = [this](const std::wstring& program, const std::string& expectedSha256) {
            EXPECT_EQ(program, kWork + L"\\starter\\MorvantaStarter.exe");
            EXPECT_EQ(expectedSha256, std::string(64, 'e')) << "the named program's digest, checked as it is held";
            order.push_back("hand over");
            return newStarterStart;
        };
        process.takeSingleInstanceBack = [this] {
            order.push_back("take back");
            return !anotherCopyTookOver;
        };
        process.awaitNewerStarterEnd = [this] {
            order.push_back("await");
            return newStarterEnd;
        };

        e.screen.publishStatus = [this](const std::wstring& text, double progress) {
            statusLines.push_back(text);
            fractions.push_back(progress);
        };
        e.screen.showFailureNotice = [this](const std::wstring& message) {
            failures.push_back(message);
            order.push_back("notice");
        };
        e.screen.closeSplash = [this] {
            ++closes;
            order.push_back("close");
        };
        return e;
    }

    void run(std::size_t keyCount = 0, std::vector<std::string> servers = {"https://a", "https://b", "https://c"}) {
        BootstrapConfig config{kGame, std::move(servers)};
        config.manifestKeys.resize(keyCount);
        runBootstrapSequence(config, effects(keyCount));
    }
};

std::vector<ManifestPair> completeManifest() { return {{kJarUrl, kJarDigest}, {kZipUrl, kZipDigest}}; }

// An installed runtime, and an archive that unpacks to Java, under `manifest`.
FakeWorld withRuntime(std::vector<ManifestPair> manifest = completeManifest()) {
    FakeWorld world;
    world.manifests["https://a"] = std::move(manifest);
    world.javaOnDisk = {L"javaw.exe"};
    world.javaAfterUnpacking = {L"javaw.exe"};
    return world;
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
    EXPECT_EQ(world.logFolders, (std::vector<std::wstring>{kWork + L"\\logs"}));
    EXPECT_EQ(world.requestedUrls, (std::vector<std::string>{"https://a/starter/launcher.json"}));
    EXPECT_EQ(world.downloads, (std::vector<std::string>{kJarUrl + "|D:\\game\\loader\\launcher.jar|" + kJarDigest,
                                                         kZipUrl + "|D:\\game\\loader\\java.zip|" + kZipDigest}));
    EXPECT_EQ(world.statusLines, (std::vector<std::wstring>{kCheckingFilesText, kCheckingFilesText, kLaunchingText}));
    EXPECT_EQ(world.fractions, (std::vector<double>{1.0, 1.0, 1.0}));
    EXPECT_EQ(world.extractions, 1);
    EXPECT_EQ(world.launches, (std::vector<std::wstring>{commandLineFor(kJavaFolder)}));
    EXPECT_EQ(world.launchFolders, (std::vector<std::wstring>{kGame})) << "Java runs in the configured game directory";
    EXPECT_EQ(world.storedSources, (std::vector<std::string>{kZipDigest}));
    EXPECT_EQ(world.closes, 1);
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

// The splash stays at least 600 ms after the launch and until 2.5 s after the worker began.
TEST(BootstrapSequence, TheSplashIsHeldAfterTheLaunch) {
    struct Row {
        std::uint64_t now;
        std::uint64_t start;
        std::uint32_t left;
    };
    const Row rows[] = {
        {1'000'900, 1'000'000, 1600}, {10'000, 0, 0}, {2'500, 0, 0}, {2'499, 0, 1}, {5, 10, 2500},  // clock went back
    };
    for (const Row& row : rows) EXPECT_EQ(splashTimeLeft(row.now, row.start), row.left) << row.now;

    FakeWorld world;
    world.manifests["https://a"] = completeManifest();
    world.javaOnDisk = {L"javaw.exe"};
    world.run();
    EXPECT_EQ(world.sleeps, (std::vector<std::uint32_t>{kPostLaunchPauseMs, 1900}));
    EXPECT_EQ(world.now, 5000 + kMinimumSplashTimeMs) << "closed 2.5 s after the worker's start";
}

TEST(BootstrapSequence, FallsBackToJavaExeBeforeAndAfterUnpacking) {
    FakeWorld before;
    before.manifests["https://a"] = completeManifest();
    before.javaOnDisk = {L"java.exe"};
    before.run();
    EXPECT_EQ(before.searches, (std::vector<std::wstring>{L"javaw.exe", L"java.exe"}));
    ASSERT_EQ(before.launches.size(), 1u);
    EXPECT_NE(before.launches[0].find(L"bin\\java.exe\""), std::wstring::npos);
    EXPECT_EQ(before.extractions, 0);

    FakeWorld after;
    after.manifests["https://a"] = completeManifest();
    after.javaAfterUnpacking = {L"java.exe"};
    after.run();
    // Before, in the unpacked staging folder, and in the published runtime folder.
    EXPECT_EQ(after.searches, (std::vector<std::wstring>{L"javaw.exe", L"java.exe", L"javaw.exe", L"java.exe",
                                                         L"javaw.exe", L"java.exe"}));
    ASSERT_EQ(after.launches.size(), 1u);
    EXPECT_NE(after.launches[0].find(L"bin\\java.exe\""), std::wstring::npos);
}

TEST(BootstrapSequence, ServerFallback) {
    // The first fails, the second answers: the third is never asked.
    FakeWorld world;
    world.manifests["https://b"] = completeManifest();
    world.manifests["https://c"] = completeManifest();
    world.javaOnDisk = {L"javaw.exe"};
    world.run();
    EXPECT_EQ(world.requestedUrls,
              (std::vector<std::string>{"https://a/starter/launcher.json", "https://b/starter/launcher.json"}));
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
    world.manifests["https://a"] = {{kJarUrl, kJarDigest}};
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
    {
        FakeWorld world;  // Java cannot be started: the splash stays with the message
        world.manifests["https://a"] = completeManifest();
        world.javaOnDisk = {L"javaw.exe"};
        world.javaStarts = false;
        world.run();
        EXPECT_EQ(world.failures, (std::vector<std::wstring>{kJavaStartFailedMessage}));
        EXPECT_TRUE(world.sleeps.empty());
        EXPECT_EQ(world.closes, 0);
    }
}

// What became of the archive unpacked on its way decides the rest: a whole-file unpack only
// where it was not unpacked, and each failure its own message.
TEST(BootstrapSequence, TheArchiveUnpackedOnItsWayIsUnpackedWholeOnlyWhenItWasNot) {
    const struct {
        ArchiveArrival arrival;
        int extractions;
        const wchar_t* failure;  // null: launched
    } cases[] = {
        {ArchiveArrival::unpacked, 0, nullptr},
        {ArchiveArrival::fetched, 1, nullptr},
        {ArchiveArrival::refused, 0, kJavaUnpackFailedMessage},
        {ArchiveArrival::notFetched, 0, kJavaDownloadFailedMessage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.arrival));
        FakeWorld world;
        world.manifests["https://a"] = completeManifest();
        world.javaAfterUnpacking = {L"javaw.exe"};
        world.unpacksOnTheWay = true;
        world.arrival = c.arrival;
        world.run();
        EXPECT_EQ(world.extractions, c.extractions);
        EXPECT_EQ(world.failures, c.failure ? std::vector<std::wstring>{c.failure} : std::vector<std::wstring>{});
        EXPECT_EQ(world.launches.size(), c.failure ? 0u : 1u);
        // The staging folder is emptied before the download, and again before a whole-file unpack.
        EXPECT_EQ(std::count(world.folderCalls.begin(), world.folderCalls.end(), L"stage " + kStaging),
                  1 + c.extractions);
    }
}

// The machine-wide lock is taken again once the work folder is trusted (it moves
// into that folder), and let go before a notice waits, the launch begins or a
// newer starter's window is up; the launch's hold is taken before and kept through
// the pause after the launch, while the new process loads the runtime's DLLs. How
// a newer starter starts and ends decides whether it is set aside (under the
// lock) and whether this run goes on to launch.
TEST(BootstrapSequence, TheLockAndTheHoldComeAndGoInOrder) {
    const std::string hold = "hold D:\\game\\loader\\java\\jdk\\bin\\javaw.exe";
    const std::vector<std::string> launch = {hold, "unlock", "start java", "clean", "pause", "pause", "let go", "close"};
    const NewStarterWatch up{true, true, false, 0};
    const NewStarterWatch endedWell{true, true, true, 0};
    const NewStarterWatch crashed{true, true, true, 0xC0000005};
    const NewStarterWatch quitAtOnce{true, false, true, 0};
    const NewStarterWatch failedAtOnce{true, false, true, 2};
    struct Row {
        const char* name;
        bool serverAnswers;
        bool holdSucceeds;
        bool javaStarts;
        bool newStarter;
        NewStarterWatch start;
        NewStarterWatch end;
        bool anotherCopy;
        std::vector<std::string> order;
    };
    const auto then = [](std::vector<std::string> first, const std::vector<std::string>& rest) {
        first.insert(first.end(), rest.begin(), rest.end());
        return first;
    };
    const Row rows[] = {
        {"a launch", true, true, true, false, up, endedWell, false, then({"lock", "lock"}, launch)},
        {"a failure", false, true, true, false, up, endedWell, false, {"lock", "lock", "unlock", "notice"}},
        {"a hold refused", true, false, true, false, up, endedWell, false, {"lock", "lock", hold, "unlock", "notice"}},
        {"Java not started", true, true, false, false, up, endedWell, false,
         {"lock", "lock", hold, "unlock", "start java", "let go", "notice"}},
        {"a hand-over that ends its run", true, true, true, true, up, endedWell, false,
         {"lock", "lock", "hand over", "unlock", "close", "await"}},
        {"a new program that crashes after its window", true, true, true, true, up, crashed, false,
         {"lock", "lock", "hand over", "unlock", "close", "await", "lock", "set aside", "unlock"}},
        {"a new program that fails before its window", true, true, true, true, failedAtOnce, endedWell, false,
         then({"lock", "lock", "hand over", "set aside", "take back"}, launch)},
        {"0 before any window, the lock free", true, true, true, true, quitAtOnce, endedWell, false,
         then({"lock", "lock", "hand over", "take back"}, launch)},
        {"0 before any window, another copy runs", true, true, true, true, quitAtOnce, endedWell, true,
         {"lock", "lock", "hand over", "take back", "unlock", "close"}},
    };
    for (const Row& row : rows) {
        FakeWorld world;
        const std::size_t keys = row.newStarter ? 1 : 0;
        if (row.serverAnswers)
            world.manifests["https://a"] =
                row.newStarter ? world.signedManifest(3, kJarDigest, std::string(64, 'e')) : completeManifest();
        world.javaOnDisk = {L"javaw.exe"};
        world.holdSucceeds = row.holdSucceeds;
        world.javaStarts = row.javaStarts;
        world.newStarterStart = row.start;
        world.newStarterEnd = row.end;
        world.anotherCopyTookOver = row.anotherCopy;
        world.run(keys);
        EXPECT_EQ(world.order, row.order) << row.name;
        if (!row.holdSucceeds) {
            EXPECT_EQ(world.failures, (std::vector<std::wstring>{kJavaStartFailedMessage}));
        }
        if (row.newStarter) {
            EXPECT_EQ(world.downloads.front(), kStarterUrl + "|D:\\game\\loader\\starter\\MorvantaStarter.exe|" +
                                                   std::string(64, 'e'))
                << row.name;
            EXPECT_EQ(world.downloads.size(), world.launches.empty() ? 1u : 2u) << "nothing after a hand-over";
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
        EXPECT_TRUE(world.logFolders.empty()) << "no log in an untrusted folder";
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

// A work folder set aside this run still gives its rollback record and its verified files.
TEST(BootstrapSequence, AWorkFolderSetAsideGivesItsRecordAndVerifiedFiles) {
    for (bool copies : {true, false}) {
        FakeWorld world;
        world.manifests["https://a"] = completeManifest();
        world.javaAfterUnpacking = {L"javaw.exe"};
        world.workFolderSetAsideTo = kAside;
        world.copyOutSucceeds = copies;
        world.run();
        EXPECT_EQ(world.carried, (std::vector<std::wstring>{kAside + L"\\manifest.sequence|" + kSequenceFile}));
        EXPECT_EQ(std::count(world.folderCalls.begin(), world.folderCalls.end(),
                             L"copy " + kAside + L"\\launcher.jar " + kWork + L"\\launcher.jar"),
                  1);
        EXPECT_EQ(std::count(world.folderCalls.begin(), world.folderCalls.end(),
                             L"copy " + kAside + L"\\java.zip " + kWork + L"\\java.zip"),
                  1);
        EXPECT_EQ(world.downloads.size(), copies ? 0u : 2u) << "a verified copy needs no download";
        EXPECT_EQ(world.launches.size(), 1u);
    }
    FakeWorld untouched;  // without a set-aside folder nothing is copied or carried
    untouched.manifests["https://a"] = completeManifest();
    untouched.javaOnDisk = {L"javaw.exe"};
    untouched.run();
    EXPECT_TRUE(untouched.carried.empty());
    EXPECT_EQ(untouched.downloads.size(), 1u);
}

TEST(RuntimeChoice, FollowsTheRecordThenTheArchiveOnDisk) {
    constexpr SourceRecord kPresent = SourceRecord::Present;
    constexpr SourceRecord kNone = SourceRecord::None;
    constexpr SourceRecord kUnreadable = SourceRecord::Unreadable;
    struct Row {
        bool found;
        SourceRecord record;
        const char* recorded;
        const char* manifest;
        const char* archive;
        RuntimeChoice expected;
        const char* storedBeforeUpdate;
    };
    const Row rows[] = {
        {false, kNone, "", "b2", "", RuntimeChoice::Install, "unknown"},
        {false, kPresent, "b2", "b2", "b2", RuntimeChoice::Install, ""},
        {true, kPresent, "B2", "b2", "", RuntimeChoice::UseInstalled, ""},  // letter case does not count
        {true, kPresent, "a1", "b2", "b2", RuntimeChoice::Update, ""},      // the record wins over the archive
        {true, kPresent, "", "b2", "b2", RuntimeChoice::Update, ""},        // unknown or damaged: matches nothing
        {true, kNone, "", "b2", "B2", RuntimeChoice::AdoptInstalled, "B2"},
        {true, kNone, "", "b2", "a1", RuntimeChoice::Update, "a1"},  // the kept archive is the installed one's
        {true, kNone, "", "b2", "", RuntimeChoice::Update, "unknown"},  // no archive: installed by hand or lost
        {true, kUnreadable, "", "b2", "b2", RuntimeChoice::UseInstalled, ""},  // neither adopted nor replaced
        {true, kPresent, "a1", "", "", RuntimeChoice::UseInstalled, ""},
        {true, kNone, "", "", "", RuntimeChoice::UseInstalled, "unknown"},
    };
    for (const Row& row : rows) {
        const RuntimeSource recorded{row.record, row.recorded};
        EXPECT_EQ(chooseRuntime(row.found, recorded, row.manifest, row.archive), row.expected)
            << row.found << " " << row.recorded << " " << row.manifest << " " << row.archive;
        EXPECT_EQ(sourceToRecordBeforeUpdate(recorded, row.archive), row.storedBeforeUpdate) << row.recorded;
    }
    EXPECT_TRUE(runtimeChoiceNeedsArchiveDigest(true, RuntimeSource{kNone, ""}));
    EXPECT_FALSE(runtimeChoiceNeedsArchiveDigest(true, RuntimeSource{kPresent, "a1"}));
    EXPECT_FALSE(runtimeChoiceNeedsArchiveDigest(true, RuntimeSource{kUnreadable, ""}));
    EXPECT_FALSE(runtimeChoiceNeedsArchiveDigest(false, RuntimeSource{kNone, ""}));
}

// Without a record, the installed runtime's is written before an update, so one that
// cannot be published now is taken up again later rather than the new archive adopted.
TEST(BootstrapSequence, AnUpdateWithoutARecordRecordsTheInstalledRuntimeFirst) {
    const std::string kOld(64, 'c');  // the kept archive, the installed runtime's
    for (bool publishes : {true, false}) {  // false: a game holds the old runtime
        FakeWorld world = withRuntime();
        world.sourceRecord = SourceRecord::None;
        world.recordedSource = "";
        world.digests[kWork + L"\\java.zip"] = kOld;
        world.publishSucceeds = publishes;
        world.run();
        std::vector<std::string> stored = {kOld};
        if (publishes) stored.push_back(kZipDigest);
        EXPECT_EQ(world.storedSources, stored) << publishes;
        EXPECT_EQ(world.extractions, 1);
        EXPECT_EQ(world.launches.size(), 1u);
    }
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
        EXPECT_EQ(world.launches, (std::vector<std::wstring>{commandLineFor(kJavaFolder)})) << fault;
        EXPECT_TRUE(world.storedSources.empty()) << fault << ": the old runtime keeps its record";
        if (fault >= 2) {
            EXPECT_EQ(world.folderCalls[world.folderCalls.size() - 2], L"remove " + kStaging) << fault;
        }
    }
}

const std::string kOldZipDigest(64, 'e');
const std::string kDeltaUrl = "https://files.example/d/java-x64.from-" + kOldZipDigest + ".delta";
const std::string kDeltaDigest(64, 'd');

TEST(RuntimeFetchChoice, ADeltaOnlyForAnUpdateFromItsRecordedBase) {
    const std::string other(64, 'f');
    const std::vector<RuntimeDeltaOffer> offers = {{"u1", kDeltaDigest, other}, {"u2", kDeltaDigest, kOldZipDigest}};
    const std::vector<RuntimeDeltaOffer> unchecked = {{"u3", "", kOldZipDigest}};
    struct Row {
        RuntimeChoice choice;
        std::string recorded;
        std::string manifest;
        const std::vector<RuntimeDeltaOffer>& offers;
        RuntimeFetch::Kind expected;
        const char* url;
    };
    const std::vector<RuntimeDeltaOffer> none;
    const Row rows[] = {
        {RuntimeChoice::Update, kOldZipDigest, kZipDigest, offers, RuntimeFetch::Delta, "u2"},
        {RuntimeChoice::Update, "E" + kOldZipDigest.substr(1), kZipDigest, offers, RuntimeFetch::Delta, "u2"},
        {RuntimeChoice::Update, kZipDigest, kZipDigest, offers, RuntimeFetch::Full, ""},  // no delta from it
        {RuntimeChoice::Update, kOldZipDigest, kZipDigest, none, RuntimeFetch::Full, ""},
        {RuntimeChoice::Update, kOldZipDigest, kZipDigest, unchecked, RuntimeFetch::Full, ""},
        {RuntimeChoice::Update, kOldZipDigest, "", offers, RuntimeFetch::Full, ""},
        {RuntimeChoice::Update, "", kZipDigest, offers, RuntimeFetch::Full, ""},  // no record: base unknown
        {RuntimeChoice::Install, kOldZipDigest, kZipDigest, offers, RuntimeFetch::Full, ""},
        {RuntimeChoice::UseInstalled, kOldZipDigest, kZipDigest, offers, RuntimeFetch::None, ""},
        {RuntimeChoice::AdoptInstalled, "", kZipDigest, offers, RuntimeFetch::None, ""},
    };
    for (const Row& row : rows) {
        const RuntimeFetch fetch = chooseRuntimeFetch(row.choice, row.recorded, row.manifest, row.offers);
        EXPECT_EQ(fetch.kind, row.expected) << static_cast<int>(row.choice) << " " << row.recorded;
        EXPECT_EQ(fetch.delta ? fetch.delta->url : std::string(), row.url) << row.recorded;
    }
}

std::vector<ManifestPair> manifestWithDelta() {
    std::vector<ManifestPair> pairs = completeManifest();
    pairs.push_back({kDeltaUrl, kDeltaDigest});
    return pairs;
}

std::string deltaDownload() { return kDeltaUrl + "|D:\\game\\loader\\java.delta|" + kDeltaDigest; }
std::string zipDownload() { return kZipUrl + "|D:\\game\\loader\\java.zip|" + kZipDigest; }

// What a delta offer leads to: the delta alone where it builds a runtime that is
// published; after any failure of the delta, the full archive in the same run; with the
// old runtime in use, the old runtime, and no full archive.
TEST(RuntimeDeltaSequence, WhatADeltaOfferLeadsTo) {
    struct Row {
        const char* name;
        bool deltaFetched;
        const char* deltaProblem;
        bool stagingReady;
        bool publishes;
        bool fullArchive;  // fetched after the delta
        int extractions;
        std::vector<std::string> stored;
    };
    const Row rows[] = {
        {"the delta builds the runtime", true, "", true, true, false, 0, {kZipDigest}},
        {"the delta not fetched", false, "", true, true, true, 1, {kZipDigest}},
        {"the delta does not fit", true, "the installed file differs", true, true, true, 1, {kZipDigest}},
        {"no staging folder", true, "", false, true, true, 0, {}},
        {"the old runtime in use", true, "", true, false, false, 0, {}},
    };
    for (const Row& row : rows) {
        FakeWorld world = withRuntime(manifestWithDelta());
        world.recordedSource = kOldZipDigest;
        if (!row.deltaFetched) world.failingDownloads = {kDeltaUrl};
        world.deltaProblem = row.deltaProblem;
        world.stagingReady = row.stagingReady;
        world.publishSucceeds = row.publishes;
        world.run();
        std::vector<std::string> fetched = {kJarUrl + "|D:\\game\\loader\\launcher.jar|" + kJarDigest, deltaDownload()};
        if (row.fullArchive) fetched.push_back(zipDownload());
        EXPECT_EQ(world.downloads, fetched) << row.name;
        const bool applied = row.deltaFetched && row.stagingReady;
        EXPECT_EQ(world.deltaBuilds, applied ? std::vector<std::string>{kOldZipDigest + "|" + kZipDigest}
                                             : std::vector<std::string>{})
            << row.name;
        EXPECT_EQ(world.extractions, row.extractions) << row.name;
        EXPECT_EQ(world.storedSources, row.stored) << row.name;
        EXPECT_EQ(world.launches, (std::vector<std::wstring>{commandLineFor(kJavaFolder)})) << row.name;
        if (*row.deltaProblem) {
            EXPECT_NE(std::find(world.folderCalls.begin(), world.folderCalls.end(), L"remove " + kStaging),
                      world.folderCalls.end());
        }
    }
}

TEST(RuntimeDeltaSequence, ASignedBuildTakesDeltasOnlyUnderAGeneralSignatureThatVerifies) {
    const struct {
        const char* name;
        bool generalSignature;
        bool verifies;
    } rows[] = {{"the older signature alone", false, false},
                {"a general signature that fails", true, false},
                {"a general signature that verifies", true, true}};
    for (const auto& row : rows) {
        FakeWorld world = withRuntime();
        std::vector<ManifestPair> pairs = world.signedManifest(7);
        pairs.insert(pairs.begin() + 2, {kDeltaUrl, kDeltaDigest});
        if (row.generalSignature) pairs.push_back({"signature-v3", kGoodSignature});
        if (row.verifies) world.signedMessages.insert(manifestGeneralSignedMessage(pairs));
        world.manifests["https://a"] = pairs;
        world.recordedSource = kOldZipDigest;
        world.run(2);
        EXPECT_EQ(world.downloads.back(), row.verifies ? deltaDownload() : zipDownload()) << row.name;
        EXPECT_EQ(world.launches.size(), 1u) << row.name;
    }
}

TEST(SignedManifestSequence, AVerifiedManifestIsUsedAndItsSequenceStored) {
    FakeWorld world;
    world.manifests["https://a"] = world.signedManifest(7);
    world.javaOnDisk = {L"javaw.exe"};
    world.run(2);
    EXPECT_EQ(world.requestedUrls.size(), 1u);
    EXPECT_EQ(world.writes, (std::vector<std::uint64_t>{7}));
    EXPECT_EQ(world.storePaths, (std::vector<std::wstring>{kSequenceFile, kSequenceFile}));
    EXPECT_EQ(world.downloads, (std::vector<std::string>{kJarUrl + "|D:\\game\\loader\\launcher.jar|" + kJarDigest}));
    EXPECT_EQ(world.launches.size(), 1u);
    EXPECT_TRUE(world.failures.empty());
}

TEST(SignedManifestSequence, ATamperedDigestMakesTheNextServerAsked) {
    FakeWorld world;
    std::vector<ManifestPair> tampered = world.signedManifest(7);
    tampered[0].value = std::string(64, 'c');
    world.manifests["https://a"] = tampered;
    world.manifests["https://b"] = world.signedManifest(7);
    world.javaOnDisk = {L"javaw.exe"};
    world.run(2);
    EXPECT_EQ(world.requestedUrls.size(), 2u);
    EXPECT_EQ(world.downloads, (std::vector<std::string>{kJarUrl + "|D:\\game\\loader\\launcher.jar|" + kJarDigest}));
    EXPECT_EQ(world.writes, (std::vector<std::uint64_t>{7}));
    EXPECT_EQ(world.launches.size(), 1u);
}

TEST(SignedManifestSequence, AStarterEntryOutsideTheSignatureMakesTheManifestUnusable) {
    FakeWorld world;
    std::vector<ManifestPair> added = world.signedManifest(7);  // signed without the entry
    added.push_back({kStarterUrl, std::string(64, 'e')});
    world.manifests["https://a"] = added;
    world.run(2);
    EXPECT_EQ(world.failures, (std::vector<std::wstring>{kNoServerMessage}));
    EXPECT_TRUE(world.downloads.empty());
}

TEST(StarterHandover, OnlyASignedEntryForAnotherProgramOutsideTheStarterFolder) {
    const std::string own(64, 'a');
    const std::string other(64, 'b');
    const std::string otherUpper(64, 'B');
    struct Row {
        bool keys;
        const char* url;
        const std::string& entry;
        bool fromStarterFolder;
        const std::string& failed;
        HandoverChoice expected;
    };
    const std::string none;
    const Row rows[] = {
        {true, "", other, false, none, HandoverChoice::NoEntry},
        {false, "u", other, false, none, HandoverChoice::NoSigningKeys},
        {true, "u", other, true, none, HandoverChoice::AlreadyHandedOver},
        {true, "u", own, false, none, HandoverChoice::SameProgram},
        {true, "u", other, false, otherUpper, HandoverChoice::KnownToFail},
        {true, "u", other, false, own, HandoverChoice::HandOver},  // an older failure does not count
        {true, "u", otherUpper, false, none, HandoverChoice::HandOver},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(chooseHandover(row.keys, row.url, row.entry, own, row.fromStarterFolder, row.failed), row.expected)
            << row.keys << row.url << row.fromStarterFolder;
    }
    EXPECT_TRUE(isInsideFolder(L"c:\\.morvanta\\LOADER\\starter\\MorvantaStarter.exe", L"C:\\.Morvanta\\loader\\starter"));
    EXPECT_FALSE(isInsideFolder(L"C:\\.Morvanta\\loader\\starter2\\MorvantaStarter.exe", L"C:\\.Morvanta\\loader\\starter"));
}

// What a newer starter's start or end means: only a failure code, a termination
// or a missing window set it aside; 0 before any window is another copy's doing.
TEST(StarterHandover, OnlyAFailedNewProgramIsSetAside) {
    struct Row {
        NewStarterWatch watch;
        NewStarterVerdict expected;
        bool setsAside;
    };
    const Row rows[] = {
        {{false, false, false, 0}, NewStarterVerdict::NotStarted, false},
        {{true, true, false, 0}, NewStarterVerdict::WindowUp, false},
        {{true, false, false, 0}, NewStarterVerdict::NoWindowInTime, true},
        {{true, false, true, 0}, NewStarterVerdict::AnotherCopy, false},
        {{true, false, true, 0xC0000005}, NewStarterVerdict::Failed, true},   // a crash, or Task Manager's 1
        {{true, true, true, 0}, NewStarterVerdict::Finished, false},          // Java started or a failure text shown
        {{true, true, true, 2}, NewStarterVerdict::Failed, true},             // its window closed before the end
    };
    for (const Row& row : rows) {
        const NewStarterVerdict verdict = judgeNewStarter(row.watch);
        EXPECT_EQ(verdict, row.expected) << row.watch.windowSeen << row.watch.ended << " " << row.watch.exitCode;
        EXPECT_EQ(setsAsideNewStarter(verdict), row.setsAside) << static_cast<int>(row.expected);
    }
}

TEST(SignedManifestSequence, AnOlderReleaseIsRefusedAndTheStoreNeverLowered) {
    FakeWorld world;
    world.storeExists = true;
    world.stored = 9;
    world.manifests["https://a"] = world.signedManifest(8, std::string(64, 'd'));
    world.manifests["https://b"] = world.signedManifest(9);
    world.javaOnDisk = {L"javaw.exe"};
    world.run(2);
    EXPECT_EQ(world.requestedUrls.size(), 2u);
    EXPECT_EQ(world.downloads, (std::vector<std::string>{kJarUrl + "|D:\\game\\loader\\launcher.jar|" + kJarDigest}));
    EXPECT_TRUE(world.writes.empty()) << "the same sequence needs no write";
    EXPECT_EQ(world.launches.size(), 1u);
}

TEST(SignedManifestSequence, NothingUsableEndsWithNoServerAndFetchesNothing) {
    FakeWorld world;
    world.storeExists = true;
    world.stored = 20;
    world.manifests["https://a"] = completeManifest();          // unsigned
    world.manifests["https://b"] = world.signedManifest(19);    // older
    world.manifests["https://c"] = world.signedManifest(21, "");  // signed, but would check nothing
    world.run(2);
    EXPECT_EQ(world.requestedUrls.size(), 3u);
    EXPECT_EQ(world.failures, (std::vector<std::wstring>{kNoServerMessage}));
    EXPECT_TRUE(world.downloads.empty());
    EXPECT_TRUE(world.writes.empty());
    EXPECT_EQ(world.verifications, 1) << "only the well-formed claim is verified";
    EXPECT_TRUE(world.launches.empty());
}

// One row per state of the stored record: what a signed manifest of sequence 5 then does.
TEST(SignedManifestSequence, TheStoredRecordDecidesWhatIsTaken) {
    struct Row {
        const char* name;
        bool exists;
        bool unreadable;
        std::uint64_t stored;
        bool launched;
        std::vector<std::uint64_t> writes;
    };
    const Row rows[] = {
        {"no record", false, false, 0, true, {5}},
        {"a lower record", true, false, 4, true, {5}},
        {"a higher record", true, false, 6, false, {}},
        {"an unreadable record", false, true, 0, false, {}},
    };
    for (const Row& row : rows) {
        FakeWorld world;
        world.storeExists = row.exists;
        world.storeUnreadable = row.unreadable;
        world.stored = row.stored;
        world.manifests["https://a"] = world.signedManifest(5);
        world.javaOnDisk = {L"javaw.exe"};
        world.run(2);
        EXPECT_EQ(world.launches.size(), row.launched ? 1u : 0u) << row.name;
        EXPECT_EQ(world.writes, row.writes) << row.name;
        if (!row.launched) {
            EXPECT_EQ(world.failures, (std::vector<std::wstring>{kNoServerMessage})) << row.name;
        }
    }
}

TEST(SignedManifestSequence, AnUntrustedWorkFolderKeepsNoSequence) {
    FakeWorld world;
    world.workFolderTrusted = false;
    world.manifests["https://a"] = world.signedManifest(7);
    world.run(2);
    EXPECT_TRUE(world.storePaths.empty()) << "the store was read or written in an untrusted folder";
    EXPECT_EQ(world.verifications, 1);
    EXPECT_EQ(world.failures, (std::vector<std::wstring>{kLauncherDownloadFailedMessage}));
}

TEST(SignedManifestSequence, ABuildWithoutKeysUsesManifestsWithOrWithoutTheMembers) {
    for (std::size_t variant = 0; variant < 2; ++variant) {
        FakeWorld world;
        std::vector<ManifestPair> pairs = world.signedManifest(3);
        pairs[3].value = "not a signature";
        if (variant == 1) pairs.resize(2);
        world.manifests["https://a"] = pairs;
        world.javaOnDisk = {L"javaw.exe"};
        world.run(0);
        EXPECT_EQ(world.launches.size(), 1u);
        EXPECT_EQ(world.verifications, 0);
        EXPECT_TRUE(world.storePaths.empty()) << "a build without keys keeps no sequence";
        EXPECT_TRUE(world.failures.empty());
    }
}

TEST(BootstrapSequence, RealFailureNoticeStoresEachMessageWithEmptyBar) {
    // With no window (as here) only the shared state changes.
    const SequenceEffects real = realSequenceEffects(WorkFolder(kGame));
    for (const wchar_t* message : kAllFailureMessages) {
        real.screen.publishStatus(L"something else", 0.7);
        real.screen.showFailureNotice(message);
        const LauncherStateSnapshot state = readLauncherState();
        EXPECT_EQ(state.statusText, message);
        EXPECT_EQ(state.progress, 0.0);
    }
}

}  // namespace
