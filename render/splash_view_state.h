#pragma once
// The window thread's own view of the splash: hover, animation phase, shown
// progress and the cached static scene. Never touched by the worker.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <array>
#include <memory>

#include "render/splash_assets.h"

struct SplashViewState {
    int closeHovered = 0;        // 1 while the last pointer position lay on the close button
    double spinnerPhase = 0.0;   // 0 <= phase < 10: frame index and cross-fade fraction
    double shownProgress = 0.0;  // eases towards the shared progress fraction

    std::unique_ptr<Gdiplus::Bitmap> sceneLayer;  // static scene at the client size
    int sceneLayerWidth = 0;
    int sceneLayerHeight = 0;

    // The busy indicator's frames, already scaled to its square for this client
    // size: made with the scene layer, so each frame only blends, never resamples 256 px.
    std::array<std::unique_ptr<Gdiplus::Bitmap>, kSpinnerFrameCount> spinnerLayerFrames;
};
