#pragma once
// One complete frame of the splash window: composed off-screen, shown with one BitBlt.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

// Paints the whole client area through its own device context.
void paintFrame(HWND window);

// Draws a frame of the given client size onto a surface: the scene layer
// (which must be current for that size), the close button, the busy indicator,
// the status line, the bar and its percentage.
void composeFrame(Gdiplus::Graphics& graphics, int clientWidth, int clientHeight);
