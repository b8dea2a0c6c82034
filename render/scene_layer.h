#pragma once
// The static part of the splash, composed once per client size into
// splashViewState.sceneLayer and copied under every frame.

// Builds the layer when there is none or the size differs from the last build.
void ensureSceneLayer(int clientWidth, int clientHeight);
