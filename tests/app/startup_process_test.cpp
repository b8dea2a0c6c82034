// Whole-process tests: the real starter, started under Wine with servers that never answer.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/messages.h"
#include "app/unique_handle.h"

namespace {

std::wstring starterPath() {
    const char* name = std::getenv("MORVANTA_STARTER_EXE");
    std::string narrow = name ? name : "MorvantaStarterOffline.exe";
    return std::wstring(narrow.begin(), narrow.end());
}

struct StartedProcess {
    UniqueKernelHandle process;
    UniqueKernelHandle thread;
    DWORD id = 0;
};

StartedProcess startStarter() {
    std::wstring commandLine = L"\"" + starterPath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    StartedProcess started;
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
        started.process.reset(info.hProcess);
        started.thread.reset(info.hThread);
        started.id = info.dwProcessId;
    }
    return started;
}

struct WindowSearch {
    DWORD processId;
    HWND found;
    int count;
};

BOOL CALLBACK collectStarterWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (std::wstring(className) != L"MorvantaStarter") return TRUE;
    ++search->count;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId) search->found = window;
    return TRUE;
}

WindowSearch findStarterWindows(DWORD processId) {
    WindowSearch search{processId, nullptr, 0};
    EnumWindows(collectStarterWindow, reinterpret_cast<LPARAM>(&search));
    return search;
}

HWND waitForStarterWindow(DWORD processId) {
    for (int attempt = 0; attempt < 300; ++attempt) {
        HWND window = findStarterWindows(processId).found;
        if (window != nullptr && IsWindowVisible(window)) return window;
        Sleep(50);
    }
    return nullptr;
}

DWORD waitForExit(HANDLE process, DWORD timeoutMs) {
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

TEST(StartupProcess, OneFramelessCentredWindowAndSecondCopyEndsSilently) {
    StartedProcess first = startStarter();
    ASSERT_TRUE(first.process) << "could not start the starter";
    HWND window = waitForStarterWindow(first.id);
    ASSERT_NE(window, nullptr) << "no visible MorvantaStarter window appeared";

    wchar_t caption[64] = {};
    GetWindowTextW(window, caption, 64);
    EXPECT_STREQ(caption, L"Morvanta");

    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_SYSMENU);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);

    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, MulDiv(1066, dpi, 96));
    EXPECT_EQ(client.bottom, MulDiv(599, dpi, 96));

    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, workArea.left + (workArea.right - workArea.left - client.right) / 2);
    EXPECT_EQ(frame.top, workArea.top + (workArea.bottom - workArea.top - client.bottom) / 2);

    // A second copy ends at once with code 0 and leaves no window of its own.
    StartedProcess second = startStarter();
    ASSERT_TRUE(second.process);
    EXPECT_EQ(waitForExit(second.process.get(), 15000), 0u);
    EXPECT_EQ(findStarterWindows(second.id).found, nullptr);
    EXPECT_EQ(findStarterWindows(first.id).count, 1);

    // With no server answering, the first copy ends up showing its failure and stays open.
    EXPECT_EQ(waitForExit(first.process.get(), 1500), static_cast<DWORD>(STILL_ACTIVE));

    // The worker's close request ends the program with code 0.
    PostMessageW(window, WM_LAUNCHER_DONE, 0, 0);
    EXPECT_EQ(waitForExit(first.process.get(), 15000), 0u);
    if (WaitForSingleObject(first.process.get(), 0) != WAIT_OBJECT_0) {
        TerminateProcess(first.process.get(), 99);
    }
}

}  // namespace
