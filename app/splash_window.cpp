#include "app/splash_window.h"

#include "app/messages.h"

LRESULT CALLBACK splashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        HBRUSH ground = CreateSolidBrush(RGB(0x14, 0x16, 0x22));
        FillRect(dc, &client, ground);
        DeleteObject(ground);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // the whole surface is painted in WM_PAINT
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_LAUNCHER_DONE:
        DestroyWindow(window);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
