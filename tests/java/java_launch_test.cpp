// The launch: its exact command line, its timing on a fake clock, and a real
// process start of the stand-in Java program.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/ui_texts.h"
#include "app/launch_operations.h"
#include "bootstrap/java_launch.h"

namespace fs = std::filesystem;

namespace {

TEST(JavaCommandLineTest, BothPathsQuotedAroundTheFixedSwitches) {
    EXPECT_EQ(buildJavaCommandLine(L"C:\\.Morvanta\\loader\\java\\jdk\\bin\\javaw.exe",
                                   L"C:\\.Morvanta\\loader\\launcher.jar"),
              L"\"C:\\.Morvanta\\loader\\java\\jdk\\bin\\javaw.exe\" -Dlauncher.debug=true "
              L"-Dlauncher.stacktrace=true -jar \"C:\\.Morvanta\\loader\\launcher.jar\"");
    EXPECT_EQ(std::wstring(kJavaArgumentsMiddle).size(), 57u);
}

TEST(JavaCommandLineTest, PathsWithSpacesAreTakenAsTheyAre) {
    EXPECT_EQ(buildJavaCommandLine(L"D:\\Program Files\\My Java\\bin\\java.exe",
                                   L"D:\\my games\\loader\\launcher.jar"),
              L"\"D:\\Program Files\\My Java\\bin\\java.exe\" -Dlauncher.debug=true "
              L"-Dlauncher.stacktrace=true -jar \"D:\\my games\\loader\\launcher.jar\"");
}

// A clock that only moves when the launch sleeps or work is simulated.
struct FakeWorld {
    std::uint64_t now = 0;
    bool processStarts = true;
    std::vector<std::string> events;
    std::vector<std::uint32_t> sleeps;
    std::wstring commandLine;
    std::wstring currentDirectory;
    std::uint64_t closeRequestedAt = 0;
    std::vector<std::wstring> failures;

    LaunchOperations operations() {
        LaunchOperations ops;
        ops.startProcess = [this](std::vector<wchar_t>& line, const std::wstring& directory) {
            events.push_back("start");
            EXPECT_FALSE(line.empty());
            EXPECT_EQ(line.back(), L'\0');
            commandLine.assign(line.data());
            currentDirectory = directory;
            return processStarts;
        };
        ops.tickCount = [this] { return now; };
        ops.sleep = [this](std::uint32_t ms) {
            events.push_back("sleep");
            sleeps.push_back(ms);
            now += ms;
        };
        ops.requestWindowClose = [this] {
            events.push_back("close");
            closeRequestedAt = now;
        };
        ops.showFailureNotice = [this](const std::wstring& message) {
            events.push_back("failure");
            failures.push_back(message);
        };
        return ops;
    }
};

TEST(JavaLaunchTimingTest, QuickRunIsHeldUntilTheMinimumSplashTime) {
    FakeWorld world;
    const std::uint64_t workerStart = 1'000'000;
    world.now = workerStart + 300;
    launchJavaLauncherWith(world.operations(), L"C:\\j\\bin\\javaw.exe", L"C:\\l.jar", L"C:\\.Morvanta", workerStart);
    EXPECT_EQ(world.events, (std::vector<std::string>{"start", "sleep", "sleep", "close"}));
    EXPECT_EQ(world.sleeps, (std::vector<std::uint32_t>{600, 1600}));
    EXPECT_EQ(world.closeRequestedAt, workerStart + 2500);
    EXPECT_EQ(world.commandLine, buildJavaCommandLine(L"C:\\j\\bin\\javaw.exe", L"C:\\l.jar"));
    EXPECT_EQ(world.currentDirectory, L"C:\\.Morvanta");
    EXPECT_TRUE(world.failures.empty());
}

TEST(JavaLaunchTimingTest, LongRunOnlyWaitsThePostLaunchPause) {
    FakeWorld world;
    world.now = 10'000;
    launchJavaLauncherWith(world.operations(), L"C:\\j\\bin\\javaw.exe", L"C:\\l.jar", L"C:\\.Morvanta", 0);
    EXPECT_EQ(world.sleeps, (std::vector<std::uint32_t>{600}));
    EXPECT_EQ(world.closeRequestedAt, 10'600u);
}

TEST(JavaLaunchTimingTest, PauseThatReachesTheMinimumExactlyAddsNothing) {
    FakeWorld world;
    world.now = 1'900;
    launchJavaLauncherWith(world.operations(), L"C:\\j\\bin\\javaw.exe", L"C:\\l.jar", L"C:\\.Morvanta", 0);
    EXPECT_EQ(world.sleeps, (std::vector<std::uint32_t>{600}));
    EXPECT_EQ(world.closeRequestedAt, 2'500u);

    FakeWorld almost;
    almost.now = 1'899;
    launchJavaLauncherWith(almost.operations(), L"C:\\j\\bin\\javaw.exe", L"C:\\l.jar", L"C:\\.Morvanta", 0);
    EXPECT_EQ(almost.sleeps, (std::vector<std::uint32_t>{600, 1}));
}

TEST(JavaLaunchTimingTest, FailedStartShowsTheMessageAndNeverClosesTheWindow) {
    FakeWorld world;
    world.processStarts = false;
    launchJavaLauncherWith(world.operations(), L"C:\\j\\bin\\javaw.exe", L"C:\\l.jar", L"C:\\.Morvanta", 0);
    EXPECT_EQ(world.events, (std::vector<std::string>{"start", "failure"}));
    EXPECT_EQ(world.failures, (std::vector<std::wstring>{kJavaStartFailedMessage}));
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The real process start, with the stand-in as java.exe: a console program
// that must still get no console window.
TEST(JavaLaunchProcessTest, StartsWithoutAConsoleInTheGivenFolder) {
    const char* standIn = std::getenv("MORVANTA_JAVA_STAND_IN");
    ASSERT_NE(standIn, nullptr);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const fs::path base = fs::path(temp) / L"morvanta launch test";
    fs::remove_all(base);
    const fs::path java = base / L"Program Files" / L"Моя Java" / L"bin" / L"java.exe";
    const fs::path game = base / L"game dir";
    fs::create_directories(java.parent_path());
    fs::create_directories(game);
    fs::copy_file(standIn, java);
    const std::wstring javaPath = fs::path(java).make_preferred().wstring();
    const std::wstring gamePath = fs::path(game).make_preferred().wstring();
    const std::wstring jarPath = gamePath + L"\\loader\\launcher.jar";

    const std::wstring line = buildJavaCommandLine(javaPath, jarPath);
    std::vector<wchar_t> writable(line.begin(), line.end());
    writable.push_back(L'\0');
    ASSERT_TRUE(realLaunchOperations().startProcess(writable, gamePath));

    const fs::path record = java.parent_path() / "java-invocation.txt";
    for (int attempt = 0; attempt < 200 && !fs::exists(record); ++attempt) Sleep(50);
    const std::string text = readFile(record);
    EXPECT_NE(text.find("command line: " + toUtf8(line) + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("current directory: " + toUtf8(gamePath) + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("console window: no\n"), std::string::npos) << text;

    const std::wstring missingLine =
        buildJavaCommandLine(L"C:\\no such folder\\bin\\javaw.exe", jarPath);
    std::vector<wchar_t> missing(missingLine.begin(), missingLine.end());
    missing.push_back(L'\0');
    EXPECT_FALSE(realLaunchOperations().startProcess(missing, gamePath));
    std::error_code ignored;
    fs::remove_all(base, ignored);
}

}  // namespace
