#include "app/splash_view_state.h"

SplashViewState& splashViewState = *new SplashViewState();
