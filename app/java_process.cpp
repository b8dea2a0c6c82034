#include "app/java_process.h"

#include <windows.h>

#include "app/support_log_file.h"
#include "base/support_log.h"
#include "base/text.h"
#include "base/unique_handle.h"

namespace {

UniqueKernelHandle& launchedJava() {
    static UniqueKernelHandle* process = new UniqueKernelHandle;  // the worker may use it up to the end
    return *process;
}

}  // namespace

bool startJavaProcess(std::vector<wchar_t>& commandLine, const std::wstring& currentDirectory) {
    logEvent("starting Java: " + toUtf8(commandLine.data()) + " in " + toUtf8(currentDirectory));
    flushSupportLog();  // before the launch: the log is complete even if nothing follows
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        currentDirectory.c_str(), &startup, &created)) {
        logEvent(win32Failure("Java could not be started", GetLastError()));
        return false;
    }
    logEvent("Java started, process id " + std::to_string(created.dwProcessId));
    // The thread's handle is closed at once. The launcher runs on alone.
    UniqueKernelHandle thread(created.hThread);
    launchedJava().reset(created.hProcess);
    return true;
}

void reportJavaEndedEarly() {
    UniqueKernelHandle& launched = launchedJava();
    DWORD exitCode = STILL_ACTIVE;
    if (launched && GetExitCodeProcess(launched.get(), &exitCode) && exitCode != STILL_ACTIVE)
        logEvent("Java ended during the splash's hold with exit code " + std::to_string(exitCode));
    launched.reset();
}
