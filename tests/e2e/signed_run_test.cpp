// Whole runs of starters built with manifest signing keys under Wine. The
// first server (the fault server) and the second (nginx over HTTPS) can serve
// different manifests, so each run shows which one the starter took.

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bootstrap/machine_lock.h"
#include "files/security_description.h"
#include "tests/servers/test_servers.h"
#include "whole_run_fixture.h"

namespace fs = std::filesystem;

namespace {

using namespace whole_run;

const fs::path kSequenceFile = kLoader / "manifest.sequence";
const char* kOldJarPath = "/files/old/Morvanta.jar";
const fs::path kNewStarter = kLoader / "starter" / "MorvantaStarter.exe";
const char* kNewStarterPath = "/files/new/MorvantaStarter.exe";

// The process that shows a splash window now (null when none does), and its image.
UniqueKernelHandle splashOwner(std::wstring& image) {
    HWND window = FindWindowW(L"MorvantaStarter", nullptr);
    DWORD processId = 0;
    if (window != nullptr) GetWindowThreadProcessId(window, &processId);
    UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId));
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (process && QueryFullProcessImageNameW(process.get(), 0, path, &size)) image = path;
    return process;
}

// The newer starter's process once its splash is up (null when none came within a minute).
UniqueKernelHandle newStarterSplash() {
    for (int attempt = 0; attempt < 6000; ++attempt) {
        std::wstring image;
        UniqueKernelHandle process = splashOwner(image);
        std::error_code error;
        if (process && fs::equivalent(fs::path(image), kNewStarter, error)) return process;
        Sleep(10);
    }
    return UniqueKernelHandle();
}

// Requests the first server has logged, one path a line.
int firstServerRequests() {
    const std::string log = readFile(environmentPath("MORVANTA_TEST_FAULT_LOG"));
    int count = 0;
    for (char c : log) count += c == '\n';
    return count;
}

class SignedRunTest : public WholeRunFixture {
protected:
    SignedRunTest() : WholeRunFixture("MORVANTA_SIGNED_MANIFESTS") {}

    static fs::path firstServerManifest() {
        return fs::path(environmentPath("MORVANTA_SIGNED_FIRST_SERVER")) / "launcher.json";
    }
    static fs::path secondServerManifest() { return nginxManifest(); }

    std::vector<fs::path> servedManifests() const override {
        return {firstServerManifest(), secondServerManifest()};
    }

    void startAndWait(const char* starterVariable, DWORD timeoutMs = 90000) {
        ASSERT_NO_FATAL_FAILURE(start(starterVariable));
        exitCode = starter_process::waitForExit(run.process.get(), timeoutMs);
    }

    // A good run ends by itself after launching the stand-in Java.
    void expectLaunched() {
        EXPECT_EQ(exitCode, 0u) << "the starter did not end cleanly";
        EXPECT_TRUE(waitForLaunchRecord()) << "Java was not started";
    }

    // A failed run stays up with its message and starts nothing.
    void expectStaysUpWithoutLaunch() {
        EXPECT_EQ(exitCode, static_cast<DWORD>(STILL_ACTIVE)) << "the starter ended after a failure";
        EXPECT_NE(starter_process::starterWindow(run.id), nullptr);
        EXPECT_FALSE(fs::exists(kRecord)) << "Java was started";
    }

    void launchOnce(const char* starterVariable, const char* firstScenario) {
        serve(firstServerManifest(), firstScenario);
        startAndWait(starterVariable);
        expectLaunched();
        fs::remove(kRecord);
    }

    DWORD exitCode = 0;
};

TEST_F(SignedRunTest, AGoodManifestLaunchesAndItsSequenceIsKept) {
    const int second = test_servers::nginxRequestCount(kManifestPath);
    launchOnce("MORVANTA_SIGNED_STARTER", "good_a7");
    EXPECT_EQ(test_servers::nginxRequestCount(kManifestPath), second) << "the second server was asked";
    EXPECT_EQ(readFile(kSequenceFile), "7\n");
    EXPECT_FALSE(fs::exists(kSequenceFile.wstring() + L".new"));
}

TEST_F(SignedRunTest, ATamperedDigestOnTheFirstServerMakesTheSecondServe) {
    serve(secondServerManifest(), "good_a7");
    const int second = test_servers::nginxRequestCount(kManifestPath);
    const int jars = test_servers::nginxRequestCount(kJarPath);
    launchOnce("MORVANTA_SIGNED_STARTER", "tampered_digest");
    EXPECT_EQ(test_servers::nginxRequestCount(kManifestPath), second + 1);
    EXPECT_EQ(test_servers::nginxRequestCount(kJarPath), jars + 1);
}

TEST_F(SignedRunTest, AnOlderValidlySignedReleaseIsRefusedAndTheNextServerUsed) {
    launchOnce("MORVANTA_SIGNED_STARTER", "good_a8");
    ASSERT_EQ(readFile(kSequenceFile), "8\n");

    serve(secondServerManifest(), "good_a8");
    const int second = test_servers::nginxRequestCount(kManifestPath);
    const int oldJars = test_servers::nginxRequestCount(kOldJarPath);
    launchOnce("MORVANTA_SIGNED_STARTER", "old_a6");
    EXPECT_EQ(test_servers::nginxRequestCount(kManifestPath), second + 1);
    EXPECT_EQ(test_servers::nginxRequestCount(kOldJarPath), oldJars) << "the old release was used";
    EXPECT_EQ(readFile(kSequenceFile), "8\n");
}

TEST_F(SignedRunTest, ARecordHeldOpenByAnotherProcessLetsNoOlderReleaseIn) {
    launchOnce("MORVANTA_SIGNED_STARTER", "good_a8");
    ASSERT_EQ(readFile(kSequenceFile), "8\n");
    serve(firstServerManifest(), "old_a6");
    serve(secondServerManifest(), "old_a6");
    const int oldJars = test_servers::nginxRequestCount(kOldJarPath);
    {
        UniqueFileHandle held(CreateFileW(kSequenceFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        startAndWait("MORVANTA_SIGNED_STARTER", 10000);
        expectStaysUpWithoutLaunch();
    }
    EXPECT_EQ(test_servers::nginxRequestCount(kOldJarPath), oldJars) << "the old release was used";
    EXPECT_EQ(readFile(kSequenceFile), "8\n");
}

// This test process stands for a starter of another session holding the machine-wide lock.
TEST_F(SignedRunTest, AStarterWaitsForTheMachineWideLockThenLaunches) {
    serve(firstServerManifest(), "good_a7");
    LocalSecurityDescriptor descriptor = securityDescriptorFromSddl(kMachineLockSddl);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    UniqueKernelHandle lock(CreateMutexW(&attributes, TRUE, kMachineLockName));
    ASSERT_TRUE(lock);
    const int first = firstServerRequests();
    ASSERT_NO_FATAL_FAILURE(start("MORVANTA_SIGNED_STARTER"));
    EXPECT_NE(starter_process::waitForVisibleStarterWindow(run.id), nullptr) << "no window while waiting";
    EXPECT_EQ(WaitForSingleObject(run.process.get(), 3000), static_cast<DWORD>(WAIT_TIMEOUT)) << "did not wait";
    EXPECT_EQ(firstServerRequests(), first) << "worked on while the lock was held";
    EXPECT_FALSE(fs::exists(kLoader)) << "touched the files while the lock was held";
    ReleaseMutex(lock.get());
    exitCode = starter_process::waitForExit(run.process.get(), 90000);
    expectLaunched();
}

// Once the work folder is trusted the lock is a file in it, held without sharing: a
// mutex of the lock's name that someone else holds (anyone may create one) stalls nothing.
TEST_F(SignedRunTest, OnceTheWorkFolderIsTrustedTheLockIsAFileInIt) {
    launchOnce("MORVANTA_SIGNED_STARTER", "good_a7");
    UniqueKernelHandle squatted(CreateMutexW(nullptr, TRUE, kMachineLockName));
    ASSERT_TRUE(squatted);
    {
        UniqueFileHandle lockFile(CreateFileW((kLoader / "work-files.lock").c_str(), GENERIC_READ, 0, nullptr,
                                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lockFile);
        const int first = firstServerRequests();
        ASSERT_NO_FATAL_FAILURE(start("MORVANTA_SIGNED_STARTER"));
        EXPECT_NE(starter_process::waitForVisibleStarterWindow(run.id), nullptr) << "no window while waiting";
        EXPECT_EQ(WaitForSingleObject(run.process.get(), 3000), static_cast<DWORD>(WAIT_TIMEOUT)) << "did not wait";
        EXPECT_EQ(firstServerRequests(), first) << "worked on while the lock file was held";
    }
    exitCode = starter_process::waitForExit(run.process.get(), 90000);
    expectLaunched();
    ReleaseMutex(squatted.get());
}

TEST_F(SignedRunTest, UnsignedManifestsEverywhereLaunchNothing) {
    serve(firstServerManifest(), "unsigned");
    serve(secondServerManifest(), "unsigned");
    const int first = firstServerRequests();
    const int second = test_servers::nginxRequestCount(kManifestPath);
    const int jars = test_servers::nginxRequestCount(kJarPath);
    startAndWait("MORVANTA_SIGNED_STARTER", 8000);
    expectStaysUpWithoutLaunch();
    EXPECT_EQ(firstServerRequests(), first + 1);
    EXPECT_EQ(test_servers::nginxRequestCount(kManifestPath), second + 1);
    EXPECT_EQ(test_servers::nginxRequestCount(kJarPath), jars);
    EXPECT_FALSE(fs::exists(kSequenceFile));
}

TEST_F(SignedRunTest, AnUnknownKeyIsRefused) {
    serve(firstServerManifest(), "unknown_key");
    serve(secondServerManifest(), "good_b7");
    const int jars = test_servers::nginxRequestCount(kJarPath);
    startAndWait("MORVANTA_SIGNED_STARTER_KEY_B");
    expectLaunched();
    serve(secondServerManifest(), "good_a7");  // key A is not in this build's list
    fs::remove(kRecord);
    startAndWait("MORVANTA_SIGNED_STARTER_KEY_B", 8000);
    expectStaysUpWithoutLaunch();
    EXPECT_EQ(test_servers::nginxRequestCount(kJarPath), jars + 1);
}

TEST_F(SignedRunTest, AKeyRotationListAcceptsEitherKey) {
    launchOnce("MORVANTA_SIGNED_STARTER", "good_a7");
    launchOnce("MORVANTA_SIGNED_STARTER", "good_b7");
    EXPECT_EQ(readFile(kSequenceFile), "7\n");
}

TEST_F(SignedRunTest, TheDefaultBuildTakesManifestsWithOrWithoutTheMembers) {
    launchOnce("MORVANTA_SIGNED_STARTER_DEFAULT", "unknown_key");
    launchOnce("MORVANTA_SIGNED_STARTER_DEFAULT", "unsigned");
    EXPECT_FALSE(fs::exists(kSequenceFile)) << "a build without keys keeps no sequence";
}

TEST_F(SignedRunTest, ANewerStarterTakesOverFromTheStarterFolderAndLaunchesJava) {
    serve(firstServerManifest(), "starter_b7");
    const int fetched = test_servers::nginxRequestCount(kNewStarterPath);
    // The second start finds the named program in place: it hands over again, fetching nothing.
    for (int start = 0; start < 2; ++start) {
        ASSERT_NO_FATAL_FAILURE(this->start("MORVANTA_SIGNED_STARTER"));
        UniqueKernelHandle newProcess = newStarterSplash();
        ASSERT_TRUE(newProcess) << "the new program's splash did not come up";
        // The first program closes its window and waits, windowless, for the new one to end.
        bool windowless = false;
        while (!windowless && WaitForSingleObject(run.process.get(), 10) == WAIT_TIMEOUT)
            windowless = starter_process::starterWindow(run.id) == nullptr;
        EXPECT_TRUE(windowless) << "the first program kept its window";
        Sleep(300);  // the new program holds its splash for at least 600 ms
        if (WaitForSingleObject(newProcess.get(), 0) == WAIT_TIMEOUT) {
            EXPECT_EQ(WaitForSingleObject(run.process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
                << "the first program did not wait for the new one";
        }
        EXPECT_EQ(starter_process::waitForExit(newProcess.get(), 60000), 0u);
        EXPECT_EQ(starter_process::waitForExit(run.process.get(), 10000), 0u) << "the first program did not end";
        EXPECT_TRUE(waitForLaunchRecord()) << "the new program did not start Java";
        fs::remove(kRecord);
        EXPECT_EQ(test_servers::nginxRequestCount(kNewStarterPath), fetched + 1);
        EXPECT_FALSE(fs::exists(kNewStarter.wstring() + L".failed"));
    }
}

TEST_F(SignedRunTest, AStarterEntryTheSignatureDoesNotCoverMakesTheManifestUnusable) {
    for (const char* scenario : {"starter_tampered_a7", "starter_v1_a7"}) {
        serve(secondServerManifest(), "good_a7");
        const int second = test_servers::nginxRequestCount(kManifestPath);
        launchOnce("MORVANTA_SIGNED_STARTER", scenario);
        EXPECT_EQ(test_servers::nginxRequestCount(kManifestPath), second + 1) << scenario;
        EXPECT_FALSE(fs::exists(kNewStarter)) << scenario;
    }
}

TEST_F(SignedRunTest, ABuildWithoutKeysIgnoresTheStarterEntry) {
    const int fetched = test_servers::nginxRequestCount(kNewStarterPath);
    launchOnce("MORVANTA_SIGNED_STARTER_DEFAULT", "starter_b7");
    EXPECT_EQ(test_servers::nginxRequestCount(kNewStarterPath), fetched);
    EXPECT_FALSE(fs::exists(kNewStarter));
}

// Exit code 0 before any window is what a second double-click's copy taking the
// single-instance lock first looks like: nothing is set aside, and with nobody
// holding the lock this start goes on itself.
TEST_F(SignedRunTest, AStarterThatEndsWithZeroBeforeAnyWindowIsKeptAndJavaLaunched) {
    launchOnce("MORVANTA_SIGNED_STARTER", "starter_quits_a7");
    EXPECT_TRUE(fs::exists(kNewStarter));
    EXPECT_FALSE(fs::exists(kNewStarter.wstring() + L".failed"));
}

// A new program that shows its window and then crashes is never run again: this
// start ends with it, and the next one launches the game.
TEST_F(SignedRunTest, AStarterThatCrashesAfterItsWindowIsSetAsideAndTheNextStartLaunches) {
    const std::wstring failed = kNewStarter.wstring() + L".failed";
    serve(firstServerManifest(), "starter_crashes_a7");
    startAndWait("MORVANTA_SIGNED_STARTER");
    EXPECT_EQ(exitCode, 0u) << "the first program did not wait for the new one and end";
    EXPECT_FALSE(fs::exists(kRecord)) << "Java was started by a program that crashed";
    EXPECT_TRUE(fs::exists(failed)) << "the crashed program was not set aside";
    EXPECT_FALSE(fs::exists(kNewStarter));
    const char* crashes = "/files/crashes/MorvantaStarter.exe";
    const int fetched = test_servers::nginxRequestCount(crashes);
    launchOnce("MORVANTA_SIGNED_STARTER", "starter_crashes_a7");
    EXPECT_EQ(test_servers::nginxRequestCount(crashes), fetched) << "the failed program was fetched again";
}

// A delta slipped into a signed manifest beside a general signature that does
// not cover it is not fetched: the new runtime comes as the full archive.
TEST_F(SignedRunTest, ADeltaOutsideTheGeneralSignatureIsNotUsed) {
    launchOnce("MORVANTA_SIGNED_STARTER", "good_a7");
    const std::string manifest =
        readFile(fs::path(environmentPath("MORVANTA_SIGNED_MANIFESTS")) / "delta_outside_a8.json");
    const std::size_t at = manifest.find("/files/d/");
    ASSERT_NE(at, std::string::npos);
    const std::string deltaPath = manifest.substr(at, manifest.find('"', at) - at);
    const int deltas = test_servers::nginxRequestCount(deltaPath);
    const int archives = test_servers::nginxRequestCount("/files/b/java-x64.zip");
    launchOnce("MORVANTA_SIGNED_STARTER", "delta_outside_a8");
    EXPECT_EQ(test_servers::nginxRequestCount(deltaPath), deltas) << "the delta was fetched";
    EXPECT_EQ(test_servers::nginxRequestCount("/files/b/java-x64.zip"), archives + 1);
    EXPECT_NE(readFile(kLoader / "logs" / "starter.log").find("none is used"), std::string::npos);
}

}  // namespace
