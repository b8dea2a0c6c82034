#pragma once
// The fixed texts the splash window hands to render for its scene.

#include "app/constants.h"
#include "render/frame_inputs.h"

inline constexpr SplashTexts kSplashTexts{kWindowTitle, kPleaseWaitText, kComponentsText,
                                          kFilesLabelText};
