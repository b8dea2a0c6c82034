// Cost of one splash frame: paintFrame on a real window at 96, 144 and 192 DPI,
// against the same frame with the scene layer rebuilt every time (what the
// cache saves). Reports wall time per frame (mean, 99th percentile) and the
// thread's CPU time per frame, each as a share of the 16 ms frame budget.
//   frame_bench [frames]       (default 600; the rebuild reference uses a fifth of them)
// Not a test: timing never passes or fails anything.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/launcher_state.h"
#include "app/splash_assets.h"
#include "app/splash_tick.h"
#include "app/splash_view_state.h"
#include "render/paint_frame.h"

namespace {

constexpr double kFrameBudgetMs = 16.0;

double nowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double threadCpuMs() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

struct Figures {
    double meanMs;
    double p99Ms;
    double cpuMeanMs;
};

// What a download looks like on screen: the bar moving, the line changing, the spinner turning.
void advanceLikeADownload(int frame) {
    const double received = 0.37 * frame;
    wchar_t line[64];
    std::swprintf(line, 64, L"%.2f MB / %.2f MB  %.2f MB/s", received, 250.0, 23.4);
    publishStatus(line, received / 250.0);
    applySplashTick(splashViewState, readProgress());
}

Figures measure(HWND window, int frames, bool rebuildScene) {
    std::vector<double> times;
    times.reserve(frames);
    paintFrame(window);  // first paint builds the layer; not counted
    const double cpuStart = threadCpuMs();
    for (int frame = 0; frame < frames; ++frame) {
        advanceLikeADownload(frame);
        if (rebuildScene) splashViewState.sceneLayer.reset();
        const double start = nowMs();
        paintFrame(window);
        times.push_back(nowMs() - start);
        // Keep the window's own messages flowing, as the real loop would.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    const double cpuTotal = threadCpuMs() - cpuStart;
    std::sort(times.begin(), times.end());
    double sum = 0.0;
    for (double t : times) sum += t;
    const size_t p99 = std::min(times.size() - 1, static_cast<size_t>(0.99 * times.size()));
    return Figures{sum / times.size(), times[p99], cpuTotal / frames};
}

HWND makeWindow(int width, int height) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"FrameBench";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_APPWINDOW, L"FrameBench", L"Frame benchmark", WS_POPUP, 0,
                                  0, width, height, nullptr, nullptr, GetModuleHandleW(nullptr),
                                  nullptr);
    ShowWindow(window, SW_SHOW);
    return window;
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(100, std::atoi(argv[1])) : 600;
    SetProcessDPIAware();
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    loadSplashAssets();

    std::printf("frame budget %.0f ms; %d frames cached, %d frames with the scene rebuilt\n",
                kFrameBudgetMs, frames, frames / 5);
    std::printf("%-5s %-11s | %-28s | %-28s | %s\n", "dpi", "client", "cached: mean / p99 / cpu ms",
                "rebuilt: mean / p99 / cpu ms", "cached share of budget (mean, p99); rebuilt/cached");
    for (int dpi : {96, 144, 192}) {
        screenDpi = dpi;
        const int width = MulDiv(1066, dpi, 96);
        const int height = MulDiv(599, dpi, 96);
        HWND window = makeWindow(width, height);
        mainWindow = window;
        splashViewState = SplashViewState();
        const Figures cached = measure(window, frames, false);
        const Figures rebuilt = measure(window, frames / 5, true);
        std::printf("%-5d %4dx%-6d | %7.2f / %7.2f / %7.2f   | %7.2f / %7.2f / %7.2f   | "
                    "%5.1f %% , %5.1f %% ; x%.1f\n",
                    dpi, width, height, cached.meanMs, cached.p99Ms, cached.cpuMeanMs,
                    rebuilt.meanMs, rebuilt.p99Ms, rebuilt.cpuMeanMs,
                    100.0 * cached.meanMs / kFrameBudgetMs, 100.0 * cached.p99Ms / kFrameBudgetMs,
                    rebuilt.meanMs / cached.meanMs);
        std::fflush(stdout);
        mainWindow = nullptr;
        DestroyWindow(window);
    }
    splashViewState = SplashViewState();
    splashAssets = SplashAssets();
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
