#pragma once
// Where the close button lies and whether a pointer position is on it.

#include <windows.h>

struct ButtonRect {
    float left;
    float top;
    float width;
    float height;
};

// A square of side 0.045 H, 0.012 W from the right edge and 0.012 H from the top.
ButtonRect closeButtonRectFor(int clientWidth, int clientHeight);

// The same for the current client area of the splash window.
ButtonRect closeButtonRect();

// Left and top edges count as on the button; right and bottom edges do not.
bool isOnCloseButton(const ButtonRect& button, float x, float y);

struct PointerPosition {
    float x;
    float y;
};

// Mouse-message coordinates: signed 16-bit halves of lParam, negative left of
// or above the client area.
PointerPosition pointerFromLParam(LPARAM lParam);
