// Cost of one splash frame: paintFrame on a real window at 96, 144 and 192 DPI,
// against the same frame with the scene layer rebuilt every time (what the
// cache saves). Reports wall time per frame (mean, 99th percentile) and the
// thread's CPU time per frame, each as a share of the 16 ms frame budget; then the
// splash timer's ticks per second with and without the 1 ms timer resolution.
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
#include "app/splash_texts.h"
#include "app/splash_tick.h"
#include "app/splash_view_state.h"
#include "app/constants.h"
#include "app/timer_resolution.h"
#include "base/gdiplus_session.h"
#include "base/window_dc.h"
#include "render/close_button_rect.h"
#include "render/draw_primitives.h"
#include "render/frame_layout.h"
#include "render/paint_frame.h"
#include "render/scene_layer.h"

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

// As the splash window hands them over for each paint.
FrameInputs frameInputs() {
    return FrameInputs{splashAssets, splashViewState, kSplashTexts,
                       readLauncherState().statusText, screenDpi};
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
    paintFrame(window, frameInputs());  // first paint builds the layer; not counted
    const double cpuStart = threadCpuMs();
    for (int frame = 0; frame < frames; ++frame) {
        advanceLikeADownload(frame);
        if (rebuildScene) splashViewState.sceneLayer.reset();
        const double start = nowMs();
        paintFrame(window, frameInputs());
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

// Where a 96 DPI frame's time goes: each element of paintFrame drawn on its own,
// onto the same kind of off-screen target, then the one transfer to the window.
void printBreakdown(HWND window, int frames) {
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right;
    const int height = client.bottom;
    ensureSceneLayer(frameInputs(), width, height);
    const UniqueWindowDc windowDc(window);
    HDC memoryDc = CreateCompatibleDC(windowDc.get());
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc.get(), width, height);
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    const char* names[] = {"scene copy", "close button", "spinner (2 frames)", "status line",
                           "bar track", "bar fill (half)", "percentage", "BitBlt to window"};
    double totals[8] = {};
    const LayoutRect bar = progressBarRect(width, height);
    const PixelRect square = spinnerPixelRect(width, height);
    const ButtonRect button = closeButtonRectFor(width, height);
    for (int frame = 0; frame < frames; ++frame) {
        double mark = nowMs();
        const auto lap = [&mark, &totals](int index) {
            const double now = nowMs();
            totals[index] += now - mark;
            mark = now;
        };
        {
            Gdiplus::Graphics graphics(memoryDc);
            graphics.DrawImage(splashViewState.sceneLayer.get(), 0, 0, width, height);
            lap(0);
            applySurfaceQuality(graphics);
            graphics.DrawImage(splashAssets.closeButtonImage.get(), button.left, button.top,
                               button.width, button.height);
            lap(1);
            const float x = static_cast<float>(square.x), y = static_cast<float>(square.y);
            const float side = static_cast<float>(square.side);
            drawImageWithOpacity(graphics, splashViewState.spinnerLayerFrames[3].get(), x, y,
                                 side, side, 0.75f);
            drawImageWithOpacity(graphics, splashViewState.spinnerLayerFrames[4].get(), x, y,
                                 side, side, 0.25f);
            lap(2);
            graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
            const auto statusFont = createUiFont(splashAssets.uiFontFamily.get(), 12, screenDpi);
            const wchar_t* line = L"123.45 MB / 250.00 MB  23.40 MB/s";
            drawCentredText(graphics, line, -1, *statusFont, 0xFFE6E6E6, 0.5f * width, 0.848f * height);
            lap(3);
            Gdiplus::SolidBrush track{Gdiplus::Color(0xCD1C1610)};
            fillCapsule(graphics, track, bar.x, bar.y, bar.width, bar.height);
            lap(4);
            const float fillWidth = barFillWidth(bar, 0.5);
            Gdiplus::LinearGradientBrush fill(
                Gdiplus::RectF(bar.x, bar.y - 1.0f, fillWidth, bar.height + 2.0f),
                Gdiplus::Color(0xFFFFC446), Gdiplus::Color(0xFFFA9E00),
                Gdiplus::LinearGradientModeVertical);
            fillCapsule(graphics, fill, bar.x, bar.y, fillWidth, bar.height);
            lap(5);
            const auto percentageFont =
                createUiFont(splashAssets.uiFontFamily.get(), 13, screenDpi);
            drawCentredText(graphics, L"50%", -1, *percentageFont, 0xFFFFFFFF,
                            bar.x + bar.width / 2, bar.y + bar.height / 2);
            lap(6);
        }
        BitBlt(windowDc.get(), 0, 0, width, height, memoryDc, 0, 0, SRCCOPY);
        lap(7);
    }
    SelectObject(memoryDc, previous);
    DeleteObject(bitmap);
    DeleteDC(memoryDc);
    std::printf("96 DPI breakdown, mean wall ms over %d frames:", frames);
    for (int i = 0; i < 8; ++i) std::printf("  %s %.2f;", names[i], totals[i] / frames);
    std::printf("\n");
}

// WM_TIMER messages per second of the splash's timer, counted for 3 s on `window`.
double ticksPerSecond(HWND window) {
    constexpr ULONGLONG kSpanMs = 3000;
    SetTimer(window, kAnimationTimerId, kAnimationTimerPeriodMs, nullptr);
    int ticks = 0;
    const double start = nowMs();
    MSG message;
    while (nowMs() - start < kSpanMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_TIMER)
                ++ticks;
            else
                DispatchMessageW(&message);
        }
    }
    const double elapsed = nowMs() - start;
    KillTimer(window, kAnimationTimerId);
    return 1000.0 * ticks / elapsed;
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
    const GdiplusSession gdiplus;
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
        if (dpi == 96) printBreakdown(window, frames / 2);
        std::fflush(stdout);
        mainWindow = nullptr;
        DestroyWindow(window);
    }
    // The splash's timer with and without the 1 ms resolution the program holds.
    HWND window = makeWindow(320, 200);
    const double byDefault = ticksPerSecond(window);
    double held = 0.0;
    {
        const TimerResolution resolution;
        held = ticksPerSecond(window);
    }
    DestroyWindow(window);
    std::printf("timer ticks per second over 3 s (%u ms timer): %.1f with 1 ms resolution held, %.1f without\n",
                kAnimationTimerPeriodMs, held, byDefault);

    splashViewState = SplashViewState();
    splashAssets = SplashAssets();  // before GDI+ ends
    return 0;
}
