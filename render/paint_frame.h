#pragma once
// One complete frame of the splash window: composed off-screen, shown with one BitBlt.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "render/frame_inputs.h"

// Paints the whole client area through its own device context, building the
// scene layer first when the client size has changed.
void paintFrame(HWND window, const FrameInputs& inputs);

// Draws a frame of the given client size onto a surface: the scene layer
// (which must be current for that size), the close button, the busy indicator,
// the status line, the bar and its percentage.
void composeFrame(Gdiplus::Graphics& graphics, const FrameInputs& inputs, int clientWidth,
                  int clientHeight);
