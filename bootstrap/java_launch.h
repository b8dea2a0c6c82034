#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Always waited after the launcher process was created.
inline constexpr std::uint32_t kPostLaunchPauseMs = 600;
// Measured from the worker's start; the window is not asked to close earlier.
inline constexpr std::uint64_t kMinimumSplashTimeMs = 2500;

// Between the two quoted paths: the launcher's debug switches and "-jar".
inline constexpr const wchar_t* kJavaArgumentsMiddle =
    L"\" -Dlauncher.debug=true -Dlauncher.stacktrace=true -jar \"";

// "<javaExecutable>" <switches> -jar "<launcherJarPath>", both paths always quoted.
std::wstring buildJavaCommandLine(const std::wstring& javaExecutable,
                                  const std::wstring& launcherJarPath);

// What the launch does to the world, so its order and timing can be tested with a fake clock.
struct LaunchOperations {
    // Creates the process from the writable, NUL-terminated command line in
    // `currentDirectory`, without a console window, and lets go of its handles.
    std::function<bool(std::vector<wchar_t>& commandLine, const std::wstring& currentDirectory)>
        startProcess;
    std::function<std::uint64_t()> tickCount;
    std::function<void(std::uint32_t milliseconds)> sleep;
    std::function<void()> requestWindowClose;
    std::function<void(const std::wstring& message)> showFailureNotice;
};

// Java runs with the game directory as its current folder.
void launchJavaLauncherWith(const LaunchOperations& ops, const std::wstring& javaExecutable,
                            const std::wstring& launcherJarPath, const std::wstring& gameDirectory,
                            std::uint64_t workerStartTick);
