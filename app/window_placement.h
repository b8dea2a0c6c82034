#pragma once
// Where the splash window goes: the design size scaled by the DPI, centred in the work area.

#include <windows.h>

struct WindowPlacement {
    int x;
    int y;
    int width;
    int height;
};

WindowPlacement computeWindowPlacement(int dpi, const RECT& workArea);
