#include "app/handover.h"

#include "app/constants.h"
#include "base/scope_exit.h"
#include "base/support_log.h"
#include "base/unique_handle.h"
#include "files/file_replace.h"

namespace {

constexpr ULONGLONG kWindowWaitMs = 15000;
constexpr DWORD kPollMs = 15;  // about a frame: two splashes never show together for longer

UniqueKernelHandle& heldMutex() {
    static UniqueKernelHandle mutex;
    return mutex;
}

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

// Waits for the new program's window; empty when it came up.
std::string awaitSplash(HANDLE process, DWORD processId) {
    const ULONGLONG deadline = GetTickCount64() + kWindowWaitMs;
    for (;;) {
        if (splashIsUp(processId)) return std::string();
        if (WaitForSingleObject(process, kPollMs) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process, &code);
            return "the new program ended first (exit code " + std::to_string(code) + ")";
        }
        if (GetTickCount64() >= deadline) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            return "the new program's window did not come up within 15 s";
        }
    }
}

// Put out of the way so later starts neither run it nor fetch it again.
void setAsideFailedProgram(const std::wstring& program, const std::wstring& failedPath) {
    replaceFile(program, failedPath);
}

void takeMutexBack() { heldMutex().reset(CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName)); }

}  // namespace

void keepSingleInstanceMutex(HANDLE mutex) { heldMutex().reset(mutex); }

std::wstring ownProgramPath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return std::wstring();
    path.resize(length);
    return path;
}

std::string handOverToStarter(const std::wstring& program, const std::wstring& failedPath) {
    // The new program must find the lock free, or it would end at once as a second copy.
    heldMutex().reset();
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // Until the new program shows its splash, every way out sets it aside and takes the lock back.
    ScopeExit giveUp([&program, &failedPath] {
        setAsideFailedProgram(program, failedPath);
        takeMutexBack();
    });
    // Inherits this process's token (so its elevation) and its current folder.
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return win32Failure("the new program could not be started", GetLastError());
    const UniqueKernelHandle process(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);
    const std::string refused = awaitSplash(process.get(), info.dwProcessId);
    if (!refused.empty()) return refused;
    giveUp.dismiss();
    return std::string();
}
