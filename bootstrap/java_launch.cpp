#include "bootstrap/java_launch.h"

#include <windows.h>

#include "base/ui_texts.h"

std::wstring buildJavaCommandLine(const std::wstring& javaExecutable,
                                  const std::wstring& launcherJarPath) {
    return L"\"" + javaExecutable + kJavaArgumentsMiddle + launcherJarPath + L"\"";
}

void launchJavaLauncherWith(const LaunchOperations& ops, const std::wstring& javaExecutable,
                            const std::wstring& launcherJarPath, const std::wstring& gameDirectory,
                            std::uint64_t workerStartTick) {
    const std::wstring commandLine = buildJavaCommandLine(javaExecutable, launcherJarPath);
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');

    if (!ops.startProcess(writable, gameDirectory)) {
        ops.showFailureNotice(kJavaStartFailedMessage);
        return;
    }
    ops.sleep(kPostLaunchPauseMs);
    const std::uint64_t now = ops.tickCount();
    const std::uint64_t elapsed = now >= workerStartTick ? now - workerStartTick : 0;
    if (elapsed < kMinimumSplashTimeMs) {
        ops.sleep(static_cast<std::uint32_t>(kMinimumSplashTimeMs - elapsed));
    }
    ops.requestWindowClose();
}
