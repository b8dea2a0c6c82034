#include "app/splash_window.h"

#include "app/close_button.h"
#include "app/handover.h"
#include "app/launcher_state.h"
#include "app/messages.h"
#include "app/splash_assets.h"
#include "app/splash_texts.h"
#include "app/splash_tick.h"
#include "app/splash_view_state.h"
#include "render/paint_frame.h"

namespace {

// SC_MOVE combined with HTCAPTION: the system's move loop, as if the press had been on a caption.
constexpr WPARAM kDragFromCaption = 0xF012;

// What this paint draws from: the program's records, with the status line
// copied under its lock once for the whole frame.
FrameInputs frameInputs() {
    return FrameInputs{splashAssets, splashViewState, kSplashTexts,
                       readLauncherState().statusText, screenDpi};
}

void repaint(HWND window) {
    InvalidateRect(window, nullptr, FALSE);
}

void onTimer(HWND window) {
    applySplashTick(splashViewState, readProgress());
    repaint(window);
}

void onMouseMove(HWND window, LPARAM lParam) {
    const PointerPosition pointer = pointerFromLParam(lParam);
    const int hovered = isOnCloseButton(closeButtonRect(), pointer.x, pointer.y) ? 1 : 0;
    // No leave tracking: the highlight changes only with the next move over the window.
    if (hovered == splashViewState.closeHovered) return;
    splashViewState.closeHovered = hovered;
    repaint(window);
}

void onLeftButtonDown(HWND window, LPARAM lParam) {
    const PointerPosition pointer = pointerFromLParam(lParam);
    if (isOnCloseButton(closeButtonRect(), pointer.x, pointer.y)) {
        // Ends the loop at once; the worker is not waited for.
        PostQuitMessage(0);
        return;
    }
    ReleaseCapture();
    SendMessageW(window, WM_SYSCOMMAND, kDragFromCaption, 0);
}

}  // namespace

LRESULT CALLBACK splashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        paintFrame(window, frameInputs());  // the whole client area, whatever the update region
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // every frame covers the whole surface
    case WM_TIMER:
        onTimer(window);
        return 0;
    case WM_MOUSEMOVE:
        onMouseMove(window, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        onLeftButtonDown(window, lParam);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_LAUNCHER_DONE:
        noteRunEnded();  // the run's own close request: the exit code says it came to its end
        DestroyWindow(window);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
