#pragma once
// Everything a frame is drawn from, handed in by the program for one paint.
// Render keeps none of it past the call; only the view's caches persist.

#include <string>

#include "render/splash_assets.h"
#include "render/splash_view_state.h"

// The fixed texts of the scene layer, worded by the program.
struct SplashTexts {
    const wchar_t* windowTitle;
    const wchar_t* pleaseWait;
    const wchar_t* components;  // two lines, centred as a block
    const wchar_t* filesLabel;
};

struct FrameInputs {
    const SplashAssets& assets;
    SplashViewState& view;    // its scene layer and scaled spinner frames are rebuilt in place
    SplashTexts texts;
    std::wstring statusText;  // this paint's copy of the shared status line
    int dpi;                  // logical pixels per inch; scales the font sizes
};
