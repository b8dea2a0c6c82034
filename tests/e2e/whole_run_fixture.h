#pragma once
// What every whole run of the real starter under Wine starts from: a game
// directory wiped clean and no manifest served, scenario manifests copied to
// where a server reads them, the starter build an environment variable names,
// and a run the test left going ended after it.

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/servers/test_servers.h"
#include "tests/support/starter_process.h"

namespace whole_run {

// Not inline: clang on MinGW may run the initializers of inline variables out of
// their order in the file, and each of these is made from the one before.
const std::filesystem::path kGame = L"C:\\.Morvanta";
const std::filesystem::path kLoader = kGame / "loader";
// Written by the stand-in Java program of the served runtime as it starts.
const std::filesystem::path kRecord = kLoader / "java" / "jdk-17-test" / "bin" / "java-invocation.txt";
inline const char* const kManifestPath = "/starter/launcher.json";
inline const char* const kJarPath = "/files/Morvanta.jar";

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::wstring environmentPath(const char* name) {
    return test_servers::windowsPath(test_servers::environment(name));
}

// nginx's manifest, at kManifestPath in its document root.
inline std::filesystem::path nginxManifest() {
    return std::filesystem::path(test_servers::docroot()) / "starter" / "launcher.json";
}

// The stand-in writes its record a moment after it was created: whether it came.
inline bool waitForLaunchRecord() {
    for (int attempt = 0; attempt < 100 && !std::filesystem::exists(kRecord); ++attempt) Sleep(50);
    return std::filesystem::exists(kRecord);
}

class WholeRunFixture : public ::testing::Test {
protected:
    // `manifestsVariable` names the folder of the scenario manifests.
    explicit WholeRunFixture(const char* manifestsVariable) : manifestsVariable_(manifestsVariable) {}

    // Every place a server of the test reads its manifest from.
    virtual std::vector<std::filesystem::path> servedManifests() const = 0;

    void SetUp() override {
        ASSERT_TRUE(test_servers::available()) << "needs the servers' fixture of the test";
        std::error_code ignored;
        std::filesystem::remove_all(kGame, ignored);
        ASSERT_FALSE(std::filesystem::exists(kGame));
        for (const std::filesystem::path& manifest : servedManifests()) std::filesystem::remove(manifest, ignored);
    }

    void TearDown() override {
        // A run that did not end by itself is ended here: it was started by this test.
        if (run.process && WaitForSingleObject(run.process.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(run.process.get(), 1);
            WaitForSingleObject(run.process.get(), 10000);
        }
    }

    void serve(const std::filesystem::path& where, const char* scenario) const {
        const std::filesystem::path source =
            std::filesystem::path(environmentPath(manifestsVariable_)) / (std::string(scenario) + ".json");
        ASSERT_TRUE(std::filesystem::exists(source)) << source.string();
        // Removed first: overwrite_existing fails with "File exists" in this libstdc++ under Wine.
        std::error_code ignored;
        std::filesystem::remove(where, ignored);
        std::filesystem::copy_file(source, where);
    }

    void start(const char* starterVariable) {
        run = starter_process::start(environmentPath(starterVariable));
        ASSERT_TRUE(run.process) << GetLastError();
    }

    starter_process::StartedProcess run;

private:
    const char* manifestsVariable_;
};

}  // namespace whole_run
