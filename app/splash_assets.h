#pragma once
// The splash window's artwork and font, loaded once from the program's resources.

void loadSplashAssets();
