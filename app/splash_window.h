#pragma once
// The splash window's procedure: timer tick, painting, hover, drag and the close button.

#include <windows.h>

LRESULT CALLBACK splashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
