// Whole-process tests: the real starter, started under Wine with servers that never answer.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/messages.h"
#include "base/window_dc.h"
#include "tests/support/starter_process.h"

namespace {

std::wstring starterPath() {
    const char* name = std::getenv("MORVANTA_STARTER_EXE");
    std::string narrow = name ? name : "MorvantaStarterOffline.exe";
    return std::wstring(narrow.begin(), narrow.end());
}

using starter_process::findStarterWindows;
using starter_process::waitForExit;

starter_process::StartedProcess startStarter() { return starter_process::start(starterPath()); }

TEST(StartupProcess, OneFramelessCentredWindowAndSecondCopyEndsSilently) {
    starter_process::StartedProcess first = startStarter();
    ASSERT_TRUE(first.process) << "could not start the starter";
    HWND window = starter_process::waitForVisibleStarterWindow(first.id);
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

    const int dpi = GetDeviceCaps(UniqueWindowDc().get(), LOGPIXELSX);
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
    starter_process::StartedProcess second = startStarter();
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
