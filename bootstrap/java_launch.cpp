#include "bootstrap/java_launch.h"

#include <windows.h>

#include "app/constants.h"
#include "app/failure_notice.h"
#include "app/launcher_state.h"
#include "app/messages.h"
#include "app/unique_handle.h"
#include "bootstrap/failure_messages.h"

std::wstring buildJavaCommandLine(const std::wstring& javaExecutable,
                                  const std::wstring& launcherJarPath) {
    return L"\"" + javaExecutable + kJavaArgumentsMiddle + launcherJarPath + L"\"";
}

LaunchOperations realLaunchOperations() {
    LaunchOperations ops;
    ops.startProcess = [](std::vector<wchar_t>& commandLine, const std::wstring& currentDirectory) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION created{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                            nullptr, currentDirectory.c_str(), &startup, &created)) {
            return false;
        }
        // Declared in this order, the thread's handle is closed first. The launcher runs on alone.
        UniqueKernelHandle process(created.hProcess);
        UniqueKernelHandle thread(created.hThread);
        return true;
    };
    ops.tickCount = [] { return static_cast<std::uint64_t>(GetTickCount64()); };
    ops.sleep = [](std::uint32_t milliseconds) { Sleep(milliseconds); };
    ops.requestWindowClose = [] {
        if (mainWindow != nullptr) PostMessageW(mainWindow, WM_LAUNCHER_DONE, 0, 0);
    };
    ops.showFailureNotice = [](const std::wstring& message) { showFailureNotice(message.c_str()); };
    return ops;
}

void launchJavaLauncherWith(const LaunchOperations& ops, const std::wstring& javaExecutable,
                            const std::wstring& launcherJarPath, std::uint64_t workerStartTick) {
    const std::wstring commandLine = buildJavaCommandLine(javaExecutable, launcherJarPath);
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');

    if (!ops.startProcess(writable, kGameDirectory)) {
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

void launchJavaLauncher(const std::wstring& javaExecutable, const std::wstring& launcherJarPath,
                        std::uint64_t workerStartTick) {
    launchJavaLauncherWith(realLaunchOperations(), javaExecutable, launcherJarPath, workerStartTick);
}
