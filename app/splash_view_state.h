#pragma once
// The program's one view state of the splash window, kept by the window thread.

#include "render/splash_view_state.h"

// Never destroyed: the scene layer must not outlive the graphics library,
// which start-up shuts down before the process ends.
extern SplashViewState& splashViewState;
