#pragma once
// The fixed texts the splash window hands to render for its scene.

#include "base/ui_texts.h"
#include "render/frame_inputs.h"

inline constexpr SplashTexts kSplashTexts{kWindowTitle, kPleaseWaitText, kComponentsText,
                                          kFilesLabelText};
