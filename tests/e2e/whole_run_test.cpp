// Whole runs of the real starter under Wine against the test nginx over HTTPS:
// each starts from a game directory wiped clean, serves one manifest, and
// checks the process, the files on disk, the stand-in Java program's record
// and nginx's access log.

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "screenshot.h"
#include "tests/servers/test_servers.h"
#include "whole_run_fixture.h"

namespace fs = std::filesystem;

namespace {

using namespace whole_run;

const fs::path kJar = kLoader / "launcher.jar";
const fs::path kZip = kLoader / "java.zip";
const fs::path kJava = kLoader / "java";
const fs::path kJavaw = kJava / "jdk-17-test" / "bin" / "javaw.exe";
const fs::path kLog = kLoader / "logs" / "starter.log";
const char* kExpectedCommandLine =
    "\"C:\\.Morvanta\\loader\\java\\jdk-17-test\\bin\\javaw.exe\" "
    "-Dlauncher.debug=true -Dlauncher.stacktrace=true -jar \"C:\\.Morvanta\\loader\\launcher.jar\"";

const char* kZipPath = "/files/java-x64.zip";

// The splash must stay at least this long; the close request comes only after it.
constexpr ULONGLONG kMinimumSplashMs = 2500;

using starter_process::starterWindow;

class WholeRunTest : public WholeRunFixture {
protected:
    WholeRunTest() : WholeRunFixture("MORVANTA_E2E_MANIFESTS") {}

    std::vector<fs::path> servedManifests() const override { return {nginxManifest()}; }

    void serveManifest(const char* scenario) { serve(nginxManifest(), scenario); }

    void start(const char* starterVariable = "MORVANTA_E2E_STARTER") { WholeRunFixture::start(starterVariable); }

    // Waits for the run to end by itself; returns its exit code and how long it took.
    void expectCleanEnd(ULONGLONG& elapsed) {
        ASSERT_EQ(WaitForSingleObject(run.process.get(), 90000), WAIT_OBJECT_0) << "the starter did not end";
        elapsed = GetTickCount64() - run.startedAt;
        DWORD code = 1;
        GetExitCodeProcess(run.process.get(), &code);
        EXPECT_EQ(code, 0u);
        EXPECT_GE(elapsed, kMinimumSplashMs);
    }

    std::string launchRecord() {
        waitForLaunchRecord();
        Sleep(100);
        return readFile(kRecord);
    }

    void expectLaunched() {
        const std::string record = launchRecord();
        EXPECT_NE(record.find(std::string("command line: ") + kExpectedCommandLine + "\n"), std::string::npos)
            << record;
        // Support sees exactly what was started.
        EXPECT_NE(readFile(kLog).find(std::string("starting Java: ") + kExpectedCommandLine + " in C:\\.Morvanta\n"),
                  std::string::npos)
            << readFile(kLog);
        EXPECT_NE(record.find("current directory: C:\\.Morvanta\n"), std::string::npos) << record;
        EXPECT_NE(record.find("console window: no\n"), std::string::npos) << record;
    }

    // A failed run stays up with its message: wait until the last request it
    // makes is in the log and a while more, then check it is still there.
    void expectStaysUpAfterFailure(const char* screenshotName, const char* lastRequest = nullptr,
                                   int lastRequestCount = 1) {
        if (lastRequest != nullptr) {
            for (int attempt = 0; attempt < 600; ++attempt) {
                if (test_servers::nginxRequestCount(lastRequest) >= lastRequestCount) break;
                Sleep(50);
            }
            EXPECT_GE(test_servers::nginxRequestCount(lastRequest), lastRequestCount) << lastRequest;
        }
        // Past the time a successful run would have closed the window by.
        const ULONGLONG settle = run.startedAt + kMinimumSplashMs + 2500;
        while (GetTickCount64() < settle) Sleep(50);
        Sleep(1000);
        EXPECT_EQ(WaitForSingleObject(run.process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
            << "the starter ended after a failure";
        HWND window = starterWindow(run.id);
        EXPECT_NE(window, nullptr);
        const fs::path artefacts = environmentPath("MORVANTA_E2E_ARTEFACTS");
        fs::create_directories(artefacts);
        EXPECT_TRUE(saveScreenshot(window, (artefacts / screenshotName).wstring()));
        if (fs::exists(kJava)) {
            for (const auto& entry : fs::recursive_directory_iterator(kJava)) {
                EXPECT_NE(entry.path().filename(), "java-invocation.txt") << "Java was started";
            }
        }
    }

    void firstStart() {
        serveManifest("complete");
        start();
        ULONGLONG elapsed = 0;
        expectCleanEnd(elapsed);
        expectLaunched();
    }
};

TEST_F(WholeRunTest, FirstStartOnACleanMachineFetchesUnpacksAndLaunches) {
    const int manifests = test_servers::nginxRequestCount(kManifestPath);
    const int jars = test_servers::nginxRequestCount(kJarPath);
    const int zips = test_servers::nginxRequestCount(kZipPath);
    serveManifest("complete");
    start();
    ULONGLONG elapsed = 0;
    expectCleanEnd(elapsed);
    expectLaunched();
    RecordProperty("first_start_ms", static_cast<int>(elapsed));

    EXPECT_EQ(test_servers::nginxRequestCount(kManifestPath), manifests + 1);
    EXPECT_EQ(test_servers::nginxRequestCount(kJarPath), jars + 1);
    EXPECT_EQ(test_servers::nginxRequestCount(kZipPath), zips + 1);
    const fs::path served = test_servers::docroot();
    EXPECT_EQ(readFile(kJar), readFile(served / "files" / "Morvanta.jar"));
    EXPECT_EQ(readFile(kZip), readFile(served / "files" / "java-x64.zip"));
    EXPECT_TRUE(fs::exists(kJava / "jdk-17-test" / "lib" / "modules"));
    EXPECT_FALSE(fs::exists(fs::path(kJar.wstring() + L".part")));
    EXPECT_FALSE(fs::exists(fs::path(kZip.wstring() + L".part")));
}

TEST_F(WholeRunTest, SecondStartOnlyAsksForTheManifest) {
    firstStart();
    fs::remove(kRecord);
    const int manifests = test_servers::nginxRequestCount(kManifestPath);
    const int jars = test_servers::nginxRequestCount(kJarPath);
    const int zips = test_servers::nginxRequestCount(kZipPath);

    start();
    ULONGLONG elapsed = 0;
    expectCleanEnd(elapsed);
    expectLaunched();
    EXPECT_EQ(test_servers::nginxRequestCount(kManifestPath), manifests + 1);
    EXPECT_EQ(test_servers::nginxRequestCount(kJarPath), jars);
    EXPECT_EQ(test_servers::nginxRequestCount(kZipPath), zips);
}

TEST_F(WholeRunTest, LostRuntimeFolderIsUnpackedAgainFromTheKeptArchive) {
    firstStart();
    fs::remove_all(kJava);
    const int zips = test_servers::nginxRequestCount(kZipPath);

    start();
    ULONGLONG elapsed = 0;
    expectCleanEnd(elapsed);
    expectLaunched();
    EXPECT_EQ(test_servers::nginxRequestCount(kZipPath), zips);
    EXPECT_TRUE(fs::exists(kJavaw));
}

TEST_F(WholeRunTest, DamagedLauncherJarIsFetchedAgain) {
    firstStart();
    fs::remove(kRecord);
    std::ofstream(kJar, std::ios::binary | std::ios::trunc) << "damaged";
    const int jars = test_servers::nginxRequestCount(kJarPath);

    start();
    ULONGLONG elapsed = 0;
    expectCleanEnd(elapsed);
    expectLaunched();
    EXPECT_EQ(test_servers::nginxRequestCount(kJarPath), jars + 1);
    EXPECT_EQ(readFile(kJar), readFile(fs::path(test_servers::docroot()) / "files" / "Morvanta.jar"));
}

TEST_F(WholeRunTest, SecondServerServesWhenTheFirstIsDown) {
    serveManifest("complete");
    const int manifests = test_servers::nginxRequestCount(kManifestPath);
    start("MORVANTA_E2E_STARTER_FALLBACK");
    ULONGLONG elapsed = 0;
    expectCleanEnd(elapsed);
    expectLaunched();
    EXPECT_EQ(test_servers::nginxRequestCount(kManifestPath), manifests + 1);
}

// The work folder holds nothing but the support log and the work-files lock.
bool holdsOnlyTheLog(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != "logs" && entry.path().filename() != "work-files.lock") return false;
    return true;
}

TEST_F(WholeRunTest, NoServerLeavesTheWorkFolderEmpty) {
    start("MORVANTA_E2E_STARTER_NO_SERVER");
    expectStaysUpAfterFailure("no-server.png");
    EXPECT_TRUE(fs::is_directory(kLoader));
    EXPECT_TRUE(holdsOnlyTheLog(kLoader));
    // Written before the notice waits: names each server that failed and the text the player saw.
    const std::string log = readFile(kLog);
    EXPECT_NE(log.find("https://127.0.0.1:18597/starter/launcher.json"), std::string::npos) << log;
    EXPECT_NE(log.find("https://127.0.0.1:18599/starter/launcher.json"), std::string::npos) << log;
    EXPECT_NE(log.find("failure shown: Нет связи с сервером обновлений\n"), std::string::npos) << log;
}

TEST_F(WholeRunTest, IncompleteManifestFetchesNothing) {
    serveManifest("incomplete");
    const int manifests = test_servers::nginxRequestCount(kManifestPath);
    const int jars = test_servers::nginxRequestCount(kJarPath);
    start();
    expectStaysUpAfterFailure("incomplete-manifest.png", kManifestPath, manifests + 1);
    EXPECT_EQ(test_servers::nginxRequestCount(kJarPath), jars);
    EXPECT_TRUE(holdsOnlyTheLog(kLoader));
}

TEST_F(WholeRunTest, MissingLauncherJarStopsBeforeJava) {
    serveManifest("jar_missing");
    const int missing = test_servers::nginxRequestCount("/files/missing/Morvanta.jar");
    const int zips = test_servers::nginxRequestCount(kZipPath);
    start();
    expectStaysUpAfterFailure("launcher-jar-missing.png", "/files/missing/Morvanta.jar", missing + 1);
    EXPECT_FALSE(fs::exists(kJar));
    EXPECT_FALSE(fs::exists(kZip));
    EXPECT_EQ(test_servers::nginxRequestCount(kZipPath), zips);
}

TEST_F(WholeRunTest, WrongRuntimeDigestKeepsTheJarAndNoArchive) {
    serveManifest("runtime_digest_wrong");
    const int zips = test_servers::nginxRequestCount(kZipPath);
    start();
    expectStaysUpAfterFailure("runtime-digest-wrong.png", kZipPath, zips + 1);
    EXPECT_TRUE(fs::exists(kJar));
    EXPECT_FALSE(fs::exists(kZip));
    EXPECT_FALSE(fs::exists(kJava));
}

TEST_F(WholeRunTest, ArchiveWithoutJavaIsUnpackedButNotLaunched) {
    serveManifest("runtime_without_java");
    const int zips = test_servers::nginxRequestCount("/files/nojava/java-x64.zip");
    start();
    expectStaysUpAfterFailure("runtime-without-java.png", "/files/nojava/java-x64.zip", zips + 1);
    EXPECT_TRUE(fs::exists(kZip));
    // Unpacked beside the runtime folder and never published: no runtime folder, no leftovers.
    EXPECT_FALSE(fs::exists(kJava));
    EXPECT_FALSE(fs::exists(kLoader / "java.staging"));
}

TEST_F(WholeRunTest, ArchiveThatCannotBeUnpackedStopsAtTheBadEntry) {
    serveManifest("runtime_damaged");
    const int zips = test_servers::nginxRequestCount("/files/broken/java-x64.zip");
    start();
    expectStaysUpAfterFailure("runtime-damaged.png", "/files/broken/java-x64.zip", zips + 1);
    EXPECT_TRUE(fs::exists(kZip));
    // What came out before the bad entry stays in the staging folder, never in the runtime folder.
    EXPECT_TRUE(fs::exists(kLoader / "java.staging" / "jdk-broken" / "release"));
    EXPECT_FALSE(fs::exists(kJava));
}

// The URL path of the first entry of a scenario's manifest that holds `part`.
std::string servedPath(const char* scenario, const std::string& part) {
    const std::string manifest =
        readFile(fs::path(environmentPath("MORVANTA_E2E_MANIFESTS")) / (std::string(scenario) + ".json"));
    const std::size_t at = manifest.find(part);
    if (at == std::string::npos) return std::string();
    const std::size_t start = manifest.rfind("/files/", at);
    return manifest.substr(start, manifest.find('"', at) - start);
}

// The runtime folder holds exactly the files and folders of the unpacked `expected`.
void expectSameTree(const fs::path& expected, const fs::path& actual) {
    std::size_t expectedCount = 0;
    for (const auto& entry : fs::recursive_directory_iterator(expected)) {
        ++expectedCount;
        const fs::path there = actual / fs::relative(entry.path(), expected);
        if (entry.is_directory()) {
            EXPECT_TRUE(fs::is_directory(there)) << there.string();
        } else {
            EXPECT_EQ(readFile(there), readFile(entry.path())) << there.string();
        }
    }
    std::size_t actualCount = 0;
    for (const auto& entry : fs::recursive_directory_iterator(actual))
        actualCount += entry.path().filename() != "java-invocation.txt";
    EXPECT_EQ(actualCount, expectedCount);
}

// Runtime A installed, then a manifest naming B: through its delta when the
// installed runtime is the delta's base, else through the full archive in the
// same run; B launched, file for file, either way.
TEST_F(WholeRunTest, ANewRuntimeComesThroughItsDeltaOrElseTheFullArchive) {
    struct Row {
        const char* scenario;
        bool changeInstalledFile;
        bool deltaFetched;
        bool deltaUsed;
    };
    const Row rows[] = {
        {"delta_b", false, true, true},
        {"delta_damaged", false, true, false},
        {"delta_b", true, true, false},  // an installed file changed after install
        {"delta_other_base", false, false, false},
    };
    const std::string zipB = servedPath("delta_b", "/files/b/java-x64.zip");
    // Runtime A is installed once and its game directory put back before each row.
    const fs::path installedA = kGame.wstring() + L".installed-a";
    std::error_code ignored;
    fs::remove_all(installedA, ignored);
    firstStart();
    fs::remove(kRecord);
    fs::copy(kGame, installedA, fs::copy_options::recursive);
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.scenario) + (row.changeInstalledFile ? " (installed file changed)" : ""));
        fs::remove_all(kGame, ignored);
        fs::copy(installedA, kGame, fs::copy_options::recursive);
        if (row.changeInstalledFile)
            std::ofstream(kJava / "jdk-17-test" / "lib" / "modules", std::ios::binary | std::ios::app) << "changed";
        const std::string deltaPath = servedPath(row.scenario, ".delta");
        const int deltas = test_servers::nginxRequestCount(deltaPath);
        const int fullArchives = test_servers::nginxRequestCount(zipB);

        serveManifest(row.scenario);
        start();
        ULONGLONG elapsed = 0;
        expectCleanEnd(elapsed);
        expectLaunched();
        EXPECT_EQ(test_servers::nginxRequestCount(deltaPath), deltas + (row.deltaFetched ? 1 : 0));
        EXPECT_EQ(test_servers::nginxRequestCount(zipB), fullArchives + (row.deltaUsed ? 0 : 1));
        expectSameTree(fs::path(test_servers::docroot()) / "expected-b", kJava);
        EXPECT_FALSE(fs::exists(kLoader / "java.staging"));
        const std::string log = readFile(kLog);
        EXPECT_EQ(log.find("runtime: updated through the delta") != std::string::npos, row.deltaUsed) << log;
    }
    fs::remove_all(installedA, ignored);
}

TEST_F(WholeRunTest, ArchiveWhoseDirectoryDisagreesWithItsEntriesPublishesNothing) {
    serveManifest("runtime_disagreeing");
    const int zips = test_servers::nginxRequestCount("/files/disagree/java-x64.zip");
    start();
    expectStaysUpAfterFailure("runtime-disagreeing.png", "/files/disagree/java-x64.zip", zips + 1);
    // Not put in place either: a later start would read the archive by its directory alone.
    EXPECT_FALSE(fs::exists(kZip));
    EXPECT_FALSE(fs::exists(fs::path(kZip.wstring() + L".part")));
    EXPECT_FALSE(fs::exists(kJava));
    EXPECT_NE(readFile(kLog).find("disagrees with itself"), std::string::npos);
}

}  // namespace
