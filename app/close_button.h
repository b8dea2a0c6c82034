#pragma once
// Where the close button of the live window lies and whether a pointer position is on it.

#include <windows.h>

#include "render/close_button_rect.h"

// The button in the current client area of the splash window.
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
