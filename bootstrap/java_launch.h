#pragma once

#include <cstdint>
#include <string>

// Starts the Java launcher without a console, holds the splash for its minimum
// time and asks the window to close; reports its own failure.
void launchJavaLauncher(const std::wstring& javaExecutable, const std::wstring& launcherJarPath,
                        std::uint64_t workerStartTick);
