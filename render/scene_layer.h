#pragma once
// The static part of the splash, composed once per client size into the view's
// sceneLayer and copied under every frame.

#include "render/frame_inputs.h"

// Builds the layer when there is none or the size differs from the last build;
// the texts and the DPI of a later call do not rebuild it by themselves.
void ensureSceneLayer(const FrameInputs& inputs, int clientWidth, int clientHeight);
