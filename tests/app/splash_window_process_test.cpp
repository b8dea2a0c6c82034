// The real splash window under Wine and X: a screenshot, hover and the close
// button driven by injected input, dragging, and the size at the screen's DPI.
// The starter variant's servers never answer, so it ends on its failure message
// and stays open.

#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/gdiplus_session.h"
#include "base/unique_handle.h"
#include "base/window_dc.h"
#include "tests/support/starter_process.h"

namespace {

std::wstring widen(const char* text) {
    std::string narrow = text ? text : "";
    return std::wstring(narrow.begin(), narrow.end());
}

std::wstring environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return widen(value ? value : fallback);
}

using starter_process::StartedProcess;
using starter_process::waitForExit;

StartedProcess startStarter() {
    return starter_process::start(environment("MORVANTA_STARTER_EXE", "MorvantaStarterOffline.exe"));
}

HWND waitForStarterWindow(DWORD processId) { return starter_process::waitForVisibleStarterWindow(processId); }

void sendMouse(DWORD flags, int x, int y);

// Ends a starter the test left running, whatever happened in the test, and
// parks the pointer in the screen's corner, off any later test's window.
struct StarterGuard {
    StartedProcess& started;
    ~StarterGuard() {
        if (started.process && WaitForSingleObject(started.process.get(), 0) != WAIT_OBJECT_0) {
            TerminateProcess(started.process.get(), 99);
            WaitForSingleObject(started.process.get(), 5000);
        }
        sendMouse(0, 2, 2);
    }
};

// Absolute coordinates on the primary screen, rounded up so they map back exactly.
LONG normalised(int pixel, int extent) {
    return static_cast<LONG>((static_cast<long long>(pixel) * 65536 + extent - 1) / extent);
}

void sendMouse(DWORD flags, int x, int y) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = normalised(x, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = normalised(y, GetSystemMetrics(SM_CYSCREEN));
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

POINT clientToScreen(HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    return point;
}

struct ScreenPixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;  // 0x00RRGGBB, top row first
    DWORD at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The window's client area as it is on the screen now.
ScreenPixels captureClient(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const POINT origin = clientToScreen(window, 0, 0);
    ScreenPixels shot;
    shot.width = client.right;
    shot.height = client.bottom;
    shot.pixels.resize(static_cast<size_t>(shot.width) * shot.height);

    const UniqueWindowDc screen;
    HDC memory = CreateCompatibleDC(screen.get());
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen.get(), origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const DWORD*>(bits);
    for (size_t i = 0; i < shot.pixels.size(); ++i) shot.pixels[i] = source[i] & 0x00FFFFFF;
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    return shot;
}

int red(DWORD pixel) { return (pixel >> 16) & 0xFF; }
int green(DWORD pixel) { return (pixel >> 8) & 0xFF; }
int blue(DWORD pixel) { return pixel & 0xFF; }

bool savePng(const ScreenPixels& shot, const std::wstring& path) {
    const GdiplusSession gdiplus;
    if (!gdiplus) return false;
    bool saved = false;
    {
        std::vector<DWORD> opaque(shot.pixels);
        for (DWORD& pixel : opaque) pixel |= 0xFF000000;
        Gdiplus::Bitmap bitmap(shot.width, shot.height, shot.width * 4, PixelFormat32bppARGB,
                               reinterpret_cast<BYTE*>(opaque.data()));
        UINT count = 0, size = 0;
        Gdiplus::GetImageEncodersSize(&count, &size);
        std::vector<BYTE> buffer(size);
        auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
        if (size > 0 && Gdiplus::GetImageEncoders(count, size, encoders) == Gdiplus::Ok) {
            for (UINT i = 0; i < count; ++i) {
                if (std::wstring(encoders[i].MimeType) == L"image/png") {
                    saved = bitmap.Save(path.c_str(), &encoders[i].Clsid, nullptr) == Gdiplus::Ok;
                }
            }
        }
    }
    return saved;
}

class SplashWindow : public ::testing::Test {
protected:
    // Coordinates are compared with the starter's, which is DPI-aware.
    static void SetUpTestSuite() { SetProcessDPIAware(); }
};

TEST_F(SplashWindow, ScreenshotHoverAndClosingWithTheCloseButton) {
    StartedProcess starter = startStarter();
    ASSERT_TRUE(starter.process) << "could not start the starter";
    StarterGuard guard{starter};
    HWND window = waitForStarterWindow(starter.id);
    ASSERT_NE(window, nullptr);
    // Park the pointer away from the window, then let the worker fail on every server:
    // the bar's track, away from the percentage, is empty again after the failure. On a
    // busy machine that takes longer than on a quiet one, so it is waited for.
    sendMouse(0, 2, 2);
    Sleep(2000);
    const auto trackOf = [](const ScreenPixels& shot) {
        return shot.at(static_cast<int>(0.039 * shot.width + 0.922 * shot.width * 0.8),
                       static_cast<int>(0.925 * shot.height));
    };
    ScreenPixels shot = captureClient(window);
    for (int waited = 0; waited < 30000 && red(trackOf(shot)) > 40; waited += 250) {
        Sleep(250);
        shot = captureClient(window);
    }
    const std::wstring path = environment("MORVANTA_SCREENSHOT", "splash_window.png");
    EXPECT_TRUE(savePng(shot, path));

    const int w = shot.width;
    const int h = shot.height;
    const DWORD track = trackOf(shot);
    EXPECT_GE(red(track), 15);
    EXPECT_LE(red(track), 40);
    EXPECT_LT(blue(track), red(track));
    // Sky above the hills is blue-violet: the background picture is there.
    const DWORD sky = shot.at(w / 4, h / 3);
    EXPECT_GT(blue(sky), red(sky));
    // Light text in the status line and on the caption row.
    int brightest = 0;
    for (int x = w / 3; x < w * 2 / 3; ++x) {
        for (int y = static_cast<int>(0.83 * h); y < static_cast<int>(0.87 * h); ++y) {
            brightest = std::max(brightest, green(shot.at(x, y)));
        }
    }
    EXPECT_GT(brightest, 180);

    // Hover: the red picture replaces the grey cross.
    const float side = 0.045f * h;
    const float left = w - 0.012f * w - side;
    const float top = 0.012f * h;
    const POINT onButton = clientToScreen(window, static_cast<int>(left + side / 2),
                                          static_cast<int>(top + side / 2));
    const int probeX = static_cast<int>(left) + 3;
    const int probeY = static_cast<int>(top + side / 2);
    const DWORD before = shot.at(probeX, probeY);
    EXPECT_LT(red(before), 120);
    sendMouse(0, onButton.x, onButton.y);
    // The next frame shows it; a busy machine may take a while to paint one.
    DWORD hovered = before;
    for (int attempt = 0; attempt < 50 && red(hovered) < 240; ++attempt) {
        Sleep(100);
        hovered = captureClient(window).at(probeX, probeY);
    }
    EXPECT_GE(red(hovered), 240);
    EXPECT_NEAR(green(hovered), 85, 12);

    // A press on the close button ends the program at once with code 0.
    sendMouse(MOUSEEVENTF_LEFTDOWN, onButton.x, onButton.y);
    EXPECT_EQ(waitForExit(starter.process.get(), 10000), 0u);
    sendMouse(MOUSEEVENTF_LEFTUP, onButton.x, onButton.y);
}

TEST_F(SplashWindow, PressElsewhereDragsTheWindow) {
    StartedProcess starter = startStarter();
    ASSERT_TRUE(starter.process);
    StarterGuard guard{starter};
    HWND window = waitForStarterWindow(starter.id);
    ASSERT_NE(window, nullptr);
    Sleep(500);

    RECT before{};
    GetWindowRect(window, &before);
    // Next to the close button, just outside its left edge: a drag, not a close.
    RECT client{};
    GetClientRect(window, &client);
    const float side = 0.045f * client.bottom;
    const int justLeft = static_cast<int>(client.right - 0.012f * client.right - side) - 2;
    const POINT start = clientToScreen(window, justLeft, static_cast<int>(0.012f * client.bottom + side / 2));
    sendMouse(0, start.x, start.y);
    Sleep(200);
    sendMouse(MOUSEEVENTF_LEFTDOWN, start.x, start.y);
    Sleep(200);
    for (int step = 1; step <= 10; ++step) {
        sendMouse(0, start.x - 12 * step, start.y + 5 * step);
        Sleep(40);
    }
    sendMouse(MOUSEEVENTF_LEFTUP, start.x - 120, start.y + 50);
    Sleep(500);

    RECT after{};
    GetWindowRect(window, &after);
    EXPECT_NEAR(after.left - before.left, -120, 2);
    EXPECT_NEAR(after.top - before.top, 50, 2);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    // Still running: the press was not on the close button.
    EXPECT_EQ(waitForExit(starter.process.get(), 0), static_cast<DWORD>(STILL_ACTIVE));
}

TEST_F(SplashWindow, DesignSizeScaledByTheScreenDpi) {
    const int dpi = GetDeviceCaps(UniqueWindowDc().get(), LOGPIXELSX);
    const char* expected = std::getenv("MORVANTA_EXPECTED_DPI");
    if (expected != nullptr) {
        ASSERT_EQ(dpi, std::atoi(expected)) << "the prefix's LogPixels";
    }

    StartedProcess starter = startStarter();
    ASSERT_TRUE(starter.process);
    StarterGuard guard{starter};
    HWND window = waitForStarterWindow(starter.id);
    ASSERT_NE(window, nullptr);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, MulDiv(1066, dpi, 96));
    EXPECT_EQ(client.bottom, MulDiv(599, dpi, 96));
    if (dpi == 120) {
        EXPECT_EQ(client.right, 1333);
        EXPECT_EQ(client.bottom, 749);
    }
}

}  // namespace
