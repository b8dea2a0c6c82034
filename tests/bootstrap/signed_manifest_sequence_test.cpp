// The manifest search of a build with signing keys, through the seam: which
// server's manifest is used, and when the stored sequence is read and written.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "bootstrap/bootstrap_sequence.h"
#include "base/ui_texts.h"
#include "bootstrap/starter_update.h"

namespace {

const std::string kJarUrl = "https://files.example/Morvanta.jar";
const std::string kZipUrl = "https://files.example/java-x64.zip";
const std::string kJarDigest(64, 'a');
const std::string kZipDigest(64, 'b');

const std::string kGoodSignature(128, '5');
const std::wstring kGame = L"D:\\game";
const std::wstring kSequenceFile = L"D:\\game\\loader\\manifest.sequence";

// Servers answer scripted pairs; a signature "verifies" when the message was
// signed in this world (trusted) and the key list is the configured one.
struct SignedWorld {
    std::map<std::string, std::vector<ManifestPair>> manifests;
    std::set<std::string> signedMessages;
    bool workFolderTrusted = true;
    bool storeExists = false;
    bool storeUnreadable = false;
    std::uint64_t stored = 0;

    std::vector<std::string> requestedUrls;
    std::vector<std::string> downloads;
    std::vector<std::wstring> failures;
    std::vector<std::wstring> storePaths;  // reads and writes alike
    std::vector<std::uint64_t> writes;
    int verifications = 0;
    int launches = 0;

    std::vector<ManifestPair> signedManifest(std::uint64_t sequence, const std::string& jarDigest = kJarDigest) {
        ManifestSelection selection{kJarUrl, jarDigest, kZipUrl, kZipDigest};
        signedMessages.insert(manifestSignedMessage(std::to_string(sequence), selection));
        return {{kJarUrl, jarDigest},
                {kZipUrl, kZipDigest},
                {"sequence", std::to_string(sequence)},
                {"signature", kGoodSignature}};
    }

    BootstrapOperations operations(std::size_t keyCount) {
        BootstrapOperations ops;
        ops.tickCount = [] { return std::uint64_t{1}; };
        ops.lockWorkFiles = [] {};
        ops.unlockWorkFiles = [] {};
        ops.holdForLaunch = [](const std::vector<std::wstring>&, const std::wstring&) { return true; };
        ops.prepareGameDirectory = [](const std::wstring&) { return true; };
        ops.prepareTrustedFolder = [this](const std::wstring&) { return workFolderTrusted; };
        ops.trustOrSetAside = [](const std::wstring&) { return true; };
        ops.prepareStagingFolder = [](const std::wstring&) { return true; };
        ops.publishStagingFolder = [](const std::wstring&, const std::wstring&) { return true; };
        ops.removeFolder = [](const std::wstring&) {};
        ops.removeSetAsideFolders = [](const std::wstring&, const std::wstring&) {};
        ops.httpGet = [this](const std::string& url, std::vector<unsigned char>& body) {
            requestedUrls.push_back(url);
            const std::string base = url.substr(0, url.find("/starter/"));
            if (manifests.count(base) == 0) return false;
            body.assign(base.begin(), base.end());
            return true;
        };
        ops.readManifestPairs = [this](const std::vector<unsigned char>& body) {
            return manifests.at(std::string(body.begin(), body.end()));
        };
        ops.selectManifestEntries = selectManifestEntries;
        ops.verifyManifestSignature = [this, keyCount](const std::vector<ManifestPublicKey>& keys,
                                                       const std::string& message,
                                                       const ManifestSignature& signature) {
            ++verifications;
            EXPECT_EQ(keys.size(), keyCount);
            ManifestSignature good{};
            parseManifestSignature(kGoodSignature, good);
            return signature == good && signedMessages.count(message) > 0;
        };
        ops.readRollbackRecord = [this](const std::wstring& path) {
            storePaths.push_back(path);
            if (storeUnreadable) return AcceptedSequence{SequenceRecord::Unreadable, 0};
            return storeExists ? AcceptedSequence{SequenceRecord::Present, stored} : AcceptedSequence{};
        };
        ops.storeRollbackRecord = [this](const std::wstring& path, std::uint64_t sequence) {
            storePaths.push_back(path);
            writes.push_back(sequence);
            stored = sequence;
            storeExists = true;
            return true;
        };
        ops.downloadFile = [this](const std::string& url, const std::wstring&, const std::string& sha) {
            downloads.push_back(url + "|" + sha);
            return true;
        };
        ops.findJavaExecutable = [](const std::wstring& root, const std::wstring& name) {
            return root + L"\\bin\\" + name;
        };
        ops.extractZip = [](const std::wstring&, const std::wstring&) { return true; };
        ops.launchJavaLauncher = [this](const std::wstring&, const std::wstring&, std::uint64_t) { ++launches; };
        ops.publishStatus = [](const std::wstring&, double) {};
        ops.showFailureNotice = [this](const std::wstring& message) { failures.push_back(message); };
        ops.readRuntimeSource = [](const std::wstring&) { return kZipDigest; };
        ops.storeRuntimeSource = [](const std::wstring&, const std::string&) { return true; };
        ops.fileSha256 = [](const std::wstring&) { return std::string(); };
        return ops;
    }

    void run(std::size_t keyCount = 2) {
        BootstrapConfig config{kGame, {"https://a", "https://b", "https://c"}};
        config.manifestKeys.resize(keyCount);
        runBootstrapSequence(config, operations(keyCount));
    }
};

TEST(SignedManifestSequence, AVerifiedManifestIsUsedAndItsSequenceStored) {
    SignedWorld world;
    world.manifests["https://a"] = world.signedManifest(7);
    world.run();
    EXPECT_EQ(world.requestedUrls.size(), 1u);
    EXPECT_EQ(world.writes, (std::vector<std::uint64_t>{7}));
    EXPECT_EQ(world.storePaths, (std::vector<std::wstring>{kSequenceFile, kSequenceFile}));
    EXPECT_EQ(world.downloads, (std::vector<std::string>{kJarUrl + "|" + kJarDigest}));
    EXPECT_EQ(world.launches, 1);
    EXPECT_TRUE(world.failures.empty());
}

TEST(SignedManifestSequence, ATamperedDigestMakesTheNextServerAsked) {
    SignedWorld world;
    std::vector<ManifestPair> tampered = world.signedManifest(7);
    tampered[0].value = std::string(64, 'c');
    world.manifests["https://a"] = tampered;
    world.manifests["https://b"] = world.signedManifest(7);
    world.run();
    EXPECT_EQ(world.requestedUrls.size(), 2u);
    EXPECT_EQ(world.downloads, (std::vector<std::string>{kJarUrl + "|" + kJarDigest}));
    EXPECT_EQ(world.writes, (std::vector<std::uint64_t>{7}));
    EXPECT_EQ(world.launches, 1);
}

TEST(SignedManifestSequence, AStarterEntryOutsideTheSignatureMakesTheManifestUnusable) {
    SignedWorld world;
    std::vector<ManifestPair> added = world.signedManifest(7);  // signed without the entry
    added.push_back({"https://files.example/MorvantaStarter.exe", std::string(64, 'e')});
    world.manifests["https://a"] = added;
    world.run();
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

TEST(SignedManifestSequence, AnOlderReleaseIsRefusedAndTheStoreNeverLowered) {
    SignedWorld world;
    world.storeExists = true;
    world.stored = 9;
    world.manifests["https://a"] = world.signedManifest(8, std::string(64, 'd'));
    world.manifests["https://b"] = world.signedManifest(9);
    world.run();
    EXPECT_EQ(world.requestedUrls.size(), 2u);
    EXPECT_EQ(world.downloads, (std::vector<std::string>{kJarUrl + "|" + kJarDigest}));
    EXPECT_TRUE(world.writes.empty()) << "the same sequence needs no write";
    EXPECT_EQ(world.launches, 1);
}

TEST(SignedManifestSequence, NothingUsableEndsWithNoServerAndFetchesNothing) {
    SignedWorld world;
    world.storeExists = true;
    world.stored = 20;
    world.manifests["https://a"] = {{kJarUrl, kJarDigest}, {kZipUrl, kZipDigest}};  // unsigned
    world.manifests["https://b"] = world.signedManifest(19);                        // older
    std::vector<ManifestPair> emptyDigests = world.signedManifest(21, "");
    world.manifests["https://c"] = emptyDigests;  // signed, but would check nothing
    world.run();
    EXPECT_EQ(world.requestedUrls.size(), 3u);
    EXPECT_EQ(world.failures, (std::vector<std::wstring>{kNoServerMessage}));
    EXPECT_TRUE(world.downloads.empty());
    EXPECT_TRUE(world.writes.empty());
    EXPECT_EQ(world.verifications, 1) << "only the well-formed claim is verified";
    EXPECT_EQ(world.launches, 0);
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
        SignedWorld world;
        world.storeExists = row.exists;
        world.storeUnreadable = row.unreadable;
        world.stored = row.stored;
        world.manifests["https://a"] = world.signedManifest(5);
        world.run();
        EXPECT_EQ(world.launches, row.launched ? 1 : 0) << row.name;
        EXPECT_EQ(world.writes, row.writes) << row.name;
        if (!row.launched) {
            EXPECT_EQ(world.failures, (std::vector<std::wstring>{kNoServerMessage})) << row.name;
        }
    }
}

TEST(SignedManifestSequence, AnUntrustedWorkFolderKeepsNoSequence) {
    SignedWorld world;
    world.workFolderTrusted = false;
    world.manifests["https://a"] = world.signedManifest(7);
    world.run();
    EXPECT_TRUE(world.storePaths.empty()) << "the store was read or written in an untrusted folder";
    EXPECT_EQ(world.verifications, 1);
    EXPECT_EQ(world.failures, (std::vector<std::wstring>{kLauncherDownloadFailedMessage}));
}

TEST(SignedManifestSequence, ABuildWithoutKeysUsesManifestsWithOrWithoutTheMembers) {
    SignedWorld world;
    for (std::size_t variant = 0; variant < 2; ++variant) {
        std::vector<ManifestPair> pairs = world.signedManifest(3);
        pairs[3].value = "not a signature";
        if (variant == 1) pairs.resize(2);
        world.manifests["https://a"] = pairs;
        world.run(0);
    }
    EXPECT_EQ(world.launches, 2);
    EXPECT_EQ(world.verifications, 0);
    EXPECT_TRUE(world.storePaths.empty()) << "a build without keys keeps no sequence";
    EXPECT_TRUE(world.failures.empty());
}

}  // namespace
