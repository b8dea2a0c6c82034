#include "app/launch_operations.h"

#include <windows.h>

#include <memory>

#include "app/failure_notice.h"
#include "app/launcher_state.h"
#include "app/messages.h"
#include "app/support_log_file.h"
#include "base/support_log.h"
#include "base/text.h"
#include "base/unique_handle.h"

LaunchOperations realLaunchOperations() {
    LaunchOperations ops;
    // Kept through the splash's hold only to tell support whether Java ended during it.
    auto launched = std::make_shared<UniqueKernelHandle>();
    ops.startProcess = [launched](std::vector<wchar_t>& commandLine, const std::wstring& currentDirectory) {
        logEvent("starting Java: " + toUtf8(commandLine.data()) + " in " + toUtf8(currentDirectory));
        flushSupportLog();  // before the launch: the log is complete even if nothing follows
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION created{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                            nullptr, currentDirectory.c_str(), &startup, &created)) {
            logEvent(win32Failure("Java could not be started", GetLastError()));
            return false;
        }
        logEvent("Java started, process id " + std::to_string(created.dwProcessId));
        // The thread's handle is closed at once. The launcher runs on alone.
        UniqueKernelHandle thread(created.hThread);
        launched->reset(created.hProcess);
        return true;
    };
    ops.tickCount = [] { return static_cast<std::uint64_t>(GetTickCount64()); };
    ops.sleep = [](std::uint32_t milliseconds) { Sleep(milliseconds); };
    ops.requestWindowClose = [launched] {
        DWORD exitCode = STILL_ACTIVE;
        if (*launched && GetExitCodeProcess(launched->get(), &exitCode) && exitCode != STILL_ACTIVE)
            logEvent("Java ended during the splash's hold with exit code " + std::to_string(exitCode));
        launched->reset();
        if (mainWindow != nullptr) PostMessageW(mainWindow, WM_LAUNCHER_DONE, 0, 0);
    };
    ops.showFailureNotice = [](const std::wstring& message) { showFailureNotice(message.c_str()); };
    return ops;
}

