// Entry point: one copy per machine, the splash window, the worker, the message loop.

#include <windows.h>

#include "app/constants.h"
#include "app/dll_search.h"
#include "app/handover.h"
#include "app/launcher_state.h"
#include "app/run_facts.h"
#include "app/splash_assets.h"
#include "app/splash_window.h"
#include "app/support_log_file.h"
#include "base/support_log.h"
#include "app/timer_resolution.h"
#include "app/window_placement.h"
#include "app/worker_thread.h"
#include "base/gdiplus_session.h"
#include "base/unique_handle.h"
#include "base/ui_texts.h"
#include "base/window_dc.h"

namespace {

int readScreenDpi() {
    const UniqueWindowDc screen;
    return GetDeviceCaps(screen.get(), LOGPIXELSX);
}

void registerSplashClass(HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.style = 0;
    windowClass.lpfnWndProc = splashWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;  // the window paints its whole surface
    windowClass.lpszClassName = kWindowClassName;
    RegisterClassW(&windowClass);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything can load a DLL: the program runs elevated from wherever it was saved.
    confineDllSearchToSystem32();

    // Kept open for the life of the process: that is what keeps later copies out.
    HANDLE instanceMutex = CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    keepSingleInstanceMutex(instanceMutex);  // released only to hand over to a newer starter

    SetProcessDPIAware();

    const GdiplusSession gdiplus;

    loadSplashAssets();
    screenDpi = readScreenDpi();
    logRunFacts();
    registerSplashClass(instance);

    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    const WindowPlacement placement = computeWindowPlacement(screenDpi, workArea);

    mainWindow = CreateWindowExW(WS_EX_APPWINDOW, kWindowClassName, kWindowTitle, WS_POPUP,
                                 placement.x, placement.y, placement.width, placement.height,
                                 nullptr, nullptr, instance, nullptr);
    if (mainWindow == nullptr) {
        // Nothing could ever post the quit message: end instead of waiting forever.
        return 1;
    }
    ShowWindow(mainWindow, SW_SHOW);
    // A 16 ms timer fires on the next tick of the system clock, 15.6 ms by default on
    // Windows: every ~31 ms, so the splash would run at half pace. A 1 ms resolution,
    // held until the loop ends (per process since Windows 10 2004), lets it fire every
    // 16 ms. Each tick still advances the animation by one step. Wine's timers are
    // exact either way.
    UniqueKernelHandle worker;
    {
        const TimerResolution frameTimerResolution;
        SetTimer(mainWindow, kAnimationTimerId, kAnimationTimerPeriodMs, nullptr);

        worker.reset(CreateThread(nullptr, 0, bootstrapThreadProc, nullptr, 0, nullptr));

        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // Joined only after a hand-over: the worker then watches the new program,
    // windowless, to set it aside should it fail. Otherwise the process ends
    // wherever the worker stands (a close during a download).
    if (watchingNewerStarter() && worker) WaitForSingleObject(worker.get(), INFINITE);

    // The window is gone: what costs time for the log costs the player nothing now.
    logProgramDigest();
    flushSupportLog();
    return exitCodeOfThisRun();
}
