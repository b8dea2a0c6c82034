#include "bootstrap/java_launch.h"

#include <vector>

#include "base/ui_texts.h"

std::wstring buildJavaCommandLine(const std::wstring& javaExecutable, const std::wstring& launcherJarPath) {
    return L"\"" + javaExecutable + kJavaArgumentsMiddle + launcherJarPath + L"\"";
}

std::uint32_t splashTimeLeft(std::uint64_t now, std::uint64_t workerStartTick) {
    const std::uint64_t elapsed = now >= workerStartTick ? now - workerStartTick : 0;
    return elapsed < kMinimumSplashTimeMs ? static_cast<std::uint32_t>(kMinimumSplashTimeMs - elapsed) : 0;
}

StepResult launchJava(SequenceRun& run) {
    const ProcessEffects& process = run.effects.process;
    run.effects.screen.publishStatus(kLaunchingText, 1.0);
    const std::wstring commandLine = buildJavaCommandLine(run.javaExecutable, run.work.launcherJar);
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    if (!process.startJava(writable, run.config.gameDirectory)) {
        process.releaseLaunchHold();
        return failed(kJavaStartFailedMessage);
    }
    // The launcher is on its way: what runs set aside goes now, within the pause the
    // splash keeps anyway. The machine lock is let go by now; the hold keeps another
    // starter from setting aside or replacing the folders this removal walks. The new process loads
    // the runtime's DLLs after it exists: what it starts from stays held through the
    // pause, until the close request.
    const std::uint64_t startedAt = process.tickCount();
    run.effects.folders.removeSetAsideFolders(run.config.gameDirectory, run.work.root);
    const std::uint64_t now = process.tickCount();
    const std::uint64_t spent = now >= startedAt ? now - startedAt : 0;
    if (spent < kPostLaunchPauseMs) process.sleep(static_cast<std::uint32_t>(kPostLaunchPauseMs - spent));
    const std::uint32_t left = splashTimeLeft(process.tickCount(), run.workerStartTick);
    if (left > 0) process.sleep(left);
    process.releaseLaunchHold();  // the close request follows at once
    return StepResult{StepOutcome::Launched};
}
