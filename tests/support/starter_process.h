#pragma once
// Starting the real starter program from a test under Wine and watching its
// window from outside: shared by the whole-process tests and the benchmarks.

#include <windows.h>

#include <string>

#include "base/unique_handle.h"

namespace starter_process {

struct StartedProcess {
    UniqueKernelHandle process;
    UniqueKernelHandle thread;
    DWORD id = 0;
    ULONGLONG startedAt = 0;  // GetTickCount64 just before creation
};

// Starts `exe` with no arguments; an empty process handle when it cannot start.
inline StartedProcess start(const std::wstring& exe) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    StartedProcess started;
    started.startedAt = GetTickCount64();
    if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
        started.process.reset(info.hProcess);
        started.thread.reset(info.hThread);
        started.id = info.dwProcessId;
    }
    return started;
}

struct StarterWindows {
    DWORD processId = 0;
    HWND found = nullptr;  // the splash window of processId, if any
    int count = 0;         // splash windows of every process
};

inline BOOL CALLBACK collectStarterWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<StarterWindows*>(param);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (std::wstring(className) != L"MorvantaStarter") return TRUE;
    ++search->count;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId) search->found = window;
    return TRUE;
}

inline StarterWindows findStarterWindows(DWORD processId) {
    StarterWindows search;
    search.processId = processId;
    EnumWindows(collectStarterWindow, reinterpret_cast<LPARAM>(&search));
    return search;
}

inline HWND starterWindow(DWORD processId) { return findStarterWindows(processId).found; }

inline bool starterWindowVisible(DWORD processId) {
    HWND window = starterWindow(processId);
    return window != nullptr && IsWindowVisible(window);
}

// The process's visible splash window, or null once the time is up.
inline HWND waitForVisibleStarterWindow(DWORD processId, DWORD timeoutMs = 15000) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        HWND window = starterWindow(processId);
        if (window != nullptr && IsWindowVisible(window)) return window;
        Sleep(50);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

// The exit code, or STILL_ACTIVE when the process has not ended in time.
inline DWORD waitForExit(HANDLE process, DWORD timeoutMs) {
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

}  // namespace starter_process
