#include "app/handover.h"

#include <atomic>
#include <utility>

#include "app/constants.h"
#include "base/support_log.h"
#include "base/unique_handle.h"

namespace {

// A first-run scan of a new program can take this long; past it, a program
// that still shows nothing is not going to.
constexpr ULONGLONG kWindowWaitMs = 60000;
constexpr DWORD kPollMs = 15;  // about a frame: two splashes never show together for longer

UniqueKernelHandle& heldMutex() {
    static UniqueKernelHandle mutex;
    return mutex;
}

// The newer starter whose window came up, watched until it ends.
UniqueKernelHandle& newerStarter() {
    static UniqueKernelHandle process;
    return process;
}

std::atomic<bool> newerStarterUp{false};
std::atomic<bool> runEnded{false};

struct WindowSearch {
    DWORD processId;
    bool found;
};

BOOL CALLBACK findSplashOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (std::wstring(className) != kWindowClassName) return TRUE;
    search->found = true;
    return FALSE;
}

bool splashIsUp(DWORD processId) {
    WindowSearch search{processId, false};
    EnumWindows(findSplashOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void readExitCode(HANDLE process, NewStarterWatch& watch) {
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    watch.ended = true;
    watch.exitCode = code;
}

}  // namespace

void keepSingleInstanceMutex(HANDLE mutex) { heldMutex().reset(mutex); }

std::wstring ownProgramPath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return std::wstring();
    path.resize(length);
    return path;
}

NewStarterWatch startNewerStarter(const std::wstring& program) {
    NewStarterWatch watch;
    // The new program must find the lock free, or it would end at once as a second copy.
    heldMutex().reset();
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // Inherits this process's token (so its elevation) and its current folder.
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        logEvent(win32Failure("starter: the new program could not be started", GetLastError()));
        return watch;
    }
    watch.started = true;
    UniqueKernelHandle process(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);
    const ULONGLONG deadline = GetTickCount64() + kWindowWaitMs;
    for (;;) {
        if (splashIsUp(info.dwProcessId)) {
            watch.windowSeen = true;
            newerStarter() = std::move(process);
            newerStarterUp = true;
            return watch;
        }
        if (WaitForSingleObject(process.get(), kPollMs) == WAIT_OBJECT_0) {
            readExitCode(process.get(), watch);
            return watch;
        }
        if (GetTickCount64() >= deadline) {
            TerminateProcess(process.get(), 1);
            WaitForSingleObject(process.get(), 5000);
            return watch;
        }
    }
}

bool takeSingleInstanceBack() {
    // A program that was never started (its hold refused, say) never took the lock from this one.
    if (heldMutex()) return true;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName);
    const bool anotherCopy = mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
    heldMutex().reset(mutex);
    return !anotherCopy;
}

NewStarterWatch awaitNewerStarterEnd() {
    NewStarterWatch watch;
    watch.started = true;
    watch.windowSeen = true;
    WaitForSingleObject(newerStarter().get(), INFINITE);
    readExitCode(newerStarter().get(), watch);
    newerStarter().reset();
    return watch;
}

bool watchingNewerStarter() { return newerStarterUp; }

void noteRunEnded() { runEnded = true; }

int exitCodeOfThisRun() { return runEnded ? 0 : kExitClosedBeforeTheEnd; }
