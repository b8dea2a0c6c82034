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
#include "app/java_process.h"
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
    ASSERT_TRUE(startJavaProcess(writable, gamePath));

    // Read until whole: just after the stand-in's rename, its handle on the record
    // is still open with delete access and an open without delete sharing fails.
    const fs::path record = java.parent_path() / "java-invocation.txt";
    std::string text;
    for (int attempt = 0; attempt < 200 && text.find("started: ") == std::string::npos; ++attempt) {
        Sleep(50);
        text = readFile(record);
    }
    EXPECT_NE(text.find("command line: " + toUtf8(line) + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("current directory: " + toUtf8(gamePath) + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("console window: no\n"), std::string::npos) << text;

    const std::wstring missingLine =
        buildJavaCommandLine(L"C:\\no such folder\\bin\\javaw.exe", jarPath);
    std::vector<wchar_t> missing(missingLine.begin(), missingLine.end());
    missing.push_back(L'\0');
    EXPECT_FALSE(startJavaProcess(missing, gamePath));
    std::error_code ignored;
    fs::remove_all(base, ignored);
}

}  // namespace
