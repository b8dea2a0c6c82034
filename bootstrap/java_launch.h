#pragma once
// The launch step: the Java launcher started without a console in the game
// directory, then the splash held for its minimum time.

#include <cstdint>
#include <string>

#include "bootstrap/sequence_run.h"

// Always waited after the launcher process was created; the removal of what runs
// set aside takes its time out of it.
inline constexpr std::uint32_t kPostLaunchPauseMs = 600;
// Measured from the worker's start; the window is not asked to close earlier.
inline constexpr std::uint64_t kMinimumSplashTimeMs = 2500;

// Between the two quoted paths: the launcher's debug switches and "-jar".
inline constexpr const wchar_t* kJavaArgumentsMiddle =
    L"\" -Dlauncher.debug=true -Dlauncher.stacktrace=true -jar \"";

// "<javaExecutable>" <switches> -jar "<launcherJarPath>", both paths always quoted.
std::wstring buildJavaCommandLine(const std::wstring& javaExecutable, const std::wstring& launcherJarPath);

// How much longer the splash stays after the pause, measured at `now`; a clock
// that went back counts as no time passed.
std::uint32_t splashTimeLeft(std::uint64_t now, std::uint64_t workerStartTick);

// Starts run.javaExecutable on the launcher jar in the game directory, removes what
// runs set aside once the process exists (the machine lock is let go by then),
// waits out the splash's time and then lets go of the launch's hold (at once when
// the process could not be made). Launched, or failed when the process cannot be made.
StepResult launchJava(SequenceRun& run);
