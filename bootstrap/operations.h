#pragma once
// The narrow seam through which the bootstrap sequence reaches everything it
// calls, so tests can drive each branch without a network or a disk.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bootstrap/manifest.h"

struct BootstrapOperations {
    std::function<std::uint64_t()> tickCount;
    std::function<void(const std::wstring& path)> createDirectory;  // all missing levels; result ignored
    // One GET of `url` into memory; true only for a complete body with status 200.
    std::function<bool(const std::string& url, std::vector<unsigned char>& body)> httpGet;
    std::function<std::vector<ManifestPair>(const std::vector<unsigned char>& body)> readManifestPairs;
    std::function<ManifestSelection(const std::vector<ManifestPair>& pairs)> selectManifestEntries;
    std::function<bool(const std::string& url, const std::wstring& targetPath,
                       const std::string& expectedSha256)>
        downloadFile;
    std::function<std::wstring(const std::wstring& root, const std::wstring& fileName)>
        findJavaExecutable;
    std::function<bool(const std::wstring& zipPath, const std::wstring& destDir)> extractZip;
    std::function<void(const std::wstring& javaExecutable, const std::wstring& launcherJarPath,
                       std::uint64_t workerStartTick)>
        launchJavaLauncher;
    std::function<void(const std::wstring& text, double progress)> publishStatus;
    std::function<void(const std::wstring& message)> showFailureNotice;
};

// The seam filled with the program's real operations.
BootstrapOperations realBootstrapOperations();
